#include "host/cli/Demo.h"

#include "platform/Calendar.h"
#include "sim/camsim/CamsimProcess.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <unistd.h>

namespace pixlor::host::cli {

namespace fs = std::filesystem;

namespace {

// A folder of its own under the system's temporary folder, removed with the object.
class ScratchFolder {
public:
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "pixlor-demo-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) path = pattern;
    }
    ~ScratchFolder() {
        std::error_code error;
        if (!path.empty()) fs::remove_all(path, error);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;
    std::string path;
};

std::int64_t At(int year, unsigned month, unsigned day, unsigned hour, unsigned minute) {
    return daysFromCivil(year, month, day) * 86400 + hour * 3600 + minute * 60;
}

bool WriteScenario(const std::string& path) {
    std::ofstream file(path);
    file << "{\"seed\": " << DEMO_SEED << ", \"pictures\": [\n";
    const auto pictures = DemoPictures();
    for (std::size_t i = 0; i < pictures.size(); ++i)
        file << "  {\"shootingTime\": " << pictures[i].shootingTime << "}"
             << (i + 1 < pictures.size() ? ",\n" : "\n");
    file << "]}\n";
    return static_cast<bool>(file.flush());
}

void PrintTree(std::ostream& out, const fs::path& folder, const std::string& indent) {
    std::vector<fs::directory_entry> entries;
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        entries.push_back(*it);
    std::sort(entries.begin(), entries.end());
    for (const fs::directory_entry& entry : entries) {
        if (entry.is_directory(error)) {
            out << indent << entry.path().filename().string() << "/\n";
            PrintTree(out, entry.path(), indent + "    ");
        } else {
            out << indent << entry.path().filename().string() << "  " << entry.file_size(error)
                << " bytes\n";
        }
    }
}

}  // namespace

std::vector<DemoPicture> DemoPictures() {
    return {
        {At(2002, 5, 17, 9, 14)},  {At(2002, 5, 17, 9, 20)},  {At(2002, 5, 17, 11, 2)},
        {At(2002, 5, 17, 16, 45)}, {At(2002, 5, 17, 18, 30)}, {At(2002, 6, 2, 8, 5)},
        {At(2002, 6, 2, 8, 7)},    {At(2002, 6, 2, 13, 31)},  {At(2002, 6, 2, 19, 58)},
        {At(2002, 7, 5, 10, 0)},   {At(2002, 7, 5, 10, 12)},  {At(2002, 7, 5, 21, 40)},
    };
}

int RunDemo(Commands& commands, const TerminalStreams& streams, const std::string& camsimPath) {
    ScratchFolder scratch;
    if (scratch.path.empty()) {
        streams.err << "pixlor demo: no temporary folder can be made\n";
        return EXIT_CAMERA_FAILED;
    }
    const std::string scenario = scratch.path + "/camera.json";
    const std::string registry = scratch.path + "/registry.reg";
    std::string errorText;
    sim::CamsimProcess camera;
    if (!WriteScenario(scenario) ||
        !camera.start(camsimPath, {"--scenario", scenario}, errorText)) {
        streams.err << "pixlor demo: the simulated camera did not start: " << errorText << '\n';
        return EXIT_CAMERA_FAILED;
    }
    ::setenv("PIXLOR_REGISTRY", registry.c_str(), 1);
    ::setenv("PIXLOR_COM2", camera.device().c_str(), 1);
    streams.out << "A simulated camera with " << DemoPictures().size() << " pictures answers on "
                << camera.device() << ", which is COM2 (PIXLOR_COM2); the settings are the "
                << "defaults, in " << registry << ".\n\n";

    {
        int status = EXIT_DONE;
        auto emulator = commands.openCamera(fs::current_path().string(), status);
        if (emulator == nullptr) return status == EXIT_DONE ? EXIT_CAMERA_FAILED : status;
        commands.printPanel(*emulator);
        const std::vector<std::string> folders = emulator->pluginPanel().names();
        for (const std::string& folder : folders) {
            if (folder == ".." || !emulator->enterFolder(folder)) continue;
            streams.out << '\n';
            commands.printPanel(*emulator);
            emulator->enterFolder("..");
        }
    }

    std::error_code error;
    fs::create_directory(DEMO_FOLDER, error);
    if (error) {
        streams.err << "pixlor demo: ./" << DEMO_FOLDER << " cannot be made: " << error.message()
                    << '\n';
        return EXIT_CAMERA_FAILED;
    }
    streams.out << '\n';
    TransferRequest copy;
    copy.destination = DEMO_FOLDER;
    const int copied = commands.transfer(copy);
    streams.out << '\n' << DEMO_FOLDER << "/\n";
    PrintTree(streams.out, DEMO_FOLDER, "    ");
    return copied;
}

}  // namespace pixlor::host::cli
