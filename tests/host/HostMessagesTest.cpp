// What the program says about a title that cannot have what it asks for, as
// a person starting it sees it: each case runs the program on a small title
// of its own and checks its whole output (one line per cause, once) and its
// exit code. Then the program plays the demo from a folder whose name has a
// blank and letters with diacritics.
#include "HostTitle.h"
#include "graphics/ImageFileData.h"
#include "support/ChildProgram.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

using HostMessagesTest = testsupport::HostTitle;
using Clock = std::chrono::steady_clock;

using Environment = testsupport::ChildEnvironment;

// Whether the process has ended, without taking its exit code.
bool ended(pid_t pid)
{
    siginfo_t info{};
    return waitid(P_PID, id_t(pid), &info, WEXITED | WNOHANG | WNOWAIT) != 0 || info.si_pid != 0;
}

// The value of a key in a settings file's text; empty when missing.
std::string valueIn(const std::string& text, const std::string& key)
{
    const size_t at = text.find("\n" + key + "=");
    if (at == std::string::npos)
        return std::string();
    const size_t start = at + key.size() + 2;
    return text.substr(start, text.find_first_of("\r\n", start) - start);
}

// A WAV file of the format chunk given and a little data.
std::string wav(const std::string& format)
{
    auto le32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    const std::string chunks = "fmt " + le32(uint32_t(format.size())) + format + "data" + le32(8) + std::string(8, '\0');
    return "RIFF" + le32(uint32_t(4 + chunks.size())) + "WAVE" + chunks;
}

// tag, channels, 22050 Hz, bits, then the extra bytes.
std::string fmt(int tag, int channels, int bits, const std::string& extra = std::string())
{
    const int align = channels * bits / 8;
    const uint32_t rate = 22050, bytes = rate * uint32_t(align);
    std::string f{char(tag), char(tag >> 8), char(channels), 0};
    for (uint32_t v : {rate, bytes})
        f += std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
    f += std::string{char(align), 0, char(bits), 0};
    return f + extra;
}

std::string zipCodedPsd()
{
    imagedata::PsdLayer layer{0, 0, 2, 2, "Zipped", {}, {}};
    for (int id : {0, 1, 2})
        layer.channels.push_back(imagedata::PsdChannel{id, 3, imagedata::Bytes{1, 2, 3, 4, 5}});
    const imagedata::Bytes b = imagedata::psd({layer}, 1);
    return std::string(b.begin(), b.end());
}

// The title plays S, whose ONINIT runs `code` and ends it.
std::string endsAfter(const std::string& code)
{
    return "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={" + code + "GAME^EXIT();}\nOBJECT=S\nS:ONINIT=GO\n";
}

// Bytes of no definition text: control bytes among letters.
const std::string binary("OB\x01\x02JE\x03\x04CT\x05\x00\x06=\x07\x08", 15);

// A title with a phone P: it counts its frames in FRAMES, and keeps what the
// phone found in MODEM (kept in its settings file), ending once it is known.
const std::string phoneTitle =
    "OBJECT=FRAMES\nFRAMES:TYPE=INTEGER\nFRAMES:VALUE=0\nFRAMES:TOINI=TRUE\n"
    "OBJECT=MODEM\nMODEM:TYPE=STRING\nMODEM:TOINI=TRUE\n"
    "OBJECT=T\nT:TYPE=TIMER\nT:ELAPSE=1\nT:ENABLED=TRUE\nT:ONTICK={FRAMES^INC();}\n"
    "OBJECT=P\nP:TYPE=PHONEEXT\n"
    "P:ONMODEMFOUND={MODEM^SET(\"found\");GAME^EXIT();}\n"
    "P:ONMODEMNOTFOUND={MODEM^SET(\"none\");GAME^EXIT();}\n";

// A title with a phone P that ends when P's call does and the line then
// places no call; it plays on, to a frame bound, while it does.
const std::string callTitle = "OBJECT=DIALED\nDIALED:TYPE=BOOL\nDIALED:VALUE=TRUE\n"
                              "OBJECT=P\nP:TYPE=PHONEEXT\nP:ONDISCONNECTED={DIALED^SET(P^DIAL(\"1\"));"
                              "@IF(\"DIALED'FALSE\",{GAME^EXIT();},\"\");}\n";

struct Case {
    const char* what;
    // The title's files below its folder; "Rara/S/S.cnv" is S's definition.
    std::vector<std::pair<std::string, std::string>> files;
    // The program's arguments; "%T" stands for the title's folder.
    std::vector<std::string> arguments;
    std::vector<std::pair<std::string, std::string>> environment;
    // The whole output; "%T" stands for the title's folder, "%P" for the
    // port of the case.
    std::string told;
    int code;
    // Run as an ordinary user (root may write anywhere) on a read-only title.
    // Every case starts in the title's folder, whose settings it has.
    bool readOnly = false;
    // A frame counter of the title's settings must rise while it waits for
    // its phone.
    bool framesGoOn = false;
};

std::string filled(std::string text, const std::string& folder, int port)
{
    for (size_t at; (at = text.find("%T")) != std::string::npos;)
        text.replace(at, 2, folder);
    for (size_t at; (at = text.find("%P")) != std::string::npos;)
        text.replace(at, 2, std::to_string(port));
    return text;
}

TEST_F(HostMessagesTest, EachCauseIsToldOnceInOneLine)
{
    const std::string phoneScene = testsupport::oneScene() + "S:DLLS=Phone.dll\n";
    const std::string played = "; only 8- and 16-bit PCM and Microsoft ADPCM, mono or stereo, are played: ";
    // The extensible format: 24 valid bits of 32, the PCM sub-format.
    const std::string extensible =
        fmt(0xFFFE, 2, 32, std::string("\x16\x00\x18\x00\x03\x00\x00\x00\x01\x00\x00\x00\x00\x00\x10\x00\x80\x00"
                                       "\x00\xAA\x00\x38\x9B\x71",
                                       24));
    // A baresip of the test's own (bin/baresip) at the port of the case,
    // which offers the title's line a call and, once it is accepted, does
    // what STANDIN_AFTER says.
    const char* fixtures = std::getenv("QUARNEL_FIXTURES");
    const std::vector<std::pair<std::string, std::string>> standInCall = {
        {"Rara/application.def", phoneScene},
        {"Rara/S/S.cnv", callTitle},
        {"bin/baresip", testsupport::readFile(std::string(fixtures ? fixtures : ".") + "/baresip-stand-in")},
        {"sip/config", "module_path %T/sip\nmodule_app menu.so\nmodule_app ctrl_tcp.so\nctrl_tcp_listen 127.0.0.1:%P\n"},
        {"sip/ctrl_tcp.so", ""},
        {"sip/accounts", "<sip:title@127.0.0.1>\n"}};
    // A title whose snapshot is damaged, beside good definitions.
    const std::vector<std::pair<std::string, std::string>> damagedSnapshot = {
        {"Rara/application.def", testsupport::oneScene()},
        {"Rara/application.bin", binary},
        {"Rara/S/S.cnv", endsAfter("")}};
    const Case cases[] = {
        {"-path naming a file", {{"game.txt", "x"}}, {"-path", "%T/game.txt", "-nogfx"}, {},
         "Quarnel: the title folder \"%T/game.txt\" is a file, not a folder\n", 1},
        {"-path with letters that code page 1250 lacks", {}, {"-path", "%T/\xE6\x97\xA5\xE6\x9C\xAC", "-nogfx"}, {},
         "Quarnel: the title folder \"%T/\xE6\x97\xA5\xE6\x9C\xAC\" has letters that the engine's file names cannot "
         "hold (code page 1250)\n",
         1},
        {"-path with a blank",
         {{"My Title/Rara/application.def", testsupport::oneScene()}, {"My Title/Rara/S/S.cnv", endsAfter("")}},
         {"-nogfx", "-path", "%T/My Title"}, {}, "", 0},
        {"settings file named by its full path in a folder that is not there",
         {{"Quarnel.ini", "[MAIN]\r\nINI=%T/gone/Game.ini\r\n"},
          {"Rara/application.def", testsupport::oneScene()},
          {"Rara/S/S.cnv", kept("N") + endsAfter("N^SET(1);N^SET(2);")}},
         {"-nogfx", "-path", "%T"}, {},
         "Quarnel: settings file \"Game.ini\" cannot be written (No such file or directory): %T/gone/Game.ini\n", 0},
        {"settings file of a read-only title",
         {{"Quarnel.ini", "[S]\r\nN=0\r\n"},
          {"Rara/application.def", testsupport::oneScene()},
          {"Rara/S/S.cnv", kept("N") + endsAfter("N^SET(1);N^SET(2);")}},
         {"-nogfx", "-path", "%T"}, {},
         "Quarnel: settings file \"Quarnel.ini\" cannot be written (Permission denied): %T/Quarnel.ini\n", 0, true},
        {"ZIP-coded PSD",
         {{"Rara/application.def", testsupport::oneScene()},
          {"Rara/S/S.cnv", "OBJECT=I\nI:TYPE=IMAGE\nI:FILENAME=zip.psd\nI:VISIBLE=TRUE\n" + endsAfter("")},
          {"Rara/S/zip.psd", zipCodedPsd()}},
         {"-nogfx", "-path", "%T"}, {},
         "Quarnel: picture \"zip.psd\" cannot be shown: its channels are ZIP-compressed (only raw and PackBits "
         "channels are read): %T/Rara/S/zip.psd\n",
         0},
        {"WAV files the engine does not play",
         {{"Rara/application.def", testsupport::oneScene()},
          {"Rara/S/S.cnv", "OBJECT=A\nA:TYPE=SOUND\nA:FILENAME=ima.wav\nOBJECT=B\nB:TYPE=SOUND\nB:FILENAME=wide.wav\n" +
                               endsAfter("A^PLAY();A^PLAY();B^PLAY();")},
          {"Wavs/ima.wav", wav(fmt(0x11, 1, 4, std::string("\x02\x00\xF9\x01", 4)))},
          {"Wavs/wide.wav", wav(extensible)}},
         {"-nogfx", "-path", "%T"}, {},
         "Quarnel: sound \"ima.wav\" cannot be played: it holds IMA ADPCM (format 0x11)" + played +
             "%T/Wavs/ima.wav\nQuarnel: sound \"wide.wav\" cannot be played: it holds 24-bit PCM (extensible format)" +
             played + "%T/Wavs/wide.wav\n",
         0},
        {"damaged application definition",
         {{"Rara/application.def", testsupport::oneScene()},
          {"Rara/GAME.cnv", binary},
          {"Rara/S/S.cnv", endsAfter("")}},
         {"-nogfx", "-path", "%T"}, {},
         "Quarnel: application definition \"GAME.cnv\" is damaged (not definition text): %T/Rara/GAME.cnv\n", 0},
        {"damaged episode definition",
         {{"Rara/application.def", testsupport::oneScene()},
          {"Rara/E.cnv", binary},
          {"Rara/S/S.cnv", endsAfter("")}},
         {"-nogfx", "-path", "%T"}, {},
         "Quarnel: episode definition \"E.cnv\" is damaged (not definition text): %T/Rara/E.cnv\n", 0},
        // The snapshot is read whenever it is there; -forceCNV plays the
        // definitions beside it.
        {"damaged application snapshot beside good definitions",
         damagedSnapshot,
         {"-nogfx", "-path", "%T"}, {},
         "Quarnel: the snapshot \"%T/Rara/application.bin\" is damaged or cannot be read; -forceCNV plays the title "
         "from its definitions (\"application.def\") instead\n",
         1},
        {"damaged application snapshot played from the definitions",
         damagedSnapshot,
         {"-nogfx", "-forceCNV", "-path", "%T"}, {}, "", 0},
        {"damaged application snapshot alone",
         {{"Rara/application.bin", binary}}, {"-nogfx", "-path", "%T"}, {},
         "Quarnel: the snapshot \"%T/Rara/application.bin\" is damaged or cannot be read, and there are no "
         "definitions (\"application.def\") beside it to play instead\n",
         1},
        // Read-only: a write to the settings file would be told.
        {"-2bin of a title whose application lists its scenes directly",
         {{"Quarnel.ini", "[S]\r\nN=0\r\n"},
          {"Rara/application.def", "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:SCENES=S\nOBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\n"},
          {"Rara/S/S.cnv", endsAfter("")}},
         {"-nogfx", "-2bin", "-path", "%T"}, {},
         "Quarnel: \"application.bin\" was not written: the application lists S, which is not an episode: a snapshot "
         "holds episodes only\n",
         1, true},
        {"phone service mistyped",
         {{"Rara/application.def", phoneScene}, {"Rara/S/S.cnv", phoneTitle}},
         {"-nogfx", "-path", "%T"}, {{"QUARNEL_PHONE", "bogus"}},
         "Quarnel: phone: no telephone line from QUARNEL_PHONE=bogus: no such service (baresip, "
         "baresip:<folder>, baresip@<host>:<port>, script:<file> or none)\n",
         0},
        {"baresip folder without a configuration",
         {{"Rara/application.def", phoneScene}, {"Rara/S/S.cnv", phoneTitle}},
         {"-nogfx", "-path", "%T"}, {{"QUARNEL_PHONE", "baresip:%T/sip"}},
         "Quarnel: phone: no telephone line from QUARNEL_PHONE=baresip:%T/sip: no baresip configuration "
         "\"%T/sip/config\"\n",
         0},
        {"phone index past the lines",
         {{"Rara/application.def", phoneScene},
          {"Rara/S/S.cnv", phoneTitle + "P:INDEX=2\n"},
          {"call.txt", "line Title line\n"}},
         {"-nogfx", "-path", "%T"}, {{"QUARNEL_PHONE", "script:%T/call.txt"}},
         "Quarnel: phone \"P\": INDEX 2 names no line: QUARNEL_PHONE=script:%T/call.txt has 1\n", 0},
        {"phone service chosen but none", {{"Rara/application.def", phoneScene}, {"Rara/S/S.cnv", phoneTitle}},
         {"-nogfx", "-path", "%T"}, {{"QUARNEL_PHONE", "none"}},
         "Quarnel: phone: no telephone line from QUARNEL_PHONE=none: it chooses none\n", 0},
        // A baresip that runs and never opens its control port: frames go
        // on while it is waited for, once, for 5 seconds.
        {"baresip that never answers",
         {{"Rara/application.def", phoneScene},
          {"Rara/S/S.cnv", phoneTitle},
          {"bin/baresip", "#!/bin/sh\nexec sleep 120\n"},
          {"sip/config", "module_path %T/sip\nmodule_app menu.so\nmodule_app ctrl_tcp.so\nctrl_tcp_listen 127.0.0.1:%P\n"},
          {"sip/ctrl_tcp.so", ""}},
         {"-nogfx", "-path", "%T"},
         {{"QUARNEL_PHONE", "baresip:%T/sip"}, {"PATH", "%T/bin:/usr/bin:/bin"}},
         "Quarnel: phone: no telephone line from QUARNEL_PHONE=baresip:%T/sip: baresip runs, but its control module "
         "did not answer at 127.0.0.1:%P within 5 s\n",
         0, false, true},
        // A baresip that ends by itself during a call: the title hears the
        // call end, and how baresip ended is named.
        {"baresip that exits during a call", standInCall, {"-nogfx", "-frames", "1000", "-path", "%T"},
         {{"QUARNEL_PHONE", "baresip:%T/sip"}, {"PATH", "%T/bin:/usr/bin:/bin"}, {"STANDIN_AFTER", "exit 3"}},
         "Quarnel: phone: baresip ended during the run (exit status 3): its lines are gone for the rest of the run\n",
         0},
        {"baresip killed during a call", standInCall, {"-nogfx", "-frames", "1000", "-path", "%T"},
         {{"QUARNEL_PHONE", "baresip:%T/sip"}, {"PATH", "%T/bin:/usr/bin:/bin"}, {"STANDIN_AFTER", "kill KILL"}},
         "Quarnel: phone: baresip ended during the run (killed by SIGKILL): its lines are gone for the rest of the "
         "run\n",
         0},
    };
    int n = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string folder = tmp.file("case" + std::to_string(n++));
        const int port = testsupport::freePort();
        for (const auto& f : c.files)
            tmp.write(folder.substr(tmp.path().size() + 1) + "/" + f.first, filled(f.second, folder, port));
        testsupport::makeDirs(folder);
        std::vector<std::string> arguments;
        for (const std::string& a : c.arguments)
            arguments.push_back(filled(a, folder, port));
        std::string program = QUARNEL_HOST_PROGRAM;
        if (std::filesystem::exists(folder + "/bin/baresip"))
            chmod((folder + "/bin/baresip").c_str(), 0755);
        if (c.readOnly) {
            if (geteuid() == 0) {
                if (access("/usr/bin/setpriv", X_OK) != 0) {
                    ADD_FAILURE() << "setpriv is needed to run the program as an ordinary user";
                    continue;
                }
                arguments.insert(arguments.begin(), {"--reuid=65534", "--regid=65534", "--clear-groups", program});
                program = "/usr/bin/setpriv";
            }
            chmod(tmp.path().c_str(), 0755);
            chmod((folder + "/Quarnel.ini").c_str(), 0444);
            chmod(folder.c_str(), 0555);
        }
        std::vector<std::pair<std::string, std::string>> values;
        for (const auto& v : c.environment)
            values.push_back({v.first, filled(v.second, folder, port)});
        const std::string output = tmp.file("output" + std::to_string(n) + ".txt");
        int code;
        int rises = 0;
        {
            Environment environment(values);
            testsupport::ChildProgram host(program, arguments, folder, output);
            // While the phone is not known, the frame counter is read as a
            // second program would.
            long last = 0;
            const auto deadline = Clock::now() + std::chrono::seconds(testsupport::PATIENCE_SECONDS);
            while (c.framesGoOn && Clock::now() < deadline && !ended(host.id())) {
                const std::string settings = testsupport::readFile(folder + "/Quarnel.ini");
                if (!valueIn(settings, "MODEM").empty())
                    break;
                const long frames = std::atol(valueIn(settings, "FRAMES").c_str());
                rises += frames > last ? 1 : 0;
                last = std::max(last, frames);
                usleep(100000);
            }
            code = host.wait(testsupport::PATIENCE_MS);
        }
        chmod(folder.c_str(), 0755);
        EXPECT_EQ(code, c.code);
        EXPECT_EQ(testsupport::readFile(output), filled(c.told, folder, port));
        if (c.framesGoOn) {
            EXPECT_GE(rises, 3);
            EXPECT_EQ(valueIn(testsupport::readFile(folder + "/Quarnel.ini"), "MODEM"), "none");
        }
    }
}

// A title folder whose name has a blank and letters of code page 1250,
// named by -path as well as started in (its settings file is that of the
// folder the program starts in).
TEST_F(HostMessagesTest, TheDemoPlaysFromAFolderWithABlankInItsName)
{
    const std::string folder = tmp.file("M\xC3\xB3j Zamek");
    std::filesystem::copy(QUARNEL_DEMO_TITLE, folder, std::filesystem::copy_options::recursive);
    std::filesystem::remove(folder + "/Demo.ini");
    Environment environment({});
    testsupport::ChildProgram host(QUARNEL_HOST_PROGRAM, {"-nogfx", "-path", folder}, folder, tmp.file("output.txt"));
    EXPECT_EQ(host.wait(120000), 0);
    EXPECT_EQ(testsupport::readFile(tmp.file("output.txt")), "");
    EXPECT_NE(testsupport::readFile(folder + "/Demo.ini"), "");
}

} // namespace
