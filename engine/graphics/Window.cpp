#include "graphics/Window.h"

#include "base/CommandLine.h"
#include "base/File.h"
#include "base/WindowPaths.h"
#include "base/WindowServices.h"
#include "graphics/PublicTrash.h"
#include "graphics/WindowSound.h"
#include "platform/Clock.h"
#include "script/Scene.h"

#include <cstdlib>

namespace {
CWindow* theWindow = nullptr;
bool pausedFlag = false;
} // namespace

CWindow::CWindow(CWindowHandle window, CCommandLine6* cmd, CLanguageOSVer* lang, CXSize size, CCursorHandle cursor,
                 const CXString& appDirectory, bool)
    : handle(window), language(lang), application(nullptr), clientSize(size), quitFlag(false), vmem(false),
      commandLine(cmd), mainCursor(cursor), soundOn(true), musicOn(true), windowMode(cmd && cmd->isWindowMode()),
      musicPlayer(nullptr), timer(nullptr), trash(nullptr), active(false), collisionInspector(nullptr)
{
    CWindowPaths::setExePath(appDirectory);
    CWindowPaths::setRootPath(CFile::getCurrentDirectory());
    CWindowPaths::setLangIfc(language);
    std::srand(platform::GetTickCount());
    theWindow = this;
    CXObject::setLogSink(&CWindow::toLog);
    CApplicationWindow::attach(this, this);

    timer = new CXTimer(this);
    const CWindowSoundLayer& sound = CWindowSoundLayer::get();
    if (sound.createSoundDevice)
        sound.createSoundDevice(this);
    if (sound.makeMusicPlayer)
        musicPlayer = sound.makeMusicPlayer(this);
    trash = new CPublicTrash(timer);
    CWindowServices::setTimer(timer);
    CWindowServices::setTrash(trash);
    if (commandLine) {
        musicOn = commandLine->isMusicEnabled();
        soundOn = commandLine->isSoundEnabled();
        vmem = commandLine->isVMem();
    }
}

CWindow::~CWindow()
{
    release();
    CApplicationWindow::detach(this);
    CXObject::setLogSink(nullptr);
    CWindowPaths::setLangIfc(nullptr);
    if (theWindow == this)
        theWindow = nullptr;
}

// The trash goes before the timer it is registered with; the music goes
// before the sound device.
void CWindow::release()
{
    if (CWindowServices::getTrash() == trash)
        CWindowServices::setTrash(nullptr);
    delete trash;
    trash = nullptr;
    delete musicPlayer;
    musicPlayer = nullptr;
    if (CWindowServices::getTimer() == timer)
        CWindowServices::setTimer(nullptr);
    delete timer;
    timer = nullptr;
    if (CWindowSoundLayer::get().destroySoundDevice)
        CWindowSoundLayer::get().destroySoundDevice();
}

bool CWindow::domodal()
{
    Tick();
    bool applicationEnds = application && application->domodal();
    return applicationEnds || quitFlag;
}

int CWindow::Tick()
{
    if (!active)
        return 0;
    Redraw();
    timer->domodal();
    // The sound manager's finish reports and the music's loop reports.
    if (CWindowSoundLayer::get().soundStep)
        CWindowSoundLayer::get().soundStep(this);
    return 0;
}

// Until the screen refresh draws the frames, the first frame of a scene is
// marked here, which starts the scene's music.
int CWindow::Redraw()
{
    CMC_ScreenUnit* unit = CMC_Scene::getDefUnit();
    if (unit && !unit->wasInitiallyUpdated())
        unit->onInitialUpdate();
    return 0;
}

int CWindow::OnCreate()
{
    SetTimer(0, 1);
    return 0;
}

int CWindow::OnActivateApp(bool on)
{
    if (on == active)
        return 0;
    active = on;
    return 0;
}

int CWindow::OnDestroy()
{
    quit();
    return 0;
}

bool CWindow::OnExit() { return application ? application->OnExit() : true; }

CXString CWindow::GetSoundFXFullPath(const CXString& name)
{
    if (!soundFXPath.IsString())
        return name;
    return soundFXPath + "\\" + name;
}

void CWindow::StartMusic(const CXString& fileName, bool loop)
{
    if (!soundOn || !musicOn || !musicPlayer)
        return;
    CXString path = CWindowPaths::getRootPath() + fileName;
    if (musicPlayer->isPlaying() && musicPlayer->getFileName().equalsIgnoreCase(path))
        return;
    musicPlayer->stop();
    musicPlayer->play(path, loop);
}

void CWindow::StopMusic()
{
    if (musicPlayer)
        musicPlayer->stop();
}

bool CWindow::isMusicPlaying() { return musicPlayer && musicPlayer->isPlaying(); }

int CWindow::getMusicVolume() { return musicPlayer && musicPlayer->hasStream() ? musicPlayer->getVolume() : -10000; }

void CWindow::setMusicVolume(int volume)
{
    if (musicPlayer)
        musicPlayer->setVolume(volume);
}

void CWindow::setMusicPan(int pan)
{
    if (musicPlayer)
        musicPlayer->setPan(pan);
}

void CWindow::setMusicFreq(int frequency)
{
    if (musicPlayer)
        musicPlayer->setFreq(frequency);
}

void CWindow::print(const CXRect&) { Redraw(); }

CXRect CWindow::getBoundingBox(CGraphicsObject*) { return CXRect(0, 0, 0, 0); }

void CWindow::SetTimer(int id, unsigned int milliseconds)
{
    timer->add(id, milliseconds, static_cast<CTimerWindow*>(this));
}

void CWindow::KillTimer(int id) { timer->remove(id); }

CWindow* CWindow::getWindow() { return theWindow; }
void CWindow::setPaused(bool on) { pausedFlag = on; }
bool CWindow::isPaused() { return pausedFlag; }
CXString CWindow::getExePath() { return CWindowPaths::getExePath(); }
CXString CWindow::getRootPath() { return CWindowPaths::getRootPath(); }
void CWindow::setCDPath(const CXString& path) { CWindowPaths::setCDPath(path); }
CXString CWindow::getCDPath() { return CWindowPaths::getCDPath(); }
void CWindow::toLog(const CXString&, bool) {}
