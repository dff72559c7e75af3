// The uninstaller program run as a user runs it, in a home folder of its
// own: unattended, on the terminal, and without what it needs.
#include "InstalledTitle.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
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

// Moves a file or folder below the home folder elsewhere below it and puts
// a symbolic link to it in its place.
void replaceByLink(const InstalledTitle& title, const std::string& from, const std::string& to)
{
    testsupport::makeDirs(title.home + "/elsewhere");
    ASSERT_EQ(std::rename((title.home + from).c_str(), (title.home + to).c_str()), 0) << from;
    ASSERT_EQ(symlink((title.home + to).c_str(), (title.home + from).c_str()), 0) << from;
}

// Nothing goes through a link in the menu: a company or program folder that
// is one stays with all it leads to, byte for byte, and is named; the
// uninstall entry still goes. A shortcut that is a link goes as a link.
TEST(InstallProgramTest, NothingIsRemovedThroughALinkInTheMenu)
{
    const std::string company = "/.local/share/applications/Dovir Avura";
    const struct {
        std::string link, target, changes;
        bool named;
    } cases[] = {
        {company, "/elsewhere/Dovir Avura", "~ /.config/quarnel/HKEY_LOCAL_MACHINE.keys\n+ /handover.txt\n", true},
        {company + "/Zamek", "/elsewhere/Zamek", "~ /.config/quarnel/HKEY_LOCAL_MACHINE.keys\n+ /handover.txt\n",
         true},
        {company + "/Zamek/Graj.desktop", "/elsewhere/Graj.desktop",
         "~ /.config/quarnel/HKEY_LOCAL_MACHINE.keys\n" + std::string("- ") + company + "/Zamek\n- " + company +
             "/Zamek/Graj.desktop\n- " + company + "/Zamek/Odinstaluj.desktop\n- " + company +
             "/Zamek/Pomoc.desktop\n+ /handover.txt\n",
         false},
    };
    for (const auto& c : cases) {
        InstalledTitle title;
        replaceByLink(title, c.link, c.target);
        auto before = title.snapshot();
        EXPECT_EQ(title.run({"--yes"}), 0) << c.link << title.errors();
        // The snapshot holds what the links lead to, under its own name.
        EXPECT_EQ(title.changesSince(before), c.changes) << c.link;
        EXPECT_EQ(title.errors(), c.named ? "Install: the menu folder " + title.home + c.link +
                                                " is a symbolic link: left alone\n"
                                          : "")
            << c.link;
        EXPECT_EQ(title.handOver(), "Software\\DovirAvura\\Zamek_PL\nSoftware\\DovirAvura\\Zamek_PL\n");
    }
}

// The key store is written to a new file of a name of its own: a link at
// the name of a former temporary is not followed, and one at the store's
// own name is replaced by the new store (and named), what it points at
// left as it was.
TEST(InstallProgramTest, TheKeyStoreIsWrittenThroughNoLink)
{
    InstalledTitle title;
    const std::string store = "/.config/quarnel/HKEY_LOCAL_MACHINE.keys";
    replaceByLink(title, store, "/elsewhere/machine.keys");
    title.tmp.write("home/elsewhere/precious", "not a key store\n");
    ASSERT_EQ(symlink((title.home + "/elsewhere/precious").c_str(), (title.home + store + ".tmp").c_str()), 0);
    auto before = title.snapshot();
    EXPECT_EQ(title.run({"--yes"}), 0) << title.errors();
    expectUninstalled(title, before); // /elsewhere and the ".tmp" link unchanged
    struct stat st;
    ASSERT_EQ(lstat(title.machineStore.c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    ASSERT_EQ(lstat((title.machineStore + ".tmp").c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode));
    EXPECT_EQ(title.errors(), "Install: the key store " + title.machineStore +
                                  " is a symbolic link: it is replaced by a file of its own, and what it points at "
                                  "stays as it is\n");
}

// A machine key store that cannot be read or rewritten keeps the uninstall
// entry from going; then nothing else goes either, no hand-over starts, and
// the reason is given. Run as an ordinary user, to whom a read-only folder
// is read-only.
TEST(InstallProgramTest, AKeyStoreThatCannotBeRewrittenStopsTheUninstallBeforeAnythingGoes)
{
    const struct {
        const char* what;
        bool readOnly;
        std::string reason;
    } cases[] = {
        {"a stray line", false,
         "Install: nothing was removed: the key store @STORE@ cannot be read: line 10 is neither a key, a value nor "
         "a comment\n"},
        {"a read-only folder", true,
         "Install: nothing was removed: the key store @STORE@ cannot be written: cannot make a file in "
         "@FOLDER@: Permission denied\n"},
    };
    for (const auto& c : cases) {
        InstalledTitle title;
        const std::string folder = title.home + "/.config/quarnel";
        if (c.readOnly)
            ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
        else
            title.tmp.write("home/.config/quarnel/HKEY_LOCAL_MACHINE.keys",
                            title.tmp.read("home/.config/quarnel/HKEY_LOCAL_MACHINE.keys") + "stray\r\n");
        auto before = title.snapshot();
        title.asOrdinaryUser = true;
        int code = title.run({"--yes"});
        chmod(folder.c_str(), 0755);
        if (code == InstalledTitle::cannotRunAsOrdinaryUser)
            GTEST_SKIP() << "the super-user cannot give up overriding file permissions here (no CAP_SETPCAP)";
        EXPECT_EQ(code, 1) << c.what;
        EXPECT_EQ(title.changesSince(before), "") << c.what;
        EXPECT_EQ(title.handOver(), "") << c.what;
        std::string reason = c.reason;
        reason.replace(reason.find("@STORE@"), 7, title.machineStore);
        if (reason.find("@FOLDER@") != std::string::npos)
            reason.replace(reason.find("@FOLDER@"), 8, folder);
        EXPECT_EQ(title.errors(), reason) << c.what;
    }
}

// What the uninstaller says when it cannot do its work, as the user sees
// it: each case arranges an installed title, runs the program unattended
// and checks the line told (its only output, as often as given), the exit
// code and what changed; none hands over.
TEST(InstallProgramTest, EachCauseIsToldOnceInOneLine)
{
    const std::string userFile = "home/.config/quarnel/HKEY_CURRENT_USER.keys";
    const std::string machineFile = "home/.config/quarnel/HKEY_LOCAL_MACHINE.keys";
    const std::string menuGone = "- /.local/share/applications/Dovir Avura/Zamek\n"
                                 "- /.local/share/applications/Dovir Avura/Zamek/Graj.desktop\n"
                                 "- /.local/share/applications/Dovir Avura/Zamek/Odinstaluj.desktop\n"
                                 "- /.local/share/applications/Dovir Avura/Zamek/Pomoc.desktop\n";
    const struct {
        const char* what;
        std::function<void(InstalledTitle&)> arrange;
        // "@USER@" and "@MACHINE@" stand for the key stores' paths.
        std::string line;
        int count;
        int code;
        std::string changes;
    } cases[] = {
        {"no Lang in the user key",
         [&](InstalledTitle& t) {
             std::string store = t.tmp.read(userFile);
             store.erase(store.find("Lang=PL\n"), 8);
             t.tmp.write(userFile, store);
         },
         "Install: nothing to uninstall: no \"Lang\" under Software\\DovirAvura\\Zamek_PL in @USER@", 1, 100, ""},
        // Lang is there; the store is neither read nor rewritten.
        {"a stray line in the user store",
         [&](InstalledTitle& t) { t.tmp.write(userFile, t.tmp.read(userFile) + "stray\n"); },
         "Install: nothing was removed: the key store @USER@ cannot be read: line 6 is neither a key, a value nor a "
         "comment",
         1, 100, ""},
        // The store grows past the limit, so that it cannot be written again:
        // the write fails late, once the menu entries are gone; the store
        // is left whole, with no temporary beside it.
        {"a machine store write past the file size limit",
         [&](InstalledTitle& t) {
             t.tmp.write(machineFile, t.tmp.read(machineFile) + "Notes=" + std::string(8000, 'n') + "\r\n");
             t.fileSizeLimit = 4096;
         },
         "Install: the uninstall entry was not removed: the key store @MACHINE@ cannot be written: File too large; "
         "the shared uninstaller was not started",
         1, 1, menuGone},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        InstalledTitle title;
        c.arrange(title);
        auto before = title.snapshot();
        EXPECT_EQ(title.run({"--yes"}), c.code);
        EXPECT_EQ(title.changesSince(before), c.changes);
        EXPECT_EQ(title.handOver(), "");
        std::string line = c.line + "\n", told;
        for (const auto& place : {std::make_pair(std::string("@USER@"), title.userStore),
                                  std::make_pair(std::string("@MACHINE@"), title.machineStore)})
            if (line.find(place.first) != std::string::npos)
                line.replace(line.find(place.first), place.first.size(), place.second);
        for (int i = 0; i < c.count; ++i)
            told += line;
        EXPECT_EQ(title.errors(), told);
    }
}

// A menu folder that takes no change (read-only to the user, as on a
// read-only mount): each entry or emptied folder that cannot go is named,
// the uninstall entry is kept, nothing is handed over and the exit code is
// 1; once the folder can be changed again, a second run finishes the
// uninstall. Run as an ordinary user, to whom a read-only folder is
// read-only.
TEST(InstallProgramTest, AReadOnlyMenuFolderKeepsTheUninstallEntryForALaterRun)
{
    const std::string company = "/.local/share/applications/Dovir Avura";
    const struct {
        std::string readOnly; // below the home folder
        std::vector<std::string> named;
        std::string changes;
    } cases[] = {
        {company + "/Zamek",
         // In the order of the shortcut records.
        {"entry " + company + "/Zamek/Graj.desktop", "entry " + company + "/Zamek/Pomoc.desktop",
          "entry " + company + "/Zamek/Odinstaluj.desktop"},
         ""},
        {company,
         {"folder " + company + "/Zamek"},
         "- " + company + "/Zamek/Graj.desktop\n- " + company + "/Zamek/Odinstaluj.desktop\n- " + company +
             "/Zamek/Pomoc.desktop\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.readOnly);
        InstalledTitle title;
        auto before = title.snapshot();
        const std::string folder = title.home + c.readOnly;
        ASSERT_EQ(chmod(folder.c_str(), 0555), 0);
        title.asOrdinaryUser = true;
        const int code = title.run({"--yes"});
        chmod(folder.c_str(), 0755);
        if (code == InstalledTitle::cannotRunAsOrdinaryUser)
            GTEST_SKIP() << "the super-user cannot give up overriding file permissions here (no CAP_SETPCAP)";
        EXPECT_EQ(code, 1);
        EXPECT_EQ(title.changesSince(before), c.changes);
        EXPECT_EQ(title.handOver(), "");
        std::string told;
        for (const std::string& what : c.named)
            told += "Install: cannot remove the menu " + what.substr(0, what.find(' ') + 1) + title.home +
                    what.substr(what.find(' ') + 1) + ": Permission denied\n";
        EXPECT_EQ(title.errors(), told + "Install: the uninstall entry is kept, so that a later run can finish "
                                         "what is named above; the shared uninstaller was not started\n");

        EXPECT_EQ(title.run({"--yes"}), 0) << title.errors();
        expectUninstalled(title, before);
        EXPECT_EQ(title.errors(), "");
    }
}

TEST(InstallProgramTest, AnUnknownSwitchChangesNothing)
{
    InstalledTitle title;
    auto before = title.snapshot();
    EXPECT_EQ(title.run({"--force"}), 2);
    EXPECT_EQ(title.changesSince(before), "");
}

} // namespace
