#include "host/cli/Commands.h"

#include "host/cli/DateFolderWalk.h"
#include "host/cli/ShownItems.h"
#include "host/cli/Texts.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <map>

namespace pixlor::host::cli {

namespace fs = std::filesystem;

namespace {

std::string FileTimeText(FILETIME time) {
    return TimeText(LocalSeconds(time), "%04lld-%02u-%02u  %02u:%02u:%02u");
}

// `text` and blanks to `width` characters: after it, or before it for a negative width.
std::string Padded(const std::string& text, int width) {
    const auto blanks = static_cast<std::size_t>(std::max(0, std::abs(width) - DisplayWidth(text)));
    return width < 0 ? std::string(blanks, ' ') + text : text + std::string(blanks, ' ');
}

std::string JsonText(const std::string& text) {
    std::string json = "\"";
    for (const char c : text) {
        if (c == '"' || c == '\\')
            json += {'\\', c};
        else if (static_cast<unsigned char>(c) < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
            json += escaped;
        } else
            json += c;
    }
    return json + "\"";
}

// The thumbnail sizes, by picture number, from the thumbnail view; the panel shows the photos
// after it.
std::map<std::uintptr_t, std::uint64_t> ThumbnailSizes(HostEmulator& emulator, bool thumbnailView) {
    std::map<std::uintptr_t, std::uint64_t> thumbnailSizes;
    if (!thumbnailView) emulator.pressKey(VK_F7);
    ForEachPicture(emulator, [&](const std::string&, const PluginPanelItem& item) {
        thumbnailSizes[item.UserData] = SizeOf(item);
    });
    emulator.pressKey(VK_F7);
    if (thumbnailView) emulator.pressKey(VK_F7);  // back to the photos
    return thumbnailSizes;
}

// The date folders and pictures for scripts, each picture with its thumbnail's size.
void PrintJson(HostEmulator& emulator, bool thumbnailView, std::ostream& out) {
    std::map<std::uintptr_t, std::uint64_t> thumbnailSizes =
        ThumbnailSizes(emulator, thumbnailView);
    std::map<std::string, std::vector<std::string>> byFolder;
    std::vector<std::string> folderOrder;
    ForEachPicture(emulator, [&](const std::string& folder, const PluginPanelItem& item) {
        if (byFolder.find(folder) == byFolder.end()) folderOrder.push_back(folder);
        byFolder[folder].push_back(
            "{\"number\": " + std::to_string(item.UserData + 1) + ", \"name\": " +
            JsonText(item.FindData.cFileName) + ", \"size\": " + std::to_string(SizeOf(item)) +
            ", \"shot\": \"" + TimeText(LocalSeconds(item.FindData.ftLastWriteTime), SHOT_FORMAT) +
            "\", \"thumbnailSize\": " + std::to_string(thumbnailSizes[item.UserData]) + "}");
    });
    const auto pictures = [&](const std::string& folder, const char* indent) {
        std::string text = "[";
        const auto& items = byFolder[folder];
        for (std::size_t i = 0; i < items.size(); ++i)
            text += (i == 0 ? "\n" : ",\n") + std::string(indent) + items[i];
        return text + (items.empty()
                           ? "]"
                           : "\n" + std::string(indent, 0, std::string(indent).size() - 2) + "]");
    };
    out << "{\n  \"folders\": [";
    bool first = true;
    for (const std::string& folder : folderOrder) {
        if (folder.empty()) continue;
        out << (first ? "\n" : ",\n") << "    {\"name\": " << JsonText(folder)
            << ", \"pictures\": " << pictures(folder, "      ") << "}";
        first = false;
    }
    out << (first ? "" : "\n  ") << "],\n  \"pictures\": " << pictures("", "    ") << "\n}"
        << std::endl;
}

}  // namespace

void Commands::printPanel(const HostEmulator& emulator) {
    user_.endProgress();
    const PanelModel& panel = emulator.pluginPanel();
    const PanelDescription& description = emulator.panelDescription();
    const OemCodePage page = user_.style().codePage;
    std::string heading = TerminalText(description.panelTitle, page);
    if (!description.curDir.empty()) heading += ": " + TerminalText(description.curDir, page);
    streams_.out << heading << '\n';

    // Columns are counted in characters, not bytes: the Russian headings and names that are
    // not ASCII line up as well.
    std::vector<std::string> names;
    int nameWidth = std::max(4, DisplayWidth(Tr("Name")));
    for (const PluginPanelItem& item : panel.items()) {
        const std::string name = item.FindData.cFileName;
        if (name == "..") continue;
        names.push_back(TerminalText(name, page) + (IsFolder(item) ? "/" : ""));
        nameWidth = std::max(nameWidth, DisplayWidth(names.back()) + (IsFolder(item) ? 0 : 1));
    }
    streams_.out << Padded(Tr("Name"), nameWidth + 1) << Padded(Tr("Size"), -10) << "  "
                 << Padded(Tr("Date"), 10) << "  " << Tr("Time") << '\n';
    std::uint64_t total = 0;
    int pictures = 0;
    int folders = 0;
    std::size_t row = 0;
    for (const PluginPanelItem& item : panel.items()) {
        if (std::string(item.FindData.cFileName) == "..") continue;
        total += SizeOf(item);
        (IsFolder(item) ? folders : pictures) += 1;
        streams_.out << Padded(names[row++], nameWidth + 1)
                     << Padded(std::to_string(SizeOf(item)), -10) << "  "
                     << FileTimeText(item.FindData.ftLastWriteTime) << '\n';
    }
    if (folders > 0) streams_.out << CountOf(folders, "folder", "folders") << ", ";
    if (pictures > 0) streams_.out << CountOf(pictures, "picture", "pictures") << ", ";
    streams_.out << CountOf(static_cast<long long>(total), "byte", "bytes") << std::endl;
}

int Commands::list(const ListRequest& request) {
    int status = EXIT_DONE;
    auto emulator = openCamera(fs::current_path().string(), status);
    if (emulator == nullptr) {
        // A camera without pictures is a list without entries, for scripts as well.
        if (cameraEmpty_ && request.json)
            streams_.out << "{\n  \"folders\": [],\n  \"pictures\": []\n}" << std::endl;
        return status;
    }
    if (request.thumbnails) emulator->pressKey(VK_F7);
    user_.endProgress();
    const OemCodePage page = user_.style().codePage;
    if (request.json) {
        PrintJson(*emulator, request.thumbnails, streams_.out);
        return EXIT_DONE;
    }
    if (request.all) {
        for (const ChosenPicture& picture : EveryPicture(*emulator))
            streams_.out << PictureLine(picture, page) << '\n';
        streams_.out << std::flush;
        return EXIT_DONE;
    }
    if (request.folders.empty()) {
        printPanel(*emulator);
        return EXIT_DONE;
    }
    for (const std::string& given : request.folders) {
        const std::string folder = WithoutTrailingSlashes(given);
        if (!emulator->enterFolder(folder))
            return usage(Fill(Tr("no folder \"{}\" on the camera; `pixlor list` shows the folders"),
                              {TerminalText(folder, page)}));
        printPanel(*emulator);
        emulator->enterFolder("..");
    }
    return EXIT_DONE;
}

}  // namespace pixlor::host::cli
