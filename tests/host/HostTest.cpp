#include "base/File.h"
#include "graphics/Window.h"
#include "host/Host.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <cstdio>
#include <string>

namespace {

class HostTest : public ::testing::Test {
protected:
    // Runs the host started in the temp folder; the message it gives back.
    int run(const char* commandLine, std::string* message = nullptr)
    {
        EXPECT_TRUE(platform::setCurrentDirectory(platform::toEnginePath(tmp.path())));
        CXString text;
        int code = quarnel::runHost(commandLine, &text);
        if (message)
            *message = text.c_str();
        EXPECT_EQ(CWindow::getWindow(), nullptr);
        return code;
    }

    testsupport::TempDir tmp;
    testsupport::CwdGuard cwd;
};

TEST_F(HostTest, SettingsOfSectionMainWithTheirDefaults)
{
    ASSERT_TRUE(platform::setCurrentDirectory(platform::toEnginePath(tmp.path())));
    quarnel::HostSettings none = quarnel::readHostSettings();
    EXPECT_EQ(none.title, "DovirAvura");
    EXPECT_EQ(none.ini, "Quarnel.ini");
    EXPECT_EQ(none.subFolder, "");
    tmp.write("Quarnel.ini", "[MAIN]\r\nTITLE=Demo\r\nINI=Demo.ini\r\nSUBDIR=games\r\n");
    quarnel::HostSettings s = quarnel::readHostSettings();
    EXPECT_EQ(s.title, "Demo");
    EXPECT_EQ(s.ini, "Demo.ini");
    EXPECT_EQ(s.subFolder, "games");
}

TEST_F(HostTest, AFolderWithoutATitleEndsWithAMessage)
{
    std::string message;
    EXPECT_EQ(run("-nogfx", &message), 1);
    EXPECT_NE(message.find(tmp.path() + "/Rara"), std::string::npos) << message;
    EXPECT_NE(message.find("application.def"), std::string::npos) << message;

    // "SUBDIR" names the title folder unless the command line names one.
    testsupport::makeDirs(tmp.file("sub"));
    testsupport::makeDirs(tmp.file("other"));
    tmp.write("Quarnel.ini", "[MAIN]\r\nSUBDIR=sub\r\n");
    EXPECT_EQ(run("-nogfx", &message), 1);
    EXPECT_NE(message.find(tmp.path() + "/sub/Rara"), std::string::npos) << message;
    EXPECT_EQ(run("-nogfx -path other", &message), 1);
    EXPECT_NE(message.find(tmp.path() + "/other/Rara"), std::string::npos) << message;
}

TEST_F(HostTest, WritingTheSnapshotEndsTheRun)
{
    tmp.write("Rara/application.def", "OBJECT=GAME\r\nGAME:TYPE=APPLICATION\r\n");
    EXPECT_EQ(run("-nogfx -2bin"), 0);
    EXPECT_FALSE(tmp.read("Rara/application.bin").empty());
}

TEST_F(HostTest, TheProgramReportsAMissingTitle)
{
    std::string command = std::string(QUARNEL_HOST_PROGRAM) + " -path " + tmp.path() + " -nogfx 2>" +
                          tmp.file("err.txt");
    int status = std::system(command.c_str());
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 1);
    EXPECT_NE(tmp.read("err.txt").find("Quarnel: no title to start in"), std::string::npos);
}

} // namespace
