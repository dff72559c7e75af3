#pragma once
#include "graphics/GraphicsObject.h"
#include "media/Playable.h"

#include <vector>

class CMElement;

// A still picture: a drawable that is also a playable, so that scenes,
// sequences and the script image object treat it as an animation that
// never moves. It reads the engine's image file (".img", see
// ImageFormat.cpp) and JPEG files, and shows PSD and Targa files; it can
// wait to be loaded until it is first shown, and can drop its pixels again
// when it is hidden.
//
// An image read from a kind 3 or 4 file keeps its pixels packed (RLE2) and
// opens them the first time it is drawn.
//
// An image can be linked to another (link): it then shows the other's
// pixel buffers without owning them, and takes up whatever buffers the
// other holds each time it is drawn or read, so that neither frees what the
// other still shows.
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
    // The usual entry: an ".img" file by name through the data folders, a
    // ".psd" document's selected layer or a ".tga" picture through their
    // readers (any other name is decoded as JPEG, from a file on disk),
    // converted to the display's depth with convert. The error code, as
    // the reader gives it; 2000 when the file cannot be opened. A file
    // missing or refused is named on standard error.
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

    // Shows the pixels and alpha plane of source (of the image that source
    // itself shows, when source is linked) without owning them; this image
    // frees its own first and keeps its place, anchor, opacity, flips and
    // visibility. Later changes of the source's pixels show here too. When
    // the source is deleted this image keeps a copy of what it showed; when
    // it reads or is given pixels of its own, the link ends. Nothing for
    // null, for this image and for an image showing this one's pixels.
    void link(CImage* source);
    CImage* getLinkSource() { return linkSource; }
    // A linked image takes up the source's present buffers, size and
    // format; the drawing and reading paths below call it.
    void syncLink();
    // Ends a link (the image is left without pixels) or tells the linked
    // images that these buffers go, then frees what the image owns.
    void Flush() override;
    // The linked images take up the source's buffers, which may have
    // changed with the picture, and are drawn again with it.
    void Invalidate() override;
    void Invalidate(CXRect* r) override;
    bool testHit(CXPoint p) override;
    // Itself, brought up to date: what the collision inspector reads.
    CGraphicsObject* getDrawn() override;
    using CGraphicsObject::GetPixel;
    unsigned char GetPixel(_channel channel, CXPoint p) override;
    CColor GetPixel(int px, int py) override;

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

private:
    // Leaves the source: no pixels, owned ones to come.
    void unlink();
    // The shared pixels become owned copies; the link ends.
    void keepCopy();
    void tellViewers(bool sync);
    // The linked images take up the new buffers at once: the old ones may
    // be freed already.
    void onPixelsReplaced() override { tellViewers(true); }
    // The linked images' places on the screen show the source's change.
    void invalidateViewers();

    CImage* linkSource = nullptr;
    std::vector<CImage*> viewers;
};
