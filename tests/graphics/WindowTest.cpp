#include "base/CommandLine.h"
#include "base/EngineTimer.h"
#include "base/File.h"
#include "base/Language.h"
#include "base/WindowPaths.h"
#include "graphics/PublicTrash.h"
#include "graphics/Window.h"
#include "platform/Clock.h"
#include "support/TestSupport.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

std::vector<std::string>& events()
{
    static std::vector<std::string> log;
    return log;
}

struct Recorder : CTimerNotificator {
    void onTimer(int id) override { events().push_back("timer " + std::to_string(id)); }
};

class RecordingApp : public CApplication {
public:
    explicit RecordingApp(CWindow* w) : CApplication(w, "", "", nullptr) {}
    bool domodal() override
    {
        events().push_back("application");
        return false;
    }
};

// A trash member that logs its deletion and may take another member out
// of the trash as it goes.
struct Member : CXObject {
    Member(const char* n, CPublicTrash* t = nullptr, Member* other = nullptr) : name(n), trash(t), other(other) {}
    ~Member() override
    {
        events().push_back(std::string("~") + name);
        if (trash && other)
            trash->remove(other);
    }
    const char* name;
    CPublicTrash* trash;
    Member* other;
};

class CWindowTest : public ::testing::Test {
protected:
    CWindow* make()
    {
        events().clear();
        return new CWindow(nullptr, &commandLine, &language, CXSize(800, 600), nullptr, "C:\\program", false);
    }

    platform::ManualClock clockNow{1000};
    platform::ScopedClock clock{&clockNow};
    CCommandLine6 commandLine{"-nomusic"};
    CLanguageOSVer language;
};

TEST_F(CWindowTest, SetsTheProcessWideServicesWhileItExists)
{
    std::unique_ptr<CWindow> w(make());
    EXPECT_EQ(CWindow::getWindow(), w.get());
    EXPECT_EQ(CWindowPaths::getRootPath(), CFile::getCurrentDirectory());
    EXPECT_EQ(CWindowPaths::getExePath(), "C:\\program");
    EXPECT_EQ(CWindowPaths::getLangIfc(), &language);
    EXPECT_EQ(getEngineTimer(), w->GetTimerInterface());
    EXPECT_EQ(CApplicationWindow::of(w.get()), static_cast<CApplicationWindow*>(w.get()));
    EXPECT_FALSE(w->IsMusicOn());
    EXPECT_TRUE(w->IsSoundOn());
    EXPECT_EQ(w->GetSoundFXFullPath("a.wav"), "a.wav");
    w->SetSoundFXPath("C:\\t\\Wavs");
    EXPECT_EQ(w->GetSoundFXFullPath("a.wav"), "C:\\t\\Wavs\\a.wav");
    w.reset();
    EXPECT_EQ(CWindow::getWindow(), nullptr);
    EXPECT_EQ(getEngineTimer(), nullptr);
    EXPECT_EQ(CWindowPaths::getLangIfc(), nullptr);
    CWindowPaths::reset();
}

TEST_F(CWindowTest, AFrameRunsTheTimersThenTheApplication)
{
    std::unique_ptr<CWindow> w(make());
    RecordingApp app(w.get());
    EXPECT_EQ(w->GetApplicationInterface(), &app);
    Recorder r;
    w->GetTimerInterface()->add(7, 10, &r);
    clockNow.advance(10);
    // Inactive: only the application's frame.
    EXPECT_FALSE(w->domodal());
    EXPECT_EQ(events(), (std::vector<std::string>{"application"}));
    events().clear();
    w->OnActivateApp(true);
    EXPECT_FALSE(w->domodal());
    EXPECT_EQ(events(), (std::vector<std::string>{"timer 7", "application"}));
    w->quit();
    EXPECT_TRUE(w->domodal());
    w->GetTimerInterface()->remove(7);
    w->SetApplicationInterface(nullptr);
    EXPECT_TRUE(w->OnExit());
    CWindowPaths::reset();
}

TEST_F(CWindowTest, TrashDeletesMarkedMembersEveryTenSeconds)
{
    std::unique_ptr<CWindow> w(make());
    w->OnActivateApp(true);
    CPublicTrash* trash = w->getPublicTrashInterface();
    Member* kept = new Member("kept");
    Member* second = new Member("second");
    Member* first = new Member("first", trash, second);
    Member* late = new Member("late");
    for (Member* m : {kept, first, second, late})
        trash->add(m);
    trash->add(first);
    first->setToDelete();
    second->setToDelete();
    clockNow.advance(9999);
    w->domodal();
    EXPECT_EQ(events(), std::vector<std::string>{});
    clockNow.advance(1);
    w->domodal();
    // The first took the second out of the trash as it went: the second is
    // not deleted by the trash.
    EXPECT_EQ(events(), (std::vector<std::string>{"~first"}));
    EXPECT_EQ(trash->getSize(), 2);
    delete second;
    events().clear();

    // Members marked when the window goes are deleted with the trash; the
    // others are their owners'.
    late->setToDelete();
    w.reset();
    EXPECT_EQ(events(), (std::vector<std::string>{"~late"}));
    delete kept;
    CWindowPaths::reset();
}

} // namespace
