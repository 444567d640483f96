#include "platform/SerialLine.h"

#include <cstring>

namespace pixlor {

unsigned comNumber(LPCSTR name) {
    const char* text = name;
    if (std::strncmp(text, "\\\\.\\", 4) == 0) text += 4;
    if (std::strncmp(text, "COM", 3) != 0) return 0;
    unsigned number = 0;
    for (text += 3; *text != '\0'; ++text) {
        if (*text < '0' || *text > '9' || number > 1000) return 0;
        number = number * 10 + static_cast<unsigned>(*text - '0');
    }
    return number;
}

DCB openedPortDcb(DWORD baud) {
    DCB dcb{};
    dcb.DCBlength = sizeof(DCB);
    dcb.BaudRate = baud;
    dcb.fBinary = 1;
    dcb.fDtrControl = 1;
    dcb.fRtsControl = 1;
    dcb.XonLim = 2048;
    dcb.XoffLim = 512;
    dcb.ByteSize = 8;
    dcb.XonChar = 0x11;
    dcb.XoffChar = 0x13;
    return dcb;
}

}  // namespace pixlor
