#pragma once
#include "base/XObject.h"
#include "base/XString.h"
#include "graphics/WindowSound.h"

class CSndStream;
class CWindow;

// The window's background music: one stream at a time, by its full path.
class CMusicPlayer : public CXObject, public CWindowMusic {
public:
    explicit CMusicPlayer(CWindow* window);
    ~CMusicPlayer() override;
    CMusicPlayer(const CMusicPlayer&) = delete;
    CMusicPlayer& operator=(const CMusicPlayer&) = delete;

    // A new stream of the file; it plays when it opened (a stream that did
    // not open is kept, silent, until stop). A stream still there is
    // replaced.
    void play(const CXString& fileName, bool loop) override;
    void stop() override;
    bool isPlaying() override;
    bool hasStream() override { return stream != nullptr; }
    void setVolume(int volume) override;
    int getVolume() override;
    void setPan(int pan) override;
    void setFreq(int frequency) override;
    CXString getFileName() override { return fileName; }
    CSndStream* getStream() { return stream; }

private:
    CWindow* window;
    CSndStream* stream;
    CXString fileName;
};
