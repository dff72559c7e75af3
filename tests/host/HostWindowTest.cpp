// The host's answers to a person starting it: the switches it lists, the
// folder it could not find, the scene a title names but never defines; its
// window procedure and menu on the engine window of a small title.
#include "HostTitle.h"
#include "base/CommandLine.h"
#include "base/Language.h"
#include "graphics/Window.h"
#include "host/Host.h"
#include "host/HostWindow.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "platform/headless/Headless.h"
#include "script/Application.h"
#include "script/ScriptApplication.h"
#include "support/ChildProgram.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>

#include <string>
#include <vector>

namespace {

// A title of one episode; each scene's definition is given (empty: no
// file), the episode lists `listed`.
void writeTitle(const testsupport::TempDir& tmp, const std::string& listed,
                const std::vector<std::pair<std::string, std::string>>& scenes)
{
    std::string def = "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=TOUR\n"
                      "OBJECT=TOUR\nTOUR:TYPE=EPISODE\nTOUR:SCENES=" +
                      listed + "\n";
    for (const auto& s : scenes) {
        def += "OBJECT=" + s.first + "\n" + s.first + ":TYPE=SCENE\n" + s.first + ":PATH=\\" + s.first + "\n";
        tmp.write("Rara/" + s.first + "/" + s.first + ".cnv", s.second);
    }
    tmp.write("Rara/application.def", def);
}

const char* ENDS_AT_ONCE = "OBJECT=__INIT__\n__INIT__:TYPE=BEHAVIOUR\n__INIT__:CODE={GAME^EXIT();}\n";

struct ProgramRun {
    int code = -1;
    std::string out, err;
};

// Runs the host program in `folder` with these switches.
ProgramRun runProgram(const testsupport::TempDir& tmp, const std::string& folder, const std::string& switches)
{
    std::string command = "cd '" + folder + "' && env -u DISPLAY -u WAYLAND_DISPLAY timeout 60 " +
                          QUARNEL_HOST_PROGRAM + " " + switches + " >'" + tmp.file("out.txt") + "' 2>'" +
                          tmp.file("err.txt") + "'";
    ProgramRun r;
    int status = testsupport::shell(command);
    r.code = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    r.out = testsupport::readFile(tmp.file("out.txt"));
    r.err = testsupport::readFile(tmp.file("err.txt"));
    return r;
}

using HostMessagesTest = testsupport::HostTitle;

TEST_F(HostMessagesTest, HelpListsTheSwitchesAndStartsNothing)
{
    for (const char* help : {"--help", "-h", "-path nowhere -h"}) {
        ProgramRun r = runProgram(tmp, tmp.path(), help);
        EXPECT_EQ(r.code, 0) << help;
        EXPECT_EQ(r.err, "") << help;
        for (const char* word : {"-path <folder>", "-window", "-nogfx", "-res", "-delay", "-2bin", "-frames",
                                 "Quarnel.ini", "Exit codes"})
            EXPECT_NE(r.out.find(word), std::string::npos) << help << ": " << word;
    }
}

TEST_F(HostMessagesTest, AFolderThatIsNotThereIsNamedAsGiven)
{
    ProgramRun r = runProgram(tmp, tmp.path(), "-path " + tmp.file("Missing/Title"));
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find("\"" + tmp.file("Missing/Title") + "\" does not exist"), std::string::npos) << r.err;
    EXPECT_EQ(r.err.find("Rara"), std::string::npos) << r.err;

    // A folder that is there but holds no title names its data folder.
    testsupport::makeDirs(tmp.file("Empty"));
    r = runProgram(tmp, tmp.path(), "-path Empty");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.err.find(tmp.file("Empty/Rara")), std::string::npos) << r.err;
}

TEST_F(HostMessagesTest, ASceneNamedButNeverDefinedIsNamed)
{
    // The only scene is missing: nothing could run, so the run ends.
    writeTitle(tmp, "NOWHERE", {});
    std::string message;
    {
        testsupport::DebugCapture log;
        EXPECT_EQ(run("-nogfx", &message), quarnel::EXIT_FAILED);
        std::string all;
        for (const std::string& line : log.lines)
            all += line;
        EXPECT_NE(all.find("\"NOWHERE\" (named by TOUR)"), std::string::npos) << all;
    }
    EXPECT_NE(message.find("no definition of the scene \"NOWHERE\" (named by TOUR)"), std::string::npos)
        << message;

    // Beside a scene that is there, the title plays and the missing one is
    // named on standard error.
    writeTitle(tmp, "HALL, ATTIC", {{"HALL", ENDS_AT_ONCE}});
    ProgramRun r = runProgram(tmp, tmp.path(), "-nogfx");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("no definition of the scene \"ATTIC\" (named by TOUR)"), std::string::npos) << r.err;

    // A start scene that is not defined falls back to the first one, named too.
    tmp.write("Rara/application.def",
              testsupport::readFile(tmp.file("Rara/application.def")) + "TOUR:STARTWITH=CELLAR\n");
    r = runProgram(tmp, tmp.path(), "-nogfx");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_NE(r.err.find("\"CELLAR\" (named by TOUR)"), std::string::npos) << r.err;
}

// A title missing a picture, a sound and a scene's definition file: each is
// named once on standard error, with the name the title gives and the path
// looked at, however often it is asked for; the title plays on.
TEST_F(HostMessagesTest, FilesATitleCannotHaveAreNamedOnce)
{
    writeTitle(tmp, "HALL, ATTIC",
               {{"HALL", "OBJECT=A\nA:TYPE=IMAGE\nA:FILENAME=gone.img\nA:VISIBLE=TRUE\nA:TOCANVAS=TRUE\n"
                         "OBJECT=B\nB:TYPE=IMAGE\nB:FILENAME=gone.img\n"
                         "OBJECT=S\nS:TYPE=SOUND\nS:FILENAME=gone.wav\n"
                         "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={S^PLAY();S^PLAY();TOUR^GOTO(\"ATTIC\");}\n"
                         "OBJECT=HALL\nHALL:ONINIT=GO\n"},
                {"ATTIC", ""}});
    std::remove(tmp.file("Rara/ATTIC/ATTIC.cnv").c_str());
    ProgramRun r = runProgram(tmp, tmp.path(), "-nogfx -frames 100");
    EXPECT_EQ(r.code, quarnel::EXIT_FRAME_BOUND) << r.err;
    EXPECT_EQ(r.err, "Quarnel: picture \"gone.img\" not found: " + tmp.file("Rara/HALL/gone.img") +
                         "\nQuarnel: sound \"gone.wav\" not found: " + tmp.file("Wavs/gone.wav") +
                         "\nQuarnel: scene definition \"ATTIC.cnv\" not found: " + tmp.file("Rara/ATTIC/ATTIC.cnv") +
                         "\nQuarnel: the title had not ended after 100 frames (-frames)\n");
}

// Each kind of file a title names, missing or of a form the engine does not
// play: an animation, a sequence, a video, a picture that is not a JPEG and
// a WAV of floating-point samples.
TEST_F(HostMessagesTest, FilesOfEveryKindThatCannotBeUsedAreNamed)
{
    writeTitle(tmp, "HALL",
               {{"HALL", "OBJECT=A\nA:TYPE=ANIMO\nA:FILENAME=gone.ann\n"
                         "OBJECT=Q\nQ:TYPE=SEQUENCE\nQ:FILENAME=gone.seq\n"
                         "OBJECT=M\nM:TYPE=MOVIE\nM:FILENAME=gone.avi\n"
                         "OBJECT=P\nP:TYPE=IMAGE\nP:FILENAME=text.jpg\n"
                         "OBJECT=F\nF:TYPE=SOUND\nF:FILENAME=float.wav\n"
                         "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={M^PLAY();F^PLAY();}\n"
                         "OBJECT=HALL\nHALL:ONINIT=GO\n"}});
    tmp.write("Rara/HALL/text.jpg", "not a picture");
    // RIFF WAVE, format tag 3 (floating point), mono, 22050 Hz, 32 bits.
    tmp.write("Wavs/float.wav", std::string("RIFF\x28\0\0\0WAVEfmt \x10\0\0\0\x03\0\x01\0\x22\x56\0\0\x88\x58\x01\0"
                                            "\x04\0\x20\0data\x04\0\0\0\0\0\0\0",
                                            48));
    ProgramRun r = runProgram(tmp, tmp.path(), "-nogfx -frames 20");
    EXPECT_EQ(r.code, quarnel::EXIT_FRAME_BOUND) << r.err;
    for (const std::string& line :
         {"Quarnel: animation \"gone.ann\" not found: " + tmp.file("Rara/HALL/gone.ann"),
          "Quarnel: sequence \"gone.seq\" not found: " + tmp.file("Rara/HALL/gone.seq"),
          "Quarnel: video \"gone.avi\" not found: " + tmp.file("Rara/HALL/gone.avi"),
          "Quarnel: picture \"text.jpg\" cannot be shown: not a JPEG picture in RGB or grey, or damaged: " +
              tmp.file("Rara/HALL/text.jpg"),
          "Quarnel: sound \"float.wav\" cannot be played: it holds 32-bit floating-point PCM (format 0x03); only "
          "8- and 16-bit PCM and Microsoft ADPCM, mono or stereo, are played: " +
              tmp.file("Wavs/float.wav")}) {
        const size_t at = r.err.find(line + "\n");
        EXPECT_NE(at, std::string::npos) << line << "\n" << r.err;
        EXPECT_EQ(r.err.find(line, at + 1), std::string::npos) << line;
    }
}

// Switches mistyped, and values a switch cannot use: the first are named
// and the title plays; the others end the run with the exit code 1.
TEST_F(HostMessagesTest, UnknownSwitchesAndValuesThatCannotServeAreNamed)
{
    writeTitle(tmp, "HALL", {{"HALL", ENDS_AT_ONCE}});
    ProgramRun r = runProgram(tmp, tmp.path(), "-nogfx -windwo --fast");
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.err, "Quarnel: unknown switch -windwo, ignored (Quarnel --help lists the switches)\n"
                     "Quarnel: unknown switch --fast, ignored (Quarnel --help lists the switches)\n");
    const struct {
        const char* switches;
        const char* told;
    } refused[] = {
        {"-nogfx -delay x", "-delay needs a whole number"},
        {"-nogfx -res 0 0", "-res needs the full screen's width and height"},
        {"-nogfx -res 2147483647", "-res needs the full screen's width and height"},
        {"-nogfx -res 100000 100000", "-res needs the full screen's width and height"},
        {"-nogfx -res 65535 65535", "no full screen of 65535x65535 can be made (-res"},
        {"-nogfx -path", "-path needs the title's folder"},
    };
    for (const auto& c : refused) {
        r = runProgram(tmp, tmp.path(), c.switches);
        EXPECT_EQ(r.code, quarnel::EXIT_FAILED) << c.switches;
        EXPECT_NE(r.err.find(c.told), std::string::npos) << c.switches << ": " << r.err;
    }
    r = runProgram(tmp, tmp.path(), "-nogfx -res 1024 768");
    EXPECT_EQ(r.code, 0) << r.err;
}

// A snapshot holds episodes only: for an application that lists its scenes
// directly nothing is written, and the run says why.
TEST_F(HostMessagesTest, ASnapshotThatCannotBeWrittenEndsWithTheReason)
{
    tmp.write("Rara/application.def", "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:SCENES=S\n"
                                      "OBJECT=S\nS:TYPE=SCENE\nS:PATH=\\S\n");
    ProgramRun r = runProgram(tmp, tmp.path(), "-nogfx -2bin");
    EXPECT_EQ(r.code, quarnel::EXIT_FAILED);
    EXPECT_EQ(r.err, "Quarnel: \"application.bin\" was not written: the application lists S, which is not an "
                     "episode: a snapshot holds episodes only\n");
    EXPECT_EQ(testsupport::readFile(tmp.file("Rara/application.bin")), "");
}

// The window procedure and the menu on the engine window of a title that
// keeps running, as the host makes them.
class MainWindowProcTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        writeTitle(tmp, "HALL, LIBRARY, GARDEN",
                   {{"HALL", "OBJECT=N\nN:TYPE=INTEGER\nN:VALUE=0\n"}, {"LIBRARY", ""}, {"GARDEN", ""}});
        ASSERT_TRUE(platform::setCurrentDirectory(platform::toEnginePath(tmp.path())));
    }

    struct Menu : platform::HeadlessPlatform {
        using HeadlessPlatform::HeadlessPlatform;
        int answer = 0;
        std::string caption, text;
        std::vector<platform::MenuCommand> offered;
        int chooseCommand(const std::string& c, const std::string& t,
                          const std::vector<platform::MenuCommand>& commands) override
        {
            caption = c;
            text = t;
            offered = commands;
            return answer;
        }
    };

    testsupport::TempDir tmp;
    testsupport::CwdGuard cwd;
    platform::ManualClock clockNow{5000};
    platform::ScopedClock clock{&clockNow};
    Menu backend{clockNow};
    platform::ScopedPlatform inUse{&backend};
};

platform::WindowMessage message(platform::WindowMessage::Kind kind, int value = 0)
{
    platform::WindowMessage m;
    m.kind = kind;
    m.value = value;
    return m;
}

TEST_F(MainWindowProcTest, MessagesReachTheEngineWindowOnceItExists)
{
    CCommandLine6 commandLine("-nogfx");
    CLanguageOSVer language;
    quarnel::CMainWindowProc procedure(backend);
    // Before the engine window exists, messages go nowhere.
    procedure.windowMessage(message(platform::WindowMessage::CLOSE));

    CWindow window(nullptr, &commandLine, &language, CXSize(800, 600), nullptr, "", false);
    window.OnActivateApp(true);
    CApplication app(&window, "Quarnel.ini", "data.bf", &commandLine);
    app.preinitializeApplication();
    procedure.setEngineWindow(&window);
    procedure.setMenu(quarnel::BuildSceneMenu(app.getMCApplicationIfc()));

    procedure.windowMessage(message(platform::WindowMessage::ACTIVATE, 0));
    EXPECT_FALSE(window.isActive());
    procedure.windowMessage(message(platform::WindowMessage::ACTIVATE, 1));
    EXPECT_TRUE(window.isActive());
    procedure.windowMessage(message(platform::WindowMessage::MOVE));
    procedure.windowMessage(message(platform::WindowMessage::DOUBLE_CLICK, platform::MK_LBUTTON));
    for (int id : {int(quarnel::ID_REDRAW), int(quarnel::ID_MESSAGE_BOX), int(quarnel::ID_ALL), 0, 2})
        procedure.windowMessage(message(platform::WindowMessage::COMMAND, id));
    EXPECT_FALSE(window.domodal());

    // The menu offers Redraw and Exit with the scenes; nothing chosen, nothing done.
    procedure.windowMessage(message(platform::WindowMessage::MENU));
    EXPECT_EQ(backend.caption, "GAME");
    EXPECT_EQ(backend.text, "GAME:\n    HALL\n    LIBRARY\n    GARDEN");
    ASSERT_EQ(backend.offered.size(), 2u);
    EXPECT_EQ(backend.offered[0].id, quarnel::ID_REDRAW);
    EXPECT_EQ(backend.offered[1].id, quarnel::ID_EXIT);
    EXPECT_FALSE(window.domodal());
    // Exit chosen from the menu ends the loop.
    backend.answer = quarnel::ID_EXIT;
    procedure.windowMessage(message(platform::WindowMessage::MENU));
    EXPECT_TRUE(window.domodal());
    procedure.setEngineWindow(nullptr);
}

TEST_F(MainWindowProcTest, ClosingTheWindowEndsTheLoopThroughThePump)
{
    CCommandLine6 commandLine("-nogfx");
    CLanguageOSVer language;
    CWindow window(nullptr, &commandLine, &language, CXSize(800, 600), nullptr, "", false);
    window.OnActivateApp(true);
    CApplication app(&window, "Quarnel.ini", "data.bf", &commandLine);
    app.preinitializeApplication();
    quarnel::CMainWindowProc procedure(backend);
    procedure.setEngineWindow(&window);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(backend.pumpEvents(&procedure));
        ASSERT_FALSE(window.domodal());
    }
    backend.postWindowMessage(message(platform::WindowMessage::CLOSE));
    ASSERT_TRUE(backend.pumpEvents(&procedure));
    EXPECT_TRUE(window.domodal());
}

TEST(SceneMenuTest, OneItemPerSceneWithItsIndexInItsEpisode)
{
    testsupport::TempDir tmp;
    testsupport::CwdGuard cwd;
    const std::string longName(300, 'L');
    tmp.write("Rara/application.def",
              "OBJECT=GAME\nGAME:TYPE=APPLICATION\nGAME:EPISODES=ONE, TWO\n"
              "OBJECT=ONE\nONE:TYPE=EPISODE\nONE:SCENES=A1, A2, A3\n"
              "OBJECT=TWO\nTWO:TYPE=EPISODE\nTWO:SCENES=B1, B2, " +
                  longName +
                  "\n"
                  "OBJECT=A1\nA1:TYPE=SCENE\nOBJECT=A2\nA2:TYPE=SCENE\nOBJECT=A3\nA3:TYPE=SCENE\n"
                  "OBJECT=B1\nB1:TYPE=SCENE\nOBJECT=B2\nB2:TYPE=SCENE\nOBJECT=" +
                  longName + "\n" + longName + ":TYPE=SCENE\n");
    ASSERT_TRUE(platform::setCurrentDirectory(platform::toEnginePath(tmp.path())));
    CCommandLine6 commandLine("-nogfx -2bin");
    CLanguageOSVer language;
    CWindow window(nullptr, &commandLine, &language, CXSize(800, 600), nullptr, "", false);
    CApplication app(&window, "Quarnel.ini", "data.bf", &commandLine);
    app.preinitializeApplication();
    quarnel::SceneMenu menu = quarnel::BuildSceneMenu(app.getMCApplicationIfc());
    EXPECT_STREQ(menu.caption.c_str(), "GAME");
    ASSERT_EQ(menu.items.size(), 6u);
    const char* names[] = {"A1", "A2", "A3", "B1", "B2"};
    for (size_t i = 0; i < 6; ++i)
        EXPECT_EQ(menu.items[i].id, int(i % 3)) << i;
    for (size_t i = 0; i < 5; ++i)
        EXPECT_STREQ(menu.items[i].name.c_str(), names[i]);
    EXPECT_EQ(std::string(menu.items[5].name.c_str()), longName.substr(0, 239));
    EXPECT_TRUE(quarnel::BuildSceneMenu(nullptr).items.empty());
}

} // namespace
