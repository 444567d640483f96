#include "host/cli/Commands.h"

#include "host/cli/DateFolderWalk.h"
#include "host/cli/Interrupts.h"
#include "host/cli/Texts.h"

#include <filesystem>
#include <iostream>
#include <map>

namespace pixlor::host::cli {

namespace fs = std::filesystem;

namespace {

constexpr int LISTED_PICTURES = 20;  // a delete question names at most these

// The question before a delete: the pictures one a line, or for many the count of each folder.
std::string DeleteQuestion(const std::vector<ChosenPicture>& chosen,
                           const std::vector<PictureGroup>& groups, OemCodePage page) {
    const auto total = static_cast<long long>(chosen.size());
    std::string question;
    if (total <= LISTED_PICTURES) {
        for (const ChosenPicture& picture : chosen)
            question += "  " + PictureLine(picture, page) + "\n";
    } else {
        for (const PictureGroup& group : groups)
            question +=
                "  " +
                (group.folder.empty() ? std::string(".") : TerminalText(group.folder, page) + "/") +
                ": " +
                CountOf(static_cast<long long>(group.entries.size()), "picture", "pictures") + "\n";
    }
    question += Fill(Tr("Delete {} on the camera?"), {CountOf(total, "picture", "pictures")});
    return question;
}

// Each picture gone from the camera, by number, time and size as the command found it: the
// chosen ones whose size and time the camera now holds fewer times than before.
void PrintDeleted(HostEmulator& emulator, const std::vector<ChosenPicture>& every,
                  const std::vector<ChosenPicture>& chosen, OemCodePage page, std::ostream& out) {
    std::map<std::pair<std::uint64_t, std::int64_t>, long long> gone;
    for (const ChosenPicture& picture : every) ++gone[{picture.size, picture.time}];
    if (emulator.panelOpen())
        for (const ChosenPicture& picture : EveryPicture(emulator))
            --gone[{picture.size, picture.time}];
    for (const ChosenPicture& picture : chosen)
        if (gone[{picture.size, picture.time}]-- > 0)
            out << Fill(Tr("deleted {}"), {PictureLine(picture, page)}) << '\n';
}

}  // namespace

int Commands::remove(const DeleteRequest& request) {
    if (request.items.empty() && !request.all)
        return usage(Tr("name the pictures or folders to delete, or give --all"));
    if (!request.yes && !streams_.inIsTerminal)
        return usage(Tr("deleting asks on a terminal; give --yes to delete without asking"));
    int status = EXIT_DONE;
    auto emulator = openCamera(fs::current_path().string(), status);
    if (emulator == nullptr) return status;
    if (request.thumbnails) emulator->pressKey(VK_F7);
    const OemCodePage page = user_.style().codePage;
    const std::vector<ChosenPicture> every = EveryPicture(*emulator);
    std::vector<ChosenPicture> chosen;
    if (std::string why; !ChoosePictures(every, request.items, page, chosen, why))
        return usage(why);
    const auto total = static_cast<long long>(chosen.size());
    const std::vector<PictureGroup> groups = LocatePictures(*emulator, chosen);
    if (!request.yes && !user_.ask(DeleteQuestion(chosen, groups, page))) {
        if (InterruptSignal() != 0) return interrupted(Tr("nothing deleted"));
        user_.status(Tr("Nothing deleted."));
        return EXIT_DONE;
    }
    user_.assumeYes = true;
    WalkProgress walk;
    WatchProgress(user_, *texts_, walk, "");
    const std::size_t firstBox = user_.answeredBoxes().size();
    bool asked = false;
    const bool failed = PressInEachFolder(
        *emulator, user_, groups, walk, [&] { emulator->pressKey(VK_F8); },
        [&](const BoxRecord& box) {
            if (box.buttons.size() > 1) asked = true;
            CameraFailure failure;
            return ReadCameraFailure(box, *texts_, failure) ? BoxTells::DeleteFailure
                                                            : BoxTells::Nothing;
        });
    user_.noticeSeen = nullptr;
    user_.assumeYes = false;
    if (!failed || emulator->panelOpen())
        PrintDeleted(*emulator, every, chosen, page, streams_.out);
    const std::string done =
        walk.deleted < total
            ? Fill(Tr("{} of {} deleted"),
                   {std::to_string(walk.deleted), CountOf(total, "picture", "pictures")})
            : Fill(Tr("{} deleted"), {CountOf(walk.deleted, "picture", "pictures")});
    if (InterruptSignal() != 0) return interrupted(done);
    if (!asked && !failed) return usage(Tr("the plug-in asked nothing: nothing deleted"));
    const bool explained =
        explainFailures(firstBox, {port_.described(), "", port_.baud, 0, 0, "", "", {}, 1});
    if (!user_.quiet || explained || failed) streams_.out << done << std::endl;
    return explained || failed ? EXIT_CAMERA_FAILED : EXIT_DONE;
}

}  // namespace pixlor::host::cli
