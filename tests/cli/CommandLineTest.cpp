// The command line: options into requests, and the key and shift state each copy needs.
#include "host/cli/CommandLine.h"

#include "far/FarPlugin.h"

#include <gtest/gtest.h>

#include <sstream>

namespace pixlor::host::cli {
namespace {

class ACommandLine : public ::testing::Test {
protected:
    std::optional<int> parse(std::vector<std::string> arguments) {
        arguments.insert(arguments.begin(), "pixlor");
        return ParseCommandLine(arguments, invocation, out, err);
    }
    Invocation invocation;
    std::ostringstream out, err;
};

TEST_F(ACommandLine, MapsTheCopyOptionsToTheCopyDialogsChoices) {
    ASSERT_FALSE(parse(
        {"move", "/tmp", "02-05-17", "--both", "--folders", "thumbnail", "--subfolders", "never"}));
    EXPECT_EQ(invocation.command, Command::Move);
    const TransferRequest& request = invocation.transfer;
    EXPECT_EQ(request.destination, "/tmp");
    EXPECT_EQ(request.items, std::vector<std::string>{"02-05-17"});
    EXPECT_EQ(request.choice.kinds, CopyKinds::BothOneFolder);
    EXPECT_EQ(request.choice.photoFolders, false);
    EXPECT_TRUE(request.choice.move);
    EXPECT_FALSE(request.choice.thumbnailView);
    EXPECT_EQ(request.subfolders, SubfolderMode::Never);
}

TEST_F(ACommandLine, ThumbnailsAreNamedFromTheThumbnailViewUnlessAnotherViewIsGiven) {
    ASSERT_FALSE(parse({"copy", ".", "--thumbnails"}));
    EXPECT_TRUE(invocation.transfer.choice.thumbnailView);
    EXPECT_FALSE(invocation.transfer.choice.photos);
    Invocation other;
    ASSERT_FALSE(ParseCommandLine({"pixlor", "copy", ".", "--thumbnails", "--view", "photos"},
                                  other, out, err));
    EXPECT_FALSE(other.transfer.choice.thumbnailView);
}

TEST_F(ACommandLine, ReadsThePortAndTheSettingsOfConfig) {
    ASSERT_FALSE(parse({"config", "--port", "com3", "--speed", "57600", "--thumb-folder", "",
                        "--photo-digits", "4", "--registry", "/tmp/r.reg"}));
    EXPECT_EQ(invocation.command, Command::Config);
    EXPECT_EQ(invocation.config.port, 3);
    EXPECT_EQ(invocation.config.speed, 57600);
    EXPECT_EQ(invocation.config.thumbFolder, "");
    EXPECT_EQ(invocation.config.photoDigits, 4);
    EXPECT_FALSE(invocation.config.photoName.has_value());
    EXPECT_EQ(invocation.registryFile, "/tmp/r.reg");
}

TEST_F(ACommandLine, PassesEverythingAfterCamsimToTheSimulator) {
    ASSERT_FALSE(parse({"camsim", "--pictures", "3", "--help"}));
    EXPECT_EQ(invocation.camsimArguments, (std::vector<std::string>{"--pictures", "3", "--help"}));
}

TEST_F(ACommandLine, AnswersHelpWithStatus0) {
    EXPECT_EQ(parse({"--help"}), 0);
    EXPECT_NE(out.str().find("demo"), std::string::npos);
    Invocation other;
    std::ostringstream copyHelp;
    EXPECT_EQ(ParseCommandLine({"pixlor", "copy", "--help"}, other, copyHelp, err), 0);
    EXPECT_NE(copyHelp.str().find("--both-own-folders"), std::string::npos);
}

TEST_F(ACommandLine, RefusesMistakesWithStatus2AndSaysWhy) {
    const std::vector<std::vector<std::string>> mistakes{
        {},
        {"frobnicate"},
        {"copy"},
        {"copy", ".", "--both", "--both-own-folders"},
        {"copy", ".", "--thumbnails", "--both"},
        {"copy", ".", "--subfolders", "sometimes"},
        {"delete"},
        {"config", "--port", "COM9"},
        {"config", "--speed", "4800"},
        {"config", "--photo-digits", "12"},
        {"config", "--photo-digits", "1"},
        {"delete", "02-05-17", "--all"},
        {"list", "--all", "--json"},
        {"--port"},
        {"--speed", "4800", "list"},
        {"--speed", "9600", "config"},
        {"copy", ".", "--filename"},
        {"config", "--port", ""},
    };
    for (const auto& mistake : mistakes) {
        Invocation fresh;
        std::ostringstream said;
        std::vector<std::string> arguments{"pixlor"};
        arguments.insert(arguments.end(), mistake.begin(), mistake.end());
        EXPECT_EQ(ParseCommandLine(arguments, fresh, out, said), EXIT_BAD_USAGE)
            << testing::PrintToString(mistake);
        EXPECT_FALSE(said.str().empty()) << testing::PrintToString(mistake);
    }
}

TEST_F(ACommandLine, SaysWhatIsWrongAndSuggestsTheNearestWord) {
    const struct {
        std::vector<std::string> arguments;
        std::string said;
        // clang-format off
    } cases[] = {
        {{"--bogus"}, "pixlor: --bogus is not an option"},
        {{"lsit"}, "pixlor: \"lsit\" is not a command; did you mean \"list\"?"},
        {{"--quite", "list"}, "--quite is not an option; did you mean \"--quiet\"?"},
        {{"copy", ".", "--nwe"}, "did you mean \"--new\"?"},
        {{}, "a command is needed: list, copy, move, delete, config, info, detect, camsim, demo"},
        {{"--speed", "9600", "config"}, "`pixlor config --port COM3 --speed 57600` stores them"},
        {{"--port", "COM3", "config"}, "--port and --speed before the command are for one"},
    };
    // clang-format on
    for (const auto& c : cases) {
        Invocation fresh;
        std::ostringstream said;
        std::vector<std::string> arguments{"pixlor"};
        arguments.insert(arguments.end(), c.arguments.begin(), c.arguments.end());
        EXPECT_EQ(ParseCommandLine(arguments, fresh, out, said), EXIT_BAD_USAGE);
        EXPECT_NE(said.str().find(c.said), std::string::npos) << said.str();
        EXPECT_EQ(said.str().find("A subcommand is required"), std::string::npos) << said.str();
    }
    EXPECT_EQ(NearestWord("frobnicate", {"list", "copy"}), std::nullopt);
}

TEST_F(ACommandLine, TellsItsVersionAndHelpThatAgreesWithItsChecks) {
    EXPECT_EQ(parse({"--version"}), 0);
    EXPECT_EQ(out.str().rfind("pixlor ", 0), 0u) << out.str();
    std::ostringstream help;
    Invocation other;
    EXPECT_EQ(ParseCommandLine({"pixlor", "config", "--help"}, other, help, err), 0);
    EXPECT_NE(help.str().find("[2 - 9]"), std::string::npos) << help.str();
    EXPECT_EQ(help.str().find("[0 - 9]"), std::string::npos) << help.str();
}

TEST_F(ACommandLine, ReadsTheOptionsOfEveryCommandAndTheOneOffPort) {
    ASSERT_FALSE(parse({"list", "02-05-17/", "02-05-18", "--port", "/dev/ttyUSB0", "-q"}));
    EXPECT_EQ(invocation.list.folders, (std::vector<std::string>{"02-05-17/", "02-05-18"}));
    EXPECT_EQ(invocation.port, "/dev/ttyUSB0");
    EXPECT_TRUE(invocation.quiet);
    Invocation copy;
    ASSERT_FALSE(ParseCommandLine(
        {"pixlor", "--port", "COM3", "copy", "d", "--skip-existing", "--mkdir", "02-05-17/*.jpg"},
        copy, out, err));
    EXPECT_EQ(copy.port, "COM3");
    EXPECT_TRUE(copy.transfer.onlyNew);
    EXPECT_TRUE(copy.transfer.makeDestination);
    EXPECT_EQ(copy.transfer.items, std::vector<std::string>{"02-05-17/*.jpg"});
    Invocation remove;
    ASSERT_FALSE(ParseCommandLine({"pixlor", "delete", "--all", "--yes"}, remove, out, err));
    EXPECT_TRUE(remove.remove.all);
    Invocation info;
    ASSERT_FALSE(ParseCommandLine({"pixlor", "info"}, info, out, err));
    EXPECT_EQ(info.command, Command::Info);
    Invocation json;
    ASSERT_FALSE(ParseCommandLine({"pixlor", "list", "--json"}, json, out, err));
    EXPECT_TRUE(json.list.json);
    EXPECT_FALSE(json.port.has_value());
    // Options for one command: an empty port is kept, to be refused in words, not dropped.
    Invocation own;
    ASSERT_FALSE(
        ParseCommandLine({"pixlor", "--port", "", "--speed", "9600", "--log", "l.txt", "move", "d",
                          "--filename", "x%2H_", "--folder", "", "#3", "@2002-07-05T12:00:00"},
                         own, out, err));
    EXPECT_EQ(own.port, "");
    EXPECT_EQ(own.speed, 9600);
    EXPECT_EQ(own.logFile, "l.txt");
    EXPECT_EQ(own.transfer.filename, "x%2H_");
    EXPECT_EQ(own.transfer.folder, "");
    EXPECT_EQ(own.transfer.items, (std::vector<std::string>{"#3", "@2002-07-05T12:00:00"}));
    Invocation detect;
    ASSERT_FALSE(ParseCommandLine({"pixlor", "detect"}, detect, out, err));
    EXPECT_EQ(detect.command, Command::Detect);
}

struct KeyCase {
    bool thumbnailView;
    CopyKinds kinds;
    bool photos;
    std::optional<bool> photoFolders;
    unsigned controlState;
};

TEST(CopyKeys, GiveEveryCombinationOfKindsAndFoldersItsShiftState) {
    // clang-format off
    const KeyCase cases[] = {
        {false, CopyKinds::One, true, std::nullopt, 0},
        {false, CopyKinds::One, false, std::nullopt, PKF_SHIFT},
        {false, CopyKinds::One, true, false, PKF_CONTROL},
        {false, CopyKinds::One, false, true, PKF_CONTROL | PKF_SHIFT},
        {true, CopyKinds::One, false, std::nullopt, 0},
        {true, CopyKinds::One, true, std::nullopt, PKF_SHIFT},
        {true, CopyKinds::One, false, true, PKF_CONTROL},
        {true, CopyKinds::One, true, false, PKF_CONTROL | PKF_SHIFT},
        {false, CopyKinds::BothOwnFolders, true, std::nullopt, PKF_ALT},
        {false, CopyKinds::BothOneFolder, true, std::nullopt, PKF_ALT | PKF_SHIFT},
        {false, CopyKinds::BothOneFolder, true, true, PKF_ALT | PKF_SHIFT},
        {false, CopyKinds::BothOneFolder, true, false, PKF_ALT | PKF_CONTROL},
        {true, CopyKinds::BothOneFolder, true, false, PKF_ALT | PKF_SHIFT},
        {true, CopyKinds::BothOneFolder, true, true, PKF_ALT | PKF_CONTROL},
    };
    // clang-format on
    for (const KeyCase& c : cases) {
        CopyChoice choice{c.thumbnailView, c.kinds, c.photos, c.photoFolders, false};
        EXPECT_EQ(CopyKeyFor(choice).controlState, c.controlState)
            << "view " << c.thumbnailView << " kinds " << static_cast<int>(c.kinds) << " photos "
            << c.photos << " folders " << c.photoFolders.value_or(-1);
        EXPECT_EQ(CopyKeyFor(choice).key, VK_F5);
        choice.move = true;
        EXPECT_EQ(CopyKeyFor(choice).key, VK_F6);
    }
}

}  // namespace
}  // namespace pixlor::host::cli
