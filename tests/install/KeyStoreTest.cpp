// The key store that stands in for the registry: its file format, and its
// refusal to read or rewrite a file that is not one.
#include "install/KeyStore.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace {

using install::Key;
using install::KeyStore;

std::vector<std::string> filesIn(const std::string& folder)
{
    std::vector<std::string> names;
    if (DIR* d = opendir(folder.c_str())) {
        while (dirent* e = readdir(d))
            if (e->d_name[0] != '.')
                names.push_back(e->d_name);
        closedir(d);
    }
    return names;
}

// An installer's file: comments, CR LF and LF, a key named twice, a parent
// only implied by its child, escapes, a value named twice, names in other
// letter case.
const char* const written = "; made by hand\r\n"
                            "\r\n"
                            "[Software\\DovirAvura\\Zamek_PL]\r\n"
                            "Lang=PL\r\n"
                            "ProgramPath=C:\\Gry\\Zamek\n"
                            "[Software\\Microsoft\\Uninstall\\Zamek_PL]\n"
                            "UninstallString=\"C:\\Gry\\Zamek\\Install\" %3D%25%0A%5Bx%5D\n"
                            "a%3Db=1\n"
                            "%3Bnot a comment=%3B\n"
                            "[software\\dovirAVURA\\zamek_pl]\n"
                            "LANG=EN\n"
                            "[Software\\Microsoft\\Uninstall\\Empty]\n"
                            "=default\n";

TEST(KeyStoreTest, ReadsAnInstallersFileAndWritesItBackInItsOwnForm)
{
    KeyStore store;
    ASSERT_TRUE(store.parse(written));
    Key* title = KeyStore::open(store.root, "SOFTWARE\\DovirAvura\\Zamek_PL");
    ASSERT_NE(title, nullptr);
    ASSERT_NE(title->value("lang"), nullptr);
    EXPECT_EQ(*title->value("lang"), "EN");
    EXPECT_EQ(*title->value("ProgramPath"), "C:\\Gry\\Zamek");
    Key* entry = KeyStore::open(store.root, "Software\\Microsoft\\Uninstall\\Zamek_PL");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(*entry->value("UninstallString"), "\"C:\\Gry\\Zamek\\Install\" =%\n[x]");
    EXPECT_EQ(*entry->value("a=b"), "1");
    EXPECT_EQ(*entry->value(";not a comment"), ";");
    EXPECT_EQ(*KeyStore::open(store.root, "Software\\Microsoft\\Uninstall\\Empty")->value(""), "default");
    EXPECT_NE(KeyStore::open(store.root, "Software\\Microsoft"), nullptr);
    EXPECT_EQ(KeyStore::open(store.root, "Software\\\\Microsoft"), nullptr);
    EXPECT_EQ(KeyStore::open(store.root, "Software\\Nothing"), nullptr);

    const std::string text = store.text();
    EXPECT_EQ(text, "; Quarnel key store: one root of keys, replaced whole on each change\n"
                    "[Software\\DovirAvura\\Zamek_PL]\n"
                    "ProgramPath=C:\\Gry\\Zamek\n"
                    "LANG=EN\n"
                    "[Software\\Microsoft\\Uninstall\\Zamek_PL]\n"
                    "UninstallString=\"C:\\Gry\\Zamek\\Install\" %3D%25%0A%5Bx%5D\n"
                    "a%3Db=1\n"
                    "%3Bnot a comment=%3B\n"
                    "[Software\\Microsoft\\Uninstall\\Empty]\n"
                    "=default\n");
    KeyStore again;
    ASSERT_TRUE(again.parse(text));
    EXPECT_EQ(again.text(), text);
}

TEST(KeyStoreTest, EveryByteOfANameOrValueComesBack)
{
    std::string bytes;
    for (int c = 1; c < 256; ++c)
        bytes += char(c);
    KeyStore store;
    store.root.subkeys.push_back(std::make_unique<Key>());
    Key& key = *store.root.subkeys.back();
    key.name = bytes.substr(0, 91) + bytes.substr(92); // without the separator
    key.values.emplace_back(bytes, bytes);
    KeyStore again;
    ASSERT_TRUE(again.parse(store.text()));
    ASSERT_EQ(again.root.subkeys.size(), 1u);
    EXPECT_EQ(again.root.subkeys[0]->name, key.name);
    ASSERT_NE(again.root.subkeys[0]->value(bytes), nullptr);
    EXPECT_EQ(*again.root.subkeys[0]->value(bytes), bytes);
}

TEST(KeyStoreTest, AFileThatIsNotAStoreIsRefusedWhole)
{
    std::string deep = "[";
    for (int i = 0; i < 513; ++i)
        deep += i ? "\\k" : "k";
    deep += "]\n";
    // Each after a good key, so that what was read before is dropped too.
    for (const char* bad : {"x=1\n[a]\n",  // a value before any key (the first line)
                            "[]\n",         // no key name
                            "[a\\\\b]\n",   // an empty name in the path
                            "[a\\]\n",      // a trailing separator
                            "[a\n",         // no closing bracket
                            "[a]\nLang\n",  // a line that is neither
                            "[a]\nx=%4\n",  // a cut escape
                            "[a]\nx=%G1\n", // not hex
                            "[a%zz]\n",
                            "[a%5Cb]\n"}) { // a separator in a name
        std::string text = bad[0] == 'x' ? std::string(bad) : std::string("[ok]\nv=1\n") + bad;
        KeyStore store;
        EXPECT_FALSE(store.parse(text)) << text;
        EXPECT_TRUE(store.root.subkeys.empty()) << text;
    }
    KeyStore store;
    EXPECT_FALSE(store.parse("; a store\n[ok]\nv=1\n\nLang\n"));
    EXPECT_EQ(store.error, "line 5 is neither a key, a value nor a comment");
    EXPECT_FALSE(store.parse(deep));
    EXPECT_TRUE(store.parse(deep.substr(0, deep.size() - 4) + "]\n")); // 512 levels
}

TEST(KeyStoreTest, LoadsAndReplacesTheFileWhole)
{
    testsupport::TempDir tmp;
    KeyStore store;
    EXPECT_TRUE(store.load(tmp.file("missing.keys")));
    EXPECT_TRUE(store.root.subkeys.empty());
    EXPECT_FALSE(store.load(tmp.path())); // a folder

    tmp.write("a.keys", written);
    chmod(tmp.file("a.keys").c_str(), 0640);
    ASSERT_TRUE(store.load(tmp.file("a.keys")));
    ASSERT_TRUE(KeyStore::open(store.root, "Software\\Microsoft\\Uninstall")->removeSubkey("empty"));
    ASSERT_TRUE(store.save(tmp.file("a.keys")));
    KeyStore back;
    ASSERT_TRUE(back.load(tmp.file("a.keys")));
    EXPECT_EQ(back.text(), store.text());
    EXPECT_EQ(KeyStore::open(back.root, "Software\\Microsoft\\Uninstall\\Empty"), nullptr);
    struct stat st;
    ASSERT_EQ(stat(tmp.file("a.keys").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
    // Neither the new file nor canSave's leaves a temporary behind.
    EXPECT_TRUE(store.canSave(tmp.file("a.keys")));
    EXPECT_EQ(filesIn(tmp.path()), std::vector<std::string>{"a.keys"});

    // A link at the store's name is replaced by a file with the permissions
    // of the one it points at, which stays as it was.
    tmp.write("target.keys", written);
    chmod(tmp.file("target.keys").c_str(), 0604);
    ASSERT_EQ(symlink(tmp.file("target.keys").c_str(), tmp.file("b.keys").c_str()), 0);
    ASSERT_TRUE(store.save(tmp.file("b.keys")));
    ASSERT_EQ(lstat(tmp.file("b.keys").c_str(), &st), 0);
    EXPECT_TRUE(S_ISREG(st.st_mode));
    EXPECT_EQ(st.st_mode & 07777, 0604u);
    EXPECT_EQ(tmp.read("b.keys"), store.text());
    EXPECT_EQ(tmp.read("target.keys"), written);
    ASSERT_EQ(stat(tmp.file("target.keys").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0604u);

    // A folder that is not there takes no new file, and says so.
    const std::string lost = tmp.file("gone/a.keys");
    EXPECT_FALSE(store.canSave(lost));
    EXPECT_EQ(store.error, "cannot make a file in " + tmp.file("gone") + ": No such file or directory");
    EXPECT_FALSE(store.save(lost));
    EXPECT_EQ(store.error, "cannot make a file in " + tmp.file("gone") + ": No such file or directory");
}

TEST(KeyStoreTest, OnlyAKeyWithoutSubkeysIsRemoved)
{
    KeyStore store;
    ASSERT_TRUE(store.parse("[a\\b]\nx=1\n"));
    EXPECT_FALSE(store.root.removeSubkey("A"));
    EXPECT_FALSE(store.root.removeSubkey("c"));
    EXPECT_TRUE(KeyStore::open(store.root, "a")->removeSubkey("B"));
    EXPECT_TRUE(store.root.removeSubkey("A"));
    EXPECT_TRUE(KeyStore::open(store.root, "") == &store.root);
}

} // namespace
