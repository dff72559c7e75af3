// What the uninstaller reads from "install.ini" and the key store, and what
// its removal touches, driven in this process on an installed title.
#include "install/UninstallDialog.h"
#include "InstalledTitle.h"
#include "platform/Drives.h"

#include <gtest/gtest.h>
#include <cstdlib>
#include <string>

namespace {

using install::Root;
using install::UninstallDialog;
using installtest::InstalledTitle;

// The environment of a user whose home is the title's, put back when it goes.
class HomeEnvironment {
public:
    explicit HomeEnvironment(const std::string& home)
    {
        for (const char* name : names) {
            const char* value = std::getenv(name);
            saved.push_back(value ? std::make_pair(true, std::string(value)) : std::make_pair(false, std::string()));
            unsetenv(name);
        }
        setenv("HOME", home.c_str(), 1);
    }
    ~HomeEnvironment()
    {
        for (size_t i = 0; i < saved.size(); ++i)
            if (saved[i].first)
                setenv(names[i], saved[i].second.c_str(), 1);
            else
                unsetenv(names[i]);
    }

private:
    static constexpr const char* names[] = {"HOME", "XDG_CONFIG_HOME", "XDG_DATA_HOME"};
    std::vector<std::pair<bool, std::string>> saved;
};

class UninstallDialogTest : public ::testing::Test {
protected:
    UninstallDialogTest() : env(title.home), dialog(platform::toEnginePath(title.program + "/install.ini")) {}

    void replaceInIni(const std::string& from, const std::string& to)
    {
        std::string ini = title.tmp.read("home/Games/Zamek/install.ini");
        ASSERT_NE(ini.find(from), std::string::npos) << from;
        ini.replace(ini.find(from), from.size(), to);
        title.tmp.write("home/Games/Zamek/install.ini", ini);
    }

    InstalledTitle title;
    HomeEnvironment env;
    UninstallDialog dialog;
};

TEST_F(UninstallDialogTest, KeysAreNamedByOptionAndTextsComeFromTheLangSection)
{
    ASSERT_TRUE(dialog.OnInitDialog());
    EXPECT_EQ(dialog.userKey, "Software\\DovirAvura\\Zamek_PL");
    EXPECT_EQ(dialog.uninstallKey, "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zamek_PL");
    EXPECT_EQ(dialog.exitText, "Wyj\x9C" "cie");
    EXPECT_EQ(dialog.shortcutCount, 3);
    EXPECT_EQ(dialog.shortcuts[2].description, "Odinstaluj");
    EXPECT_EQ(dialog.shortcuts[2].file, title.program + "\\Install");
    EXPECT_EQ(dialog.shortcuts[2].work, title.program);

    // A "Lang" other than "Language" changes the section of the texts, not
    // the keys' names.
    std::string store = title.tmp.read("home/.config/quarnel/HKEY_CURRENT_USER.keys");
    store.replace(store.find("Lang=PL"), 7, "Lang=EN");
    title.tmp.write("home/.config/quarnel/HKEY_CURRENT_USER.keys", store);
    UninstallDialog english(dialog.iniPath);
    ASSERT_TRUE(english.OnInitDialog());
    EXPECT_EQ(english.userKey, dialog.userKey);
    EXPECT_EQ(english.uninstallKey, dialog.uninstallKey);
    EXPECT_EQ(english.language, "EN");
    EXPECT_EQ(english.caption, "Castle");
    EXPECT_EQ(english.uninstallText, "Uninstall");
    EXPECT_EQ(english.programName, "Castle");
    EXPECT_EQ(english.bitmap, "");
    EXPECT_EQ(english.shortcutCount, 1);
    EXPECT_EQ(english.shortcuts[0].description, "Play");
}

TEST(UninstallNameTest, OnlyPlainNamesAreTakenFromTheSettings)
{
    const struct {
        const char* name;
        bool plain;
    } cases[] = {{"Graj", true},     {"Graj.lnk", true}, {"Dovir Avura", true}, {"...", true},
                 {"", false},        {".", false},       {"..", false},         {"../Other", false},
                 {"a\\b", false},    {"/etc", false},    {"C:Graj", false},     {"c:", false}};
    for (const auto& c : cases)
        EXPECT_EQ(install::isPlainName(c.name), c.plain) << c.name;
}

// Ten records are read and removed at most; a description that leads out of
// the program's menu folder is refused, and what it names stays.
TEST_F(UninstallDialogTest, AtMostTenShortcutsAreRemovedAndNoneOutsideTheProgramsFolder)
{
    std::string records = "Shortcuts=12\r\nDescription0=../Other/Play\r\nDescription1=..\r\nDescription2=/Graj\r\n"
                          "Description3=C:Graj\r\nDescription4=\r\n";
    for (int i = 5; i < 12; ++i) {
        records += "Description" + std::to_string(i) + "=E" + std::to_string(i) + "\r\n";
        title.tmp.write("home/.local/share/applications/Dovir Avura/Zamek/E" + std::to_string(i) + ".desktop", "");
    }
    replaceInIni("Shortcuts=3\r\n", records);
    ASSERT_TRUE(dialog.OnInitDialog());
    EXPECT_EQ(dialog.shortcutCount, 12);
    EXPECT_EQ(dialog.shortcuts[9].description, "E9");

    auto before = title.snapshot();
    EXPECT_TRUE(dialog.RemoveShortcutsAndUninstallEntry());
    EXPECT_EQ(title.changesSince(before), "~ /.config/quarnel/HKEY_LOCAL_MACHINE.keys\n"
                                          "- /.local/share/applications/Dovir Avura/Zamek/E5.desktop\n"
                                          "- /.local/share/applications/Dovir Avura/Zamek/E6.desktop\n"
                                          "- /.local/share/applications/Dovir Avura/Zamek/E7.desktop\n"
                                          "- /.local/share/applications/Dovir Avura/Zamek/E8.desktop\n"
                                          "- /.local/share/applications/Dovir Avura/Zamek/E9.desktop\n");
}

// Without a company the program's folder lies in the menu folder, which
// stays even when it is left empty; a company name that is no plain name
// keeps the menu untouched, while the uninstall entry still goes.
TEST_F(UninstallDialogTest, TheMenuFolderItselfIsNeverRemoved)
{
    replaceInIni("IDS_COMPANY_NAME=Dovir Avura", "IDS_COMPANY_NAME=");
    ASSERT_EQ(testsupport::shell("rm -r '" + title.menu + "'/* && mkdir '" + title.menu + "/Zamek' && touch '" +
                                 title.menu + "/Zamek/Graj.desktop'"),
              0);
    ASSERT_TRUE(dialog.OnInitDialog());
    auto before = title.snapshot();
    dialog.RemoveShortcutsAndUninstallEntry();
    EXPECT_EQ(title.changesSince(before), "~ /.config/quarnel/HKEY_LOCAL_MACHINE.keys\n"
                                          "- /.local/share/applications/Zamek\n"
                                          "- /.local/share/applications/Zamek/Graj.desktop\n");

    UninstallDialog outside(dialog.iniPath);
    replaceInIni("IDS_COMPANY_NAME=", "IDS_COMPANY_NAME=..");
    title.tmp.write("home/.local/share/applications/Zamek/Graj.desktop", "");
    title.tmp.write("home/.config/quarnel/HKEY_LOCAL_MACHINE.keys", installtest::machineStoreText);
    ASSERT_TRUE(outside.OnInitDialog());
    before = title.snapshot();
    outside.RemoveShortcutsAndUninstallEntry();
    EXPECT_EQ(title.changesSince(before), "~ /.config/quarnel/HKEY_LOCAL_MACHINE.keys\n");
}

// A value that does not fit the 200-byte buffer with its terminator cannot
// be read, so it is not deleted on its own; the key tree still goes.
TEST_F(UninstallDialogTest, ALongValueIsUnreadableButGoesWithItsKey)
{
    const std::string key = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Zamek_PL";
    title.tmp.write("home/.config/quarnel/HKEY_LOCAL_MACHINE.keys", "[" + key + "]\nDisplayName=" +
                                                                        std::string(199, 'n') + "\nUninstallString=" +
                                                                        std::string(200, 'u') + "\n");
    std::string value;
    EXPECT_TRUE(dialog.ReadRegistryString(Root::LocalMachine, key, "DisplayName", value));
    EXPECT_EQ(value, std::string(199, 'n'));
    EXPECT_FALSE(dialog.ReadRegistryString(Root::LocalMachine, key, "UninstallString", value));
    EXPECT_FALSE(dialog.DeleteRegistryValue(Root::LocalMachine, key, "Nothing"));
    EXPECT_TRUE(dialog.DeleteRegistryValue(Root::LocalMachine, key, "displayname"));
    EXPECT_TRUE(dialog.DeleteRegistryTree(Root::LocalMachine, key));
    EXPECT_FALSE(dialog.DeleteRegistryTree(Root::LocalMachine, key));
    EXPECT_EQ(title.tmp.read("home/.config/quarnel/HKEY_LOCAL_MACHINE.keys"),
              "; Quarnel key store: one root of keys, replaced whole on each change\n"
              "[Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall]\n");
}

// A machine store that is not one is refused by the check, and keeps its
// bytes. Removed regardless (as when it breaks after the check), the menu
// entries go first and the removal answers false with the reason.
TEST_F(UninstallDialogTest, AnUnreadableStoreIsLeftAsItIsAndNamed)
{
    const std::string broken = std::string(installtest::machineStoreText) + "[Software\\\\Broken]\r\n";
    title.tmp.write("home/.config/quarnel/HKEY_LOCAL_MACHINE.keys", broken);
    const std::string reason =
        "the key store " + title.machineStore + " cannot be read: line 10 is neither a key, a value nor a comment";
    ASSERT_TRUE(dialog.OnInitDialog());
    EXPECT_EQ(dialog.CheckKeyStore(), reason);
    auto before = title.snapshot();
    EXPECT_FALSE(dialog.RemoveShortcutsAndUninstallEntry());
    EXPECT_EQ(title.changesSince(before), "- /.local/share/applications/Dovir Avura/Zamek\n"
                                          "- /.local/share/applications/Dovir Avura/Zamek/Graj.desktop\n"
                                          "- /.local/share/applications/Dovir Avura/Zamek/Odinstaluj.desktop\n"
                                          "- /.local/share/applications/Dovir Avura/Zamek/Pomoc.desktop\n");
    EXPECT_EQ(dialog.storeFailure, reason);
}

// The program's folder goes with the uninstaller only when it is empty.
TEST_F(UninstallDialogTest, TheProgramFolderGoesOnlyWhenEmpty)
{
    ASSERT_TRUE(dialog.OnInitDialog());
    dialog.RunUninstall();
    EXPECT_EQ(dialog.programPath, title.program);
    EXPECT_EQ(title.snapshot().count("/Games/Zamek/Rara/application.def"), 1u);
    ASSERT_EQ(testsupport::shell("rm -r '" + title.program + "'/*"), 0);
    dialog.RunUninstall();
    EXPECT_EQ(title.snapshot().count("/Games/Zamek"), 0u);
    EXPECT_EQ(title.snapshot().count("/Games"), 1u);
}

} // namespace
