// Any bytes as a host language file: the reader either refuses them with a reason or gives
// messages that are terminated texts, and nothing beyond its last message.
#include "host/LanguageFile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pixlor::host::LanguageFile file;
    if (!file.parse(std::string_view(reinterpret_cast<const char*>(data), size))) {
        if (file.errorText.empty()) std::abort();
        return 0;
    }
    for (int number = 0; number < file.count(); ++number) {
        const char* text = file.message(number);
        if (text == nullptr || std::strlen(text) > size) std::abort();
    }
    if (file.message(-1) != nullptr || file.message(file.count()) != nullptr) std::abort();
    return 0;
}
