// What the host program tells about a scene's plug-ins, its objects and its
// definition file when they cannot serve: a plug-in that is not there, is
// another library or no library at all, an object of a type nothing makes,
// a snapshot record nothing restores, a definition file that is missing or
// damaged. One line on standard error for each, however often the scene is
// entered; the title plays on, and a snapshot that would lose objects is
// not written.
#include "support/ChildProgram.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

const std::string BIN = [] {
    std::string program = QUARNEL_HOST_PROGRAM;
    return program.substr(0, program.rfind('/'));
}();

// The application enters S, enters it once more, then ends.
std::string application(const std::string& dlls)
{
    return "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=E\nOBJECT=E\nE:TYPE=EPISODE\nE:SCENES=S\n"
           "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\nS:DLLS=" +
           dlls + "\n";
}

const char* const GAME =
    "OBJECT=N\nN:TYPE=INTEGER\nN:VALUE=0\n"
    "OBJECT=TK\nTK:TYPE=TIMER\nTK:ELAPSE=1\n"
    "TK:ONTICK={N^INC();@IF(\"N'3\",{GAME^RESTART();},\"\");@IF(\"N'6\",{GAME^EXIT();},\"\");}\n";

// Bytes of no text: control bytes and zeros among letters.
std::string garbage()
{
    std::string bytes;
    uint32_t x = 12345;
    for (int i = 0; i < 400; ++i) {
        x = x * 1103515245u + 12345u;
        bytes += char(x >> 24);
    }
    return bytes;
}

struct Case {
    const char* what;
    std::string dlls;
    // S.cnv: none when not given.
    bool sceneFile;
    std::string scene;
    const char* switches;
    int code;
    // The lines of standard error, in order; "{bin}" is the program's
    // folder, "{title}" the title's, and a line ending in '*' is matched up
    // to there (the rest is the loader's own words).
    std::vector<std::string> lines;
};

std::string expand(std::string text, const std::string& title)
{
    for (const auto& [key, value] : {std::pair<std::string, std::string>{"{bin}", BIN}, {"{title}", title}})
        for (size_t at; (at = text.find(key)) != std::string::npos;)
            text.replace(at, key.size(), value);
    return text;
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    size_t at = 0;
    for (size_t end; (end = text.find('\n', at)) != std::string::npos; at = end + 1)
        lines.push_back(text.substr(at, end - at));
    if (at < text.size())
        lines.push_back(text.substr(at));
    return lines;
}

int play(const testsupport::TempDir& tmp, const std::string& switches, std::string* err)
{
    std::vector<std::string> words;
    size_t at = 0;
    for (size_t end; at < switches.size(); at = end + 1) {
        end = switches.find(' ', at);
        if (end == std::string::npos)
            end = switches.size();
        words.push_back(switches.substr(at, end - at));
    }
    std::remove(tmp.file("err.txt").c_str());
    testsupport::ChildProgram host(QUARNEL_HOST_PROGRAM, words, tmp.file("title"), tmp.file("err.txt"));
    int code = host.wait(testsupport::PATIENCE_MS);
    *err = tmp.read("err.txt");
    return code;
}

const std::string WORLD_OBJECT = "OBJECT=W\nW:TYPE=WORLD\n";
const std::string KULKI_OBJECT = "OBJECT=K\nK:TYPE=KULKI\n";
const std::string WORLD_UNMADE = "Quarnel: object \"W\" of the type \"WORLD\" is made by nothing (no engine type, no "
                                 "plug-in of the scene): {title}/Rara/S/S.cnv";

TEST(ScenePluginMessagesTest, WhatCannotServeIsNamedOnce)
{
    const Case cases[] = {
        {"a plug-in that is not there", "Wrld", true, WORLD_OBJECT, "-nogfx -frames 200", 0,
         {"Quarnel: plug-in \"Wrld\" of the scene \"S\" cannot be loaded: {bin}/Wrld.so (cannot open shared object "
          "file: No such file or directory)",
          WORLD_UNMADE}},
        {"another library", "libQuarnelDLL.so", true, WORLD_OBJECT, "-nogfx -frames 200", 0,
         {"Quarnel: plug-in \"libQuarnelDLL.so\" of the scene \"S\" cannot be loaded: {bin}/libQuarnelDLL.so (not a "
          "plug-in: *",
          WORLD_UNMADE}},
        {"no library at all", "NotALibrary", true, WORLD_OBJECT, "-nogfx -frames 200", 0,
         {"Quarnel: plug-in \"NotALibrary\" of the scene \"S\" cannot be loaded: {bin}/NotALibrary.so (*",
          WORLD_UNMADE}},
        {"a name with a folder", "..\\bin\\World", true, "", "-nogfx -frames 200", 0,
         {"Quarnel: plug-in \"..\\bin\\World\" of the scene \"S\" cannot be loaded: a plug-in is looked for by its "
          "name beside the program only"}},
        {"a type nothing makes", "", true, "OBJECT=G\nG:TYPE=GIZMO\n" + KULKI_OBJECT, "-nogfx -frames 200", 0,
         {"Quarnel: object \"G\" of the type \"GIZMO\" is made by nothing (no engine type, no plug-in of the scene): "
          "{title}/Rara/S/S.cnv",
          "Quarnel: object \"K\" of the type \"KULKI\" is made by nothing (no engine type, no plug-in of the scene): "
          "{title}/Rara/S/S.cnv"}},
        {"plug-ins that serve", "TobrikEx.dll,World", true, KULKI_OBJECT + WORLD_OBJECT, "-nogfx -frames 200", 0, {}},
        {"a missing definition", "", false, "", "-nogfx -frames 200", 0,
         {"Quarnel: scene definition \"S.cnv\" not found: {title}/Rara/S/S.cnv"}},
        {"a damaged definition", "", true, garbage(), "-nogfx -frames 200", 0,
         {"Quarnel: scene definition \"S.cnv\" is damaged (not definition text): {title}/Rara/S/S.cnv"}},
        {"a snapshot that would lose objects", "TobrikEx,Wrld", true, KULKI_OBJECT + WORLD_OBJECT,
         "-nogfx -forceCNV -2bin", 1,
         {"Quarnel: plug-in \"Wrld\" of the scene \"S\" cannot be loaded: {bin}/Wrld.so (*", WORLD_UNMADE,
          "Quarnel: \"application.bin\" was not written: a plug-in of the scene \"S\" cannot be loaded"}},
    };
    for (const Case& c : cases) {
        testsupport::TempDir tmp;
        const std::string title = tmp.file("title");
        testsupport::writeTitle(tmp, {{"title/Rara/application.def", application(c.dlls)},
                                      {"title/Rara/GAME.cnv", GAME}});
        // A snapshot written before stays as it was. Without the definition
        // the scene's folder is missing too.
        if (c.sceneFile)
            testsupport::writeTitle(tmp, {{"title/Rara/S/S.cnv", c.scene}, {"title/Rara/S/S.bin", "earlier"}});
        std::string err;
        EXPECT_EQ(play(tmp, c.switches, &err), c.code) << c.what << "\n" << err;
        std::vector<std::string> lines = linesOf(err);
        ASSERT_EQ(lines.size(), c.lines.size()) << c.what << "\n" << err;
        for (size_t i = 0; i < lines.size(); ++i) {
            std::string expected = expand(c.lines[i], title);
            if (expected.back() == '*') {
                expected.pop_back();
                EXPECT_EQ(lines[i].substr(0, expected.size()), expected) << c.what;
            } else {
                EXPECT_EQ(lines[i], expected) << c.what;
            }
        }
        EXPECT_EQ(tmp.read("title/Rara/S/S.bin"), c.sceneFile ? "earlier" : "") << c.what;
        EXPECT_EQ(tmp.read("title/Rara/application.bin"), "") << c.what;
        EXPECT_EQ(tmp.read("title/Rara/S/S.bin.tmp"), "") << c.what;
        // Played through: the scene was entered twice.
        if (c.code == 0) {
            EXPECT_NE(tmp.read("title/Quarnel.ini").find("Played=2"), std::string::npos) << c.what;
        }
    }
}

// A snapshot whose plug-in is gone since it was written: the plug-in and
// the first record nobody restores are named.
TEST(ScenePluginMessagesTest, ASnapshotRecordNobodyRestoresIsNamed)
{
    testsupport::TempDir tmp;
    testsupport::writeTitle(tmp, {{"title/Rara/application.def", application("TobrikEx")},
                                  {"title/Rara/GAME.cnv", GAME},
                                  {"title/Rara/S/S.cnv", "OBJECT=A\nA:TYPE=INTEGER\n" + KULKI_OBJECT +
                                                             "OBJECT=B\nB:TYPE=INTEGER\n"}});
    std::string err;
    ASSERT_EQ(play(tmp, "-nogfx -2bin", &err), 0) << err;
    EXPECT_EQ(err, "");
    // "TobrikEx" becomes "TobrikEy", a plug-in of the same length that is not there.
    std::string bytes = tmp.read("title/Rara/S/S.bin");
    ASSERT_EQ(bytes.substr(4, 8), "TobrikEx");
    bytes[11] = 'y';
    tmp.write("title/Rara/S/S.bin", bytes);
    EXPECT_EQ(play(tmp, "-nogfx -frames 200", &err), 0) << err;
    std::vector<std::string> lines = linesOf(err);
    ASSERT_EQ(lines.size(), 2u) << err;
    EXPECT_EQ(lines[0].substr(0, lines[0].find(" (")),
              "Quarnel: plug-in \"TobrikEy\" of the scene \"S\" cannot be loaded: " + BIN + "/TobrikEy.so");
    EXPECT_EQ(lines[1], "Quarnel: record 3 of 3 (type 10000) of the snapshot of the scene \"S\" is made by nothing "
                        "(no engine type, no plug-in of the scene); it and the records after it are left out: " +
                            tmp.file("title/Rara/S/S.bin"));
}

} // namespace
