// Reads the built Pixlor.dll's PE headers and checks what the host relies on: an image of the
// host's machine (a 32-bit x86 PE32, or for the 64-bit host an x86-64 PE32+, which the host takes
// only when the machine matches its own), exactly the thirteen undecorated entry points, imports
// from system DLLs only, and a version resource. Run by scripts/test.sh after the win32 and the
// win64 builds, with the DLL's path in PIXLOR_DLL and, for the 64-bit one, PIXLOR_DLL_MACHINE=x64.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

class PeImage {
public:
    explicit PeImage(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        bytes_.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }

    bool parse() {
        if (bytes_.size() < 0x40 || u16(0) != 0x5A4D) return false;  // "MZ"
        const std::uint32_t pe = u32(0x3C);
        if (pe + 24 > bytes_.size() || u32(pe) != 0x00004550) return false;  // "PE\0\0"
        machine = u16(pe + 4);
        characteristics = u16(pe + 22);
        const std::uint16_t sections = u16(pe + 6);
        const std::uint16_t optionalSize = u16(pe + 20);
        const std::uint32_t optional = pe + 24;
        magic = u16(optional);
        if (magic != PE32 && magic != PE32_PLUS) return true;  // the caller sees the magic
        // The data directories follow the wider fields of PE32+.
        const std::uint32_t directories = optional + (magic == PE32 ? 96 : 112);
        for (int i = 0; i < 3; ++i)
            directory_[i] = {u32(directories + 8 * i), u32(directories + 8 * i + 4)};
        std::uint32_t table = optional + optionalSize;
        for (std::uint16_t i = 0; i < sections; ++i, table += 40)
            sections_.push_back(
                {u32(table + 12), std::max(u32(table + 8), u32(table + 16)), u32(table + 20)});
        return true;
    }

    std::vector<std::string> exportNames() const {
        std::vector<std::string> names;
        if (directory_[0].rva == 0) return names;
        const std::uint32_t exports = offset(directory_[0].rva);
        const std::uint32_t count = u32(exports + 24);
        const std::uint32_t nameTable = offset(u32(exports + 32));
        for (std::uint32_t i = 0; i < count; ++i)
            names.push_back(text(offset(u32(nameTable + 4 * i))));
        return names;
    }

    std::vector<std::string> importedDlls() const {
        std::vector<std::string> dlls;
        if (directory_[1].rva == 0) return dlls;
        for (std::uint32_t entry = offset(directory_[1].rva); u32(entry + 12) != 0; entry += 20)
            dlls.push_back(text(offset(u32(entry + 12))));
        return dlls;
    }

    // The resource types at the root of the resource tree (16 is the version information).
    std::vector<std::uint32_t> resourceTypes() const {
        std::vector<std::uint32_t> types;
        if (directory_[2].rva == 0) return types;
        const std::uint32_t root = offset(directory_[2].rva);
        const unsigned entries = u16(root + 12) + u16(root + 14);
        for (unsigned i = 0; i < entries; ++i) types.push_back(u32(root + 16 + 8 * i));
        return types;
    }

    static constexpr std::uint16_t PE32 = 0x10B, PE32_PLUS = 0x20B;
    std::uint16_t machine = 0;
    std::uint16_t characteristics = 0;
    std::uint16_t magic = 0;

private:
    struct Directory {
        std::uint32_t rva = 0, size = 0;
    };
    struct Section {
        std::uint32_t rva, size, fileOffset;
    };

    std::uint16_t u16(std::uint32_t at) const {
        return at + 2 <= bytes_.size()
                   ? static_cast<std::uint16_t>(bytes_[at] | bytes_[at + 1] << 8)
                   : 0;
    }
    std::uint32_t u32(std::uint32_t at) const {
        return at + 4 <= bytes_.size() ? static_cast<std::uint32_t>(u16(at) | u16(at + 2) << 16)
                                       : 0;
    }
    std::uint32_t offset(std::uint32_t rva) const {
        for (const Section& section : sections_)
            if (rva >= section.rva && rva < section.rva + section.size)
                return rva - section.rva + section.fileOffset;
        return static_cast<std::uint32_t>(bytes_.size());
    }
    std::string text(std::uint32_t at) const {
        std::string value;
        while (at < bytes_.size() && bytes_[at] != 0) value += static_cast<char>(bytes_[at++]);
        return value;
    }

    std::vector<unsigned char> bytes_;
    Directory directory_[3];
    std::vector<Section> sections_;
};

std::string upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

class ProductDll : public ::testing::Test {
protected:
    void SetUp() override {
        const char* path = std::getenv("PIXLOR_DLL");
        ASSERT_NE(path, nullptr) << "set PIXLOR_DLL to the built Pixlor.dll";
        image = std::make_unique<PeImage>(path);
        ASSERT_TRUE(image->parse()) << path << " is not a PE image";
    }
    std::unique_ptr<PeImage> image;
};

TEST_F(ProductDll, IsADllForTheHostsMachine) {
    const char* wanted = std::getenv("PIXLOR_DLL_MACHINE");
    if (wanted != nullptr && std::string(wanted) == "x64") {
        EXPECT_EQ(image->machine, 0x8664);  // x86-64
        EXPECT_EQ(image->magic, PeImage::PE32_PLUS);
    } else {
        EXPECT_EQ(image->machine, 0x14C);  // i386
        EXPECT_EQ(image->magic, PeImage::PE32);
    }
    EXPECT_NE(image->characteristics & 0x2000, 0) << "not marked as a DLL";
}

TEST_F(ProductDll, ExportsExactlyTheThirteenEntryPointsUndecorated) {
    std::vector<std::string> names = image->exportNames();
    std::sort(names.begin(), names.end());
    const std::vector<std::string> expected = {
        "ClosePlugin", "Configure",        "DeleteFiles",       "FreeFindData",  "GetFiles",
        "GetFindData", "GetMinFarVersion", "GetOpenPluginInfo", "GetPluginInfo", "OpenPlugin",
        "ProcessKey",  "SetDirectory",     "SetStartupInfo"};
    EXPECT_EQ(names, expected);
}

TEST_F(ProductDll, ImportsOnlyFromSystemDlls) {
    const std::set<std::string> system = {"KERNEL32.DLL", "ADVAPI32.DLL", "MSVCRT.DLL",
                                          "USER32.DLL", "NTDLL.DLL"};
    const std::vector<std::string> dlls = image->importedDlls();
    EXPECT_FALSE(dlls.empty());
    for (const std::string& dll : dlls)
        EXPECT_TRUE(system.count(upper(dll)) == 1 || upper(dll).rfind("API-MS-WIN-", 0) == 0)
            << "imports from " << dll;
}

TEST_F(ProductDll, CarriesAVersionResource) {
    const std::vector<std::uint32_t> types = image->resourceTypes();
    EXPECT_NE(std::find(types.begin(), types.end(), 16u), types.end());
}

}  // namespace
