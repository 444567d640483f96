// Which device stands for a COM port on Linux: the one named by PIXLOR_COM<n>, else
// /dev/ttyS<n-1>. The console program names it in its messages and checks it before use.
#pragma once

#include <string>

namespace pixlor {

std::string SerialDeviceOf(unsigned comNumber);

}  // namespace pixlor
