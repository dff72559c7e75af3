#include "media/MusicPlayer.h"

#include "base/WindowPaths.h"
#include "media/SndStream.h"
#include "media/Sound4.h"

CMusicPlayer::CMusicPlayer(CWindow* w) : window(w), stream(nullptr) {}

CMusicPlayer::~CMusicPlayer() { stop(); }

// A stream left playing would go on refilling with nobody to stop it.
void CMusicPlayer::play(const CXString& name, bool loop)
{
    stop();
    // Named as the title names it: the window puts the root path before it.
    stream = new CSndStream(window, name, CSound4::withoutFolder(CWindowPaths::getRootPath(), name));
    if (stream->LastError() == 0) {
        fileName = name;
        stream->Play(loop);
    }
}

void CMusicPlayer::stop()
{
    delete stream;
    stream = nullptr;
}

bool CMusicPlayer::isPlaying() { return stream && stream->IsPlaying(); }

void CMusicPlayer::setVolume(int volume)
{
    if (stream)
        stream->setVolume(volume);
}

int CMusicPlayer::getVolume() { return stream ? stream->getVolume() : 0; }

void CMusicPlayer::setPan(int pan)
{
    if (stream)
        stream->setPan(pan);
}

void CMusicPlayer::setFreq(int frequency)
{
    if (stream)
        stream->setFreq(frequency);
}
