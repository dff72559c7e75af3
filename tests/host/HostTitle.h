#pragma once
// A small title written into a temp folder and played by the host, in this
// process, as the program plays it. The clock moves 1 ms each time it is
// read, so that the title's timers come due without waiting and a run is
// repeatable. A title that never ends stops the test program after a
// minute rather than hang the run.
#include "base/Config.h"
#include "graphics/Window.h"
#include "host/Host.h"
#include "platform/Clock.h"
#include "platform/Drives.h"
#include "platform/headless/Headless.h"
#include "support/TestSupport.h"

#include <cstdio>
#include <gtest/gtest.h>
#include <initializer_list>
#include <string>
#include <unistd.h>
#include <utility>

namespace testsupport {

class SteppingClock : public platform::Clock {
public:
    uint32_t tickCount() override { return now++; }

private:
    uint32_t now = 1000;
};

// Feeds the headless platform between the frames of the runs while it
// exists.
struct FeedInUse {
    FeedInUse(platform::HeadlessPlatform::EventFeed feed, void* data)
    {
        platform::HeadlessPlatform::setEventFeed(feed, data);
    }
    ~FeedInUse() { platform::HeadlessPlatform::setEventFeed(nullptr, nullptr); }
};

class HostTitle : public ::testing::Test {
protected:
    // Runs the host started in the temp folder; the message it gives back.
    int run(const char* commandLine, std::string* message = nullptr)
    {
        EXPECT_TRUE(platform::setCurrentDirectory(platform::toEnginePath(tmp.path())));
        CXString text;
        alarm(60);
        int code = quarnel::runHost(commandLine, &text);
        alarm(0);
        if (message)
            *message = text.c_str();
        EXPECT_EQ(CWindow::getWindow(), nullptr);
        return code;
    }

    // Writes the title's files, with CR LF line ends.
    void title(std::initializer_list<std::pair<std::string, std::string>> files) { writeTitle(tmp, files); }
    // The records of an application with the one episode E of the one
    // scene S (a snapshot is written of episodes only), and of S's
    // behaviour GO run at its "ONINIT".
    static std::string oneScene() { return testsupport::oneScene(); }
    static std::string onInit(const std::string& code)
    {
        return "OBJECT=GO\nGO:TYPE=BEHAVIOUR\nGO:CODE={" + code + "}\nOBJECT=S\nS:ONINIT=GO\n";
    }
    // An INTEGER kept in the settings file, 0 at first.
    static std::string kept(const std::string& name)
    {
        return "OBJECT=" + name + "\n" + name + ":TYPE=INTEGER\n" + name + ":VALUE=0\n" + name + ":TOINI=TRUE\n";
    }
    // Plays the title from its definitions, then from its snapshot, which
    // "-2bin" writes before the scene's definition file is removed; play
    // is told which turn it is.
    template <class Play>
    void fromDefinitionsThenSnapshot(const std::string& sceneFile, Play play)
    {
        for (bool fromSnapshot : {false, true}) {
            if (fromSnapshot) {
                EXPECT_EQ(run("-nogfx -2bin"), 0);
                ASSERT_EQ(std::remove(tmp.file(sceneFile).c_str()), 0);
            }
            play(fromSnapshot);
        }
    }
    // A value the title kept in its settings file.
    std::string setting(const char* section, const char* key)
    {
        CConfig config(CXString(platform::toEnginePath(tmp.file("Quarnel.ini")).c_str()));
        return config.GetString(section, key).c_str();
    }

    TempDir tmp;
    CwdGuard cwd;
    SteppingClock clockNow;
    platform::ScopedClock clock{&clockNow};
};

} // namespace testsupport
