#pragma once
#include "media/Animo.h"

class CMElement;
class CResourcesManager;

// The animation a scene's definition makes: a CAnimo built from its
// element, which names the file and says whether it is loaded at once
// ("PRELOAD", true unless it says otherwise), shown ("VISIBLE", hidden
// unless it says so) and freed whenever it is hidden ("RELEASEAFTERUSE"),
// to be loaded again when it is shown. It passes flips, packing and colour
// replacement on to every frame, and volume, panning and frequency to
// every frame sound. Main thread only.
class CAnimo6 : public CAnimo {
public:
    enum { GFX_TYPE = 2 };

    // An empty animation.
    explicit CAnimo6(CWindow* window);
    // Loads the file.
    CAnimo6(CWindow* window, const CXString& fileName);
    // A copy that shares the source's frames and events (see CAnimo).
    explicit CAnimo6(CAnimo& source) : CAnimo(source) {}
    // From a definition element: "RELEASEAFTERUSE", "PRELOAD", "FILENAME"
    // and "VISIBLE".
    CAnimo6(CWindow* window, CMElement* element);
    CAnimo6(const CAnimo6&) = delete;
    CAnimo6& operator=(const CAnimo6&) = delete;

    // The scene animation of the file registered with the resources
    // manager, with one user more; when there is none, a new one for the
    // file (loaded now with preload) registered there. Null without a
    // manager or a file name, or when the name is registered for something
    // that is no scene animation.
    static CAnimo6* fromResources(CResourcesManager* resources, CWindow* window, const CXString& fileName,
                                  bool preload);

    // A copy of this animation that shares its frames.
    CXObject* clone() override { return new CAnimo6(static_cast<CAnimo&>(*this)); }
    int getGfxType() override { return GFX_TYPE; }
    virtual void flush() { Flush(); }
    // The current frame's own rectangle moved by the global origin.
    CXRect getRect() override;

    int GetMaxWidth();
    int GetMaxHeight();
    // Playing the event of exactly that name (letter case counts).
    using CAnimo::isPlaying;
    bool isPlaying(const char* event);
    // Every frame sound of every position takes the value; nothing when
    // the frame sounds are streamed.
    void setVolume(int volume) override;
    void setPanning(int pan) override;
    void setFrequency(int frequency) override;
    // On every frame.
    void FlipH() override;
    void FlipV() override;
    void resetFlips() override;
    void pack(bool freeUnpacked) override;
    void unpack() override;
    void replace_color(short from, short to);
    // The current frame's own test (CGraphicsObject::isAt), in the frame's
    // place; false without a current frame.
    bool isAt(CXPoint p, bool pixelExact);

private:
    // Runs the operation on every frame, then shows the current frame's
    // pixels as they now are.
    template <typename Operation> void forEachFrame(Operation operation);
    template <typename Operation> void forEachSound(Operation operation);
};
