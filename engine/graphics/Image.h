#pragma once
#include "graphics/GraphicsObject.h"
#include "media/Playable.h"

class CMElement;

// A still picture: a drawable that is also a playable, so that scenes,
// sequences and the script image object treat it as an animation that
// never moves. It reads the engine's image file (".img", see
// ImageFormat.cpp) and JPEG files, can wait to be loaded until it is first
// shown, and can drop its pixels again when it is hidden.
//
// An image read from a kind 3 or 4 file keeps its pixels packed (RLE2) and
// opens them the first time it is drawn.
class CImage : public CGraphicsObject, public CPlayable {
public:
    explicit CImage(CWindow* window);
    // Loads the file (Load with conversion); the error code is the result.
    CImage(CWindow* window, CXString name);
    // An owned copy of source's picture (as it is held, packed or not) with
    // an empty name; what CImageFile::Save writes.
    CImage(CWindow* window, CGraphicsObject* source);
    // An owned copy of the other image, its file name and flags included.
    CImage(CImage& other);
    // From a definition record: "FILENAME", "PRELOAD", "VISIBLE" and
    // "RELEASEAFTERUSE" (see the source).
    CImage(CWindow* window, CMElement* element);
    ~CImage() override;
    CImage& operator=(const CImage&) = delete;

    // Decodes the JPEG file at path (the engine's form of a path) into the
    // picture, in the display's 15 or 16-bit words. 0, CFile::ERROR_OPEN
    // when it cannot be opened, ERROR_DAMAGED when it cannot be decoded (the
    // picture is then empty).
    virtual int load(CXString path);
    // The usual entry: an ".img" file by name through the data folders
    // (any other name is decoded as JPEG, from a file on disk), converted
    // to the display's depth with convert. The error code, as load gives
    // it; 2000 when the ".img" file cannot be opened.
    virtual int Load(CXString name, bool convert);
    // The "NVI" layout of an open file, from its start.
    virtual int Load3(CFile* file);
    // Drops the pixels and the loaded mark.
    virtual void flush();

    // A new owned copy (CImage(CImage&)).
    CXObject* clone() override;
    // An open ".img" file in any of its layouts; the error code.
    int Load(CFile* file) override;
    // Load(name, true).
    int Load(CXString name) override { return Load(name, true); }
    // Opens packed pixels before they are drawn.
    void redraw(CGraphicsObject* destination) override;

    // Loads a not-loaded image that has a file name, then makes it visible.
    void show() override;
    // Drops the pixels when they are to be released after use, then hides.
    void hide() override;
    void setVisibility(bool on) override;
    bool isVisible() override { return IsVisible(); }
    // The drawable's position.
    void setPosition(int px, int py) override { SetPosition(px, py); }
    void setPosition(CXPoint p) override { SetPosition(p.x, p.y); }
    // The file name of the resource (the drawable's own is
    // CGraphicsObject::getFileName).
    CXString getFileName() override { return CFileResolver::getFileName(); }

    // A still picture does not play: these do nothing.
    using CPlayable::play;
    void play() override {}
    void stop(bool) override {}
    void pause() override {}
    void resume() override {}
    void seek(int) override {}
    void onStarted() override {}
    void onFinished() override {}
    void alwaysOnTop() override {}
};
