// The uninstaller program run as a user runs it, in a home folder of its
// own: unattended, on the terminal, and without what it needs.
#include "InstalledTitle.h"

#include <gtest/gtest.h>
#include <map>
#include <string>
#include <vector>

namespace {

using installtest::expectUninstalled;
using installtest::InstalledTitle;

// Removed: the menu entries named by the shortcut records, the program's
// menu folder and its uninstall entry with all its subkeys. Kept: the
// company's folder, which holds another program, an entry of the same name
// elsewhere in the menu, the title's files (the shared uninstaller's work)
// and its user key, which the shared uninstaller is handed. The folders are
// found from HOME, or from the XDG variables where they name absolute ones.
TEST(InstallProgramTest, UnattendedItRemovesTheTitlesEntriesAndHandsOver)
{
    for (bool xdg : {false, true}) {
        InstalledTitle title;
        std::vector<std::string> env;
        if (xdg)
            env = {"HOME=/nonexistent", "XDG_CONFIG_HOME=" + title.home + "/.config",
                   "XDG_DATA_HOME=" + title.home + "/.local/share"};
        auto before = title.snapshot();
        EXPECT_EQ(title.run({"--yes"}, "", env), 0) << title.errors();
        expectUninstalled(title, before);
        EXPECT_EQ(title.errors(), "");
    }
}

// Without a display it asks on the terminal; only "1" uninstalls.
TEST(InstallProgramTest, OnTheTerminalOnlyTheFirstChoiceUninstalls)
{
    for (const char* answer : {"2\n", "", "yes\n", "11\n"}) {
        InstalledTitle title;
        auto before = title.snapshot();
        EXPECT_EQ(title.run({}, answer), 0) << answer;
        EXPECT_EQ(title.changesSince(before), "") << answer;
    }
    InstalledTitle title;
    auto before = title.snapshot();
    EXPECT_EQ(title.run({}, " 1\n"), 0) << title.errors();
    expectUninstalled(title, before);
    // The prompt shows the texts in the chosen language, in UTF-8.
    EXPECT_EQ(title.output(), "Zamek - odinstalowanie\n  1  Odinstaluj\n  2  Wyj\u015Bcie\n> ");
}

TEST(InstallProgramTest, WithoutLangInTheUserKeyItEndsWith100AndRemovesNothing)
{
    InstalledTitle title;
    std::string store = title.tmp.read("home/.config/quarnel/HKEY_CURRENT_USER.keys");
    store.erase(store.find("Lang=PL\n"), 8);
    title.tmp.write("home/.config/quarnel/HKEY_CURRENT_USER.keys", store);
    auto before = title.snapshot();
    EXPECT_EQ(title.run({"--yes"}), 100);
    EXPECT_EQ(title.changesSince(before), "");
    EXPECT_NE(title.errors().find("no \"Lang\""), std::string::npos) << title.errors();
}

// A key store that is not one is neither read nor rewritten: the title
// counts as not installed.
TEST(InstallProgramTest, AnUnreadableUserStoreCountsAsNoLang)
{
    InstalledTitle title;
    title.tmp.write("home/.config/quarnel/HKEY_CURRENT_USER.keys", "Lang=PL\n[Software]\n");
    auto before = title.snapshot();
    EXPECT_EQ(title.run({"--yes"}), 100);
    EXPECT_EQ(title.changesSince(before), "");
}

// Without a data folder (no XDG_DATA_HOME, no HOME) there is neither a menu
// folder nor a shared uninstaller: nothing of the menu or the uninstall
// entry is removed, and it ends with a message instead of handing over.
TEST(InstallProgramTest, WithoutADataFolderItEndsWithAMessageAndNoHandOver)
{
    InstalledTitle title;
    auto before = title.snapshot();
    EXPECT_EQ(title.run({"--yes"}, "", {"HOME", "XDG_CONFIG_HOME=" + title.home + "/.config"}), 1);
    EXPECT_EQ(title.changesSince(before), "");
    EXPECT_NE(title.errors().find("shared uninstaller"), std::string::npos) << title.errors();
}

TEST(InstallProgramTest, AMissingSharedUninstallerEndsWithAMessage)
{
    InstalledTitle title;
    ASSERT_EQ(std::remove((title.home + "/.local/share/DovirAvura/globalUninst").c_str()), 0);
    EXPECT_EQ(title.run({"--yes"}), 1);
    EXPECT_NE(title.errors().find("cannot start the shared uninstaller"), std::string::npos) << title.errors();
    EXPECT_EQ(title.handOver(), "");
}

TEST(InstallProgramTest, AnUnknownSwitchChangesNothing)
{
    InstalledTitle title;
    auto before = title.snapshot();
    EXPECT_EQ(title.run({"--force"}), 2);
    EXPECT_EQ(title.changesSince(before), "");
}

} // namespace
