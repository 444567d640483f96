// Any bytes as a registry file: parsing never fails hard, and what it keeps survives being
// written and read back unchanged.
#include "platform/RegistryModel.h"
#include "platform/posix/RegistryFile.h"

#include <cstdint>
#include <cstdlib>
#include <string>

namespace {

bool sameRegistry(const pixlor::RegistryModel& first, const pixlor::RegistryModel& second) {
    if (first.keys().size() != second.keys().size()) return false;
    for (const auto& key : first.keys()) {
        const pixlor::RegistryModel::Key* other = second.findKey(key->path);
        if (other == nullptr || other->values.size() != key->values.size()) return false;
        for (size_t i = 0; i < key->values.size(); ++i) {
            const auto& value = key->values[i];
            const auto& copy = other->values[i];
            if (pixlor::RegistryModel::fold(value.name) != pixlor::RegistryModel::fold(copy.name) ||
                value.type != copy.type || value.data != copy.data)
                return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    pixlor::RegistryModel parsed;
    pixlor::parseRegFile(std::string(reinterpret_cast<const char*>(data), size), parsed);
    pixlor::RegistryModel reread;
    if (!pixlor::parseRegFile(pixlor::formatRegFile(parsed, ""), reread)) std::abort();
    if (!sameRegistry(parsed, reread)) std::abort();
    return 0;
}
