#pragma once
#include "base/Geometry.h"
#include "base/XObject.h"
#include "base/XString.h"
#include "graphics/Color.h"
#include "graphics/GraphicsTypes.h"

#include <vector>

class CDataBuffer2Dim;
class CFile;
class CGraphicsObject;
class CValidationQuene;
class CWindow;
class CXArray;

// Told when a drawable it watches changes its picture or goes away.
class CInvalidateObserver {
public:
    // source has invalidated rect (in the coordinates of the drawable that
    // source is drawn into).
    virtual void onInvalidate(CGraphicsObject* source, CXRect* rect) = 0;
    // source is being destroyed.
    virtual void onDestroy(CGraphicsObject* source) = 0;

protected:
    ~CInvalidateObserver() = default;
};

// What a drawable needs of the refresh screen that shows it. The refresh
// screen hands itself over with SetCanvas when it puts a drawable on
// screen and takes itself back (SetCanvas(null)) when it lets go of it.
class CRefreshScreenIfc {
public:
    // Adds rect (screen coordinates) to the areas redrawn in the next frame.
    virtual void invalidateArea(CXRect* rect) = 0;
    // Takes the drawable off the screen; it is being destroyed.
    virtual void removeDrawable(CGraphicsObject* drawable) = 0;

protected:
    ~CRefreshScreenIfc() = default;
};

// Told when a drawable whose collisions are watched changes its position;
// the window's collision inspector is one (CWindow::getCollisionInspectorIfc).
class CPositionObserver {
public:
    virtual void onPositionChanged(CGraphicsObject* drawable) = 0;

protected:
    ~CPositionObserver() = default;
};

// The base of everything drawn: a block of 15- or 16-bit pixels (24 and 32
// bits in passing) with an optional alpha plane, its place in the drawable
// it is drawn into, an anchor, clipping, opacity and visibility, the
// drawables drawn onto it, and the reports through which a change of its
// picture reaches the screen and any other observer.
//
// Plug-ins derive their own drawables from it, so the order of the virtual
// operations below is part of the library's interface: new ones go at the
// end.
//
// Pixel data are allocated with new[]; a drawable that owns its pixels
// frees them with delete[]. Used on the main thread only.
class CGraphicsObject : public CXObject, public CInvalidateObserver, public CSizedDrawable {
public:
    // An empty drawable: size 0 x 0, no data.
    explicit CGraphicsObject(CWindow* window);
    // Colour data of width x height pixels of that depth, zeroed; no alpha
    // plane.
    CGraphicsObject(CWindow* window, CXSize size, int bpp);
    // The buffer (made with new[]) becomes the colour data without a copy
    // and is freed with the drawable.
    CGraphicsObject(CWindow* window, CXSize size, int bpp, char* data);
    // A view: shows the pixels that source answers with GetDataPtr (an
    // animation's current frame), its alpha plane, size, format, clipping,
    // position, destiny, flags, opacity and visibility, and never frees
    // them. clone() makes one.
    CGraphicsObject(CWindow* window, CGraphicsObject& source);
    ~CGraphicsObject() override;

    // A drawable owns its pixel buffers: copying one member by member would
    // free them twice. Views (the constructor above, clone) and owned
    // copies (Copy) are the ways to duplicate one.
    CGraphicsObject(const CGraphicsObject&) = delete;
    CGraphicsObject& operator=(const CGraphicsObject&) = delete;

    // A view of this drawable.
    CXObject* clone() override;

    // Pixel data compression (see PixelCompression.cpp). pack puts back the
    // packed copies that unpack kept, freeing the plain pixels with
    // freeUnpacked (without it they are the caller's); it does nothing
    // unless unpack opened the image.
    virtual void pack(bool freeUnpacked);
    // Opens a packed (kind 4) image, keeping its packed copies, and marks
    // it unpacked; any other image is only marked.
    virtual void unpack();
    // The kind of drawable: 0 here, subclasses give their own.
    virtual int getGfxType() { return 0; }
    virtual void setMonitorCollisions(bool on) { monitorCollisions = on; }
    virtual bool getMonitorCollisionsFlag() { return monitorCollisions; }
    // 255 is opaque; below it the drawable is blended into its destination.
    virtual void SetOpacity(unsigned char value) { opacity = value; }
    // Removes the file coding: kind 2 (LZO) and 5 (JPEG colour, LZO alpha)
    // become plain pixels, kind 3 (LZO over RLE2) becomes kind 4. The
    // blocks are packedSize (colour) and planeSize[3] (alpha) bytes long. A
    // block that does not decode to the image's size leaves the drawable
    // as it was, with the error code ERROR_DAMAGED.
    virtual void DeCompress();
    // Opens a kind 4 image into plain pixels, keeping the packed copies.
    virtual void DeCompressRLE2();
    // After a DeCompressRLE2 without unpack: puts the packed copies back.
    virtual void bringBackCompressed();
    // The colour data as drawn; subclasses that draw other pixels (an
    // animation's frame, a display surface) answer with those.
    virtual char* GetDataPtr() { return data; }
    // Whether p (in the destiny's coordinates) hits the drawable: inside
    // the bounding box, and on a non-zero alpha byte when there is an
    // alpha plane.
    virtual bool testHit(CXPoint p);
    // (width / 2, height / 2).
    virtual CXPoint getCenterPoint() { return CXPoint(width / 2, height / 2); }
    virtual void setPosition(int px, int py) { SetPosition(px, py); }
    virtual void setPosition(CXPoint p) { SetPosition(p.x, p.y); }
    virtual void SetPosition(CXPoint p) { SetPosition(p.x, p.y); }
    // Places the anchor at (px, py): the top-left becomes (px - anchor x,
    // py - anchor y). Nothing is invalidated. A drawable whose collisions
    // are watched reports the move to the window's collision inspector.
    virtual void SetPosition(int px, int py);
    virtual void Move(CXPoint d) { Move(d.x, d.y); }
    // Shifts the drawable and invalidates, with the screen only, the union
    // of its bounding boxes before and after.
    virtual void Move(int dx, int dy);
    virtual void setAnchor(int ax, int ay) { setAnchor(CXPoint(ax, ay)); }
    // Stores the anchor; the drawable does not move.
    virtual void setAnchor(CXPoint p);
    virtual CXPoint getAnchor() { return CXPoint(anchorX, anchorY); }
    // Without a window, nothing; otherwise stores the flag and invalidates.
    virtual void Visible(bool on);
    // Frees the pixels (packing an open image first) when the drawable owns
    // them; size, format and position stay.
    virtual void Flush();
    virtual int GetPixelSize() { return __get_pixel_size(bpp); }
    // One byte of a plane at (p.y x width + p.x); 0 outside the plane. A
    // packed alpha plane is read through its packed form.
    virtual unsigned char GetPixel(_channel channel, CXPoint p);
    virtual CColor GetPixel(CXPoint p) { return GetPixel(p.x, p.y); }
    // The pixel as a colour: a 15- or 16-bit word with its model, a 24-bit
    // pixel as RGB; black RGB outside the image, for a packed image and for
    // other depths.
    virtual CColor GetPixel(int px, int py);
    // Image operations (see ImageOperations.cpp). FlipH reverses the order
    // of the rows, FlipV each row; each toggles its flag. A packed image is
    // opened for them and packed again, and an open one has its packed
    // copies mirrored too, so that packing it again keeps the change.
    virtual void FlipH();
    virtual void FlipV();
    // Undoes the flips that are set.
    virtual void resetFlips();
    // Every pixel of a plain 15, 16 or 32-bit image.
    virtual void Fill(CColor* colour);
    // The pixels of r inside a plain 15 or 16-bit image.
    virtual void Fill(CXRect r, CColor* colour);
    // Draws the drawable once into destination at its position, clipped to
    // the destination (see drawTo).
    virtual void redraw(CGraphicsObject* destination);
    // Restores the background copy, draws the children onto this drawable
    // and then draws it into its destiny.
    virtual void Redraw();
    // A filter into the destiny through a lookup table; see the source.
    virtual void Blend(char* source, int* table, int offset, int level);
    // Reads the engine's image file (see ImageFormat.cpp) and converts its
    // pixels to the display's depth. The error code: 0, CFile::ERROR_OPEN
    // when the file cannot be opened, ERROR_DAMAGED when it is short or
    // damaged (the drawable is then empty).
    virtual int Load(CXString fileName);
    // Reads nothing here: 0.
    virtual int Load(CFile*) { return 0; }
    // Writes the drawable as an engine image file ("PIK") of that kind
    // (0, 2, 3 or 4), only the part its clipping rectangle names when it
    // names one. 0, or CFile::ERROR_OPEN when nothing could be written.
    virtual int Save(CXString fileName, _compression kind);
    virtual int Save(CFile* file, _compression kind);
    int Width() override { return width; }
    int Height() override { return height; }
    virtual CXSize Size() { return CXSize(width, height); }
    // Stores the size only.
    virtual void setSize(CXSize size);
    virtual CXPoint getPosition() { return GetPosition(); }
    // The stored top-left.
    virtual CXPoint GetPosition() { return CXPoint(x, y); }
    // (x, y, x + width, y + height).
    virtual CXRect getRect();
    virtual int getWidth() { return width; }
    virtual int getHeight() { return height; }
    // getRect() with left and top raised to 0, right and bottom lowered to
    // the destiny's size, then cut to the clipping rectangle moved by the
    // position when there is one.
    virtual CXRect GetBoundingBox();
    // The same without the limits of 0 and of the destiny.
    virtual CXRect GetAbsoluteBoundingBox();
    // Whether the part of the bounding box inside r is at least percent of
    // the box's area; false for an empty box.
    virtual bool isNear(CXRect r, int percent);
    virtual bool isNear(CGraphicsObject* other, int percent);
    // From the destiny's coordinates into the drawable's own.
    virtual CXPoint ClientCoords(CXPoint p) { return CXPoint(p.x - x, p.y - y); }
    // In the drawable's own pixels; an empty rectangle means none.
    virtual void SetClippingRect(CXRect r) { clip = r; }
    // Tells the screen and the observers of the part of the bounding box
    // inside *r (all of it for null); an empty part tells nobody.
    virtual void Invalidate(CXRect* r);
    // Tells the screen and the observers of the whole bounding box.
    virtual void Invalidate();
    // Adds an observer once.
    virtual void addInvalidateObserver(CInvalidateObserver* observer);
    virtual void removeInvalidateObserver(CInvalidateObserver* observer);
    // Calls onInvalidate on every observer in the order they were added.
    virtual void notifyInvalidate(CXRect* r);
    // The drawable shown now: itself here.
    virtual CGraphicsObject* getDrawn() { return this; }

    // A child drawn onto this one is invalidated: so is this drawable there.
    void onInvalidate(CGraphicsObject* source, CXRect* rect) override;
    // A child is destroyed: it is taken out of the children.
    void onDestroy(CGraphicsObject* source) override;

    // Geometry and hit tests.
    void SetClippingRect(int l, int t, int r, int b) { SetClippingRect(CXRect(l, t, r, b)); }
    CXRect GetClippingRect() const { return clip; }
    void SetAutoClip(bool on) { autoClip = on; }
    bool GetAutoClip() const { return autoClip; }
    void SetViewport(CXRect r) { viewport = r; }
    CXRect GetViewport() const { return viewport; }
    // Inside the bounding box, and with pixelExact on a non-zero alpha byte
    // (the test of testHit).
    bool isAt(CXPoint p, bool pixelExact);
    // Inside the bounding box, and with pixelExact on a non-zero alpha byte
    // at (px - box left, py - box top) of the plane.
    bool isInside(int px, int py, bool pixelExact);
    void Show() { Visible(true); }
    void Hide() { Visible(false); }
    bool IsVisible() const { return visible; }
    // Whether the drawable was invalidated since the last call.
    bool isInvalidated();

    // Children: drawables drawn onto this one in the order they were added.
    // The first child makes a copy of the drawable's own pixels that every
    // Redraw puts back before drawing the children.
    void addObject(CGraphicsObject* child, int priority);
    void removeObject(CGraphicsObject* child);
    void removeAllObjects();
    // Puts the background copy back over the pixels.
    void restoreImage();
    CValidationQuene* getChildren() { return children; }

    // Plain accessors.
    CWindow* GetWindow() { return window; }
    CRefreshScreenIfc* GetCanvas() { return screen; }
    void SetCanvas(CRefreshScreenIfc* refreshScreen) { screen = refreshScreen; }
    CGraphicsObject* GetDestiny() { return destiny; }
    void SetDestiny(CGraphicsObject* d) { destiny = d; }
    // Row length in pixels: the width, or a surface's longer row.
    int GetPitch() const { return pitch; }
    void SetPitch(int p) { pitch = p; }
    int GetFlags() const { return flags; }
    void SetFlags(int f) { flags = f; }
    _compression GetCompression() const { return compression; }
    void SetCompression(_compression kind) { compression = kind; }
    int GetBpp() const { return bpp; }
    void SetBpp(int b) { bpp = b; }
    void SetDataPtr(char* d) { data = d; }
    int GetDataSize() const { return dataSize; }
    int GetChannelSize(int index) const { return index >= 0 && index < 4 ? planeSize[index] : 0; }
    char*& GetChannelRed() { return red; }
    char*& GetChannelGreen() { return green; }
    char*& GetChannelBlue() { return blue; }
    char*& GetChannelAlpha() { return alpha; }
    // Set the plane when the argument is not null; return it.
    char* RedChannel(char* plane);
    char* GreenChannel(char* plane);
    char* BlueChannel(char* plane);
    // Sets the alpha plane, null included; nothing is copied or freed.
    char* AlphaChannel(char* plane)
    {
        alpha = plane;
        return alpha;
    }
    void setAlphaAsMask(bool on) { alphaAsMask = on; }
    bool getAlphaAsMask() const { return alphaAsMask; }
    unsigned char GetOpacity() const { return opacity; }
    // Opacity plus delta, kept to 0..255.
    void AddOpacity(short delta);
    void setFileName(const CXString& fileName) { name = fileName; }
    CXString getFileName() const { return name; }
    bool ownsData() const { return ownsPixels; }

    // Storage.
    // Flush, then colour data of that size for the present depth and an
    // alpha plane, both zeroed; the last two arguments are not used.
    void alloc(CXSize size, int unused = 0, bool unusedFlag = false);
    // Flush, then colour data only for the present size and depth.
    void Alloc();
    // Makes the observer list and the process-wide multiply table when they
    // are missing; for subclasses that build their fields themselves.
    void initialize();
    // Frees the multiply table; the next drawable makes it again.
    static void ReleaseGraphics();

    // A draw of the screen or of a canvas is under way while one lives. A
    // drawable's Redraw may run code that lets go of the drawable being
    // drawn, or of one that draws it (a canvas deleted by the script of what
    // it draws): deleteWhenDrawn then waits until the outermost draw is
    // over, since the draws on the stack go on with it.
    class Drawing {
    public:
        Drawing();
        ~Drawing();
        Drawing(const Drawing&) = delete;
        Drawing& operator=(const Drawing&) = delete;
    };
    // Deletes a drawable that nothing lists any more: now, or when the
    // draws under way are over.
    static void deleteWhenDrawn(CGraphicsObject* drawable);

    // Pixels.
    // Stores the colour at (px, py) of a 15- or 16-bit image.
    void SetPixel(int px, int py, CColor colour);
    void SetPixel(CXPoint p, CColor colour) { SetPixel(p.x, p.y, colour); }
    // Blends a word of the drawable's format into the pixel at (px, py)
    // with alpha 0..255: each channel becomes (s x alpha) >> 8 plus
    // (d x (255 - alpha)) >> 8, d being 0 with replace.
    void putPixel(int px, int py, short colour, int alphaValue, bool replace);
    void putPixel15(int px, int py, short colour, int alphaValue, bool replace);
    void putPixel16(int px, int py, short colour, int alphaValue, bool replace);
    // Converts the pixels for a destination of that depth (see the source).
    void Convert(int target);
    // Converts plain pixels (24-bit ones included) to the depth of the
    // window's display; without a display they stay as they are.
    void convertToDisplay();
    // Splits 24-bit data into red, green and blue planes.
    void Split();
    // Joins the planes into 24-bit data and converts back to the depth the
    // drawable had.
    void JoinChannels();
    // A new buffer of four bytes a pixel: the three of the 24-bit data and
    // the alpha byte (255 without a plane); null without 24-bit data.
    char* Join2Channels();
    // The inverse: count pixels of four bytes become 24-bit data and an
    // alpha plane.
    void SplitOn2(char* buffer, int count);

    // Draws the drawable once into a destination given as plain memory
    // (a locked surface, or another drawable's pixels): converts the
    // pixels to the destination's depth, narrows the clipping rectangle to
    // the visible part when autoClip is set, and picks the copy by opacity,
    // the destination's alpha plane and the source's alpha. Nothing outside
    // the destination is touched. False when nothing could be drawn.
    bool drawTo(_canvas* destination);

    // Formats.
    static int __get_pixel_size(int bpp);
    static int __get_data_size(CXSize size, int bpp);
    // Image files' depth codes: 8 -> 1, 15 -> 2, 16 -> 4, 24 -> 8, 2 -> 256,
    // 4 -> 512, anything else 0; GetRealBpp is the inverse.
    static int GetFlagBpp(int bpp);
    static int GetRealBpp(int code);
    // 15 -> 16: 1, 16 -> 15: 2, 32 -> 15: 3, 32 -> 16: 4, same 15 or 16: 5,
    // other pairs 0.
    static int __get_convert_code(int from, int to);
    // Converts size pixels of *data in place from one depth to another:
    // 15 <-> 16, and 24 or 32 down to 15 or 16. False for other pairs,
    // which leave the data as it was.
    static bool __convert_bpp(char** data, char** second, CXSize size, int from, int to, _palette** palette,
                              bool flag);

    // The multiply table: 512 x 256 entries, entry[(d + 256) x 256 + a] =
    // d x a for d in -256..255 and a in 0..255.
    static short* __get_mul_array();
    static void __initialize_mul_array();
    static void __done_mul_array();

    // The copy family. Each draws source into destination by one rule (see
    // Blit.cpp): the plain copy, the alpha copy, the alpha plane as a mask,
    // the blends with an opacity, the copy onto a destination with its own
    // alpha plane, and the 32-bit forms that draw 5-6-5 words onto 32-bit
    // pixels. The drawn area is cut to both images, so a source partly or
    // wholly off the destination writes nothing outside it.
    static bool __copy(_canvas* source, _canvas* destination);
    static bool __copy_bpp15_16(_canvas* source, _canvas* destination);
    static bool __copy_bpp32(_canvas* source, _canvas* destination);
    static bool __copy_alpha(_canvas* source, _canvas* destination);
    static bool __copy_alpha15(_canvas* source, _canvas* destination);
    static bool __copy_alpha16(_canvas* source, _canvas* destination);
    static bool __copy_alpha32(_canvas* source, _canvas* destination);
    static bool __copy_alpha_as_mask(_canvas* source, _canvas* destination);
    static bool __copy_blend(_canvas* source, _canvas* destination, unsigned char opacity);
    static bool __copy_blend15(_canvas* source, _canvas* destination, unsigned char opacity);
    static bool __copy_blend16(_canvas* source, _canvas* destination, unsigned char opacity);
    static bool __copy_blend32(_canvas* source, _canvas* destination, unsigned char opacity);
    static bool __copy_alpha_blend15(_canvas* source, _canvas* destination, unsigned char opacity);
    static bool __copy_alpha_blend16(_canvas* source, _canvas* destination, unsigned char opacity);
    static bool __copy_alpha_blend32(_canvas* source, _canvas* destination, unsigned char opacity);
    static bool copyToCanvas(_canvas* source, _canvas* destination);

    // The error code of a packed block that does not decode to the image,
    // and of an image file that is short or damaged.
    enum { ERROR_DAMAGED = 2001 };

    // Packs a plain image into RLE2 (kind 4, the only kind made here): the
    // colour data as 16-bit words, the alpha plane as bytes.
    void Compress(_compression kind);

    // Image operations. Unless a comment says otherwise they work on plain
    // (kind 0) 15/16-bit pixels, keep every write inside the image and
    // change nothing else; operations that make new buffers (crop, Scale,
    // Scale2x, displacementFilter) leave a view's borrowed pixels alone.
    //
    // This drawable becomes an owned plain copy of source's pixels (a
    // packed source is read through its packed form and left as it is):
    // the part inside its clipping rectangle when it has one, else all.
    void Copy(CGraphicsObject* source);
    // An owned copy of the part r of source, placed at (r.left, r.top);
    // pixels of r outside source are 0. r of four equal coordinates
    // copies all of source.
    void Copy(CGraphicsObject* source, CXRect r);
    // Keeps the part r of the image (limited to it); the position stays.
    void crop(CXRect r);
    // Every word equal to from becomes to; a packed image is opened for it
    // as for the flips, so that every frame of an animation can take it.
    void replace_color(short from, short to);
    void ToGrayScale();
    // 15-bit images only.
    void InvertColors();
    // Frames the image thickness pixels deep in colour, its alpha opaque.
    void outline(unsigned short colour, int thickness);
    // Centres the drawable in r.
    void FitRect(CXRect r);
    void FitObject(CGraphicsObject* other);
    // Nearest-neighbour scaling by the factors; positive factors only.
    void Scale(double sx, double sy) { Scale(sx, sy, true); }
    // The same; without freeOld the replaced buffers are the caller's.
    void Scale(double sx, double sy, bool freeOld);
    // Half the size, taking every second pixel of every second row.
    void Scale2x();
    // Stamps stamp's alpha plane into this one at p (this drawable's
    // pixels), putting back what its previous stamp replaced.
    void mergeAlpha(CXPoint p, CGraphicsObject* stamp);
    // Puts back the alpha that stamp's last stamp replaced.
    void restoreAlpha(CGraphicsObject* stamp);
    // Where this alpha is not 0 at p + (c, r), it takes stamp's alpha at
    // (c, r); with reset the alpha is first made opaque.
    void mergeAlpha2(CXPoint p, CGraphicsObject* stamp, bool reset);
    // map holds one offset a pixel: each pixel takes the one at its offset,
    // or keeps its own when that lies outside the image. The replaced
    // buffers are freed with freeOld; otherwise the caller holds them.
    void displacementFilter(CXPoint* map, bool withAlpha, bool freeOld);
    // The buffers (made with new[], the alpha plane may be null) become the
    // drawable's own plain pixels of that size. The replaced buffers are
    // freed with freeOld (a buffer kept in place is not); otherwise the
    // caller holds them.
    void takePixels(char* colour, char* plane, CXSize size, bool freeOld);
    // Colouring-book fill of a 15/16-bit target of this image's size: grows
    // the region from p over pixels that are not black (0) in this image
    // and not yet the colour in target, paints it into target and records
    // its spans. The spans are kept in storage of the drawable's own that
    // grows with the fill (getFFArray, getFFEnterances) until the next
    // fill. Returns (least x, least y, greatest span end, last row).
    CXRect PrepareFloodFill(CXPoint p, CColor colour, char* target);
    // Paints the spans of the last PrepareFloodFill into target.
    void FloodFill(CColor colour, char* target);
    _floodfill* getFFArray() { return fillArray; }
    int getFFEnterances() const { return fillCount; }

    // An edit of plain pixels that the flips and replace_color make (see
    // ImageOperations.cpp).
    struct PixelEdit;

protected:
    // The part of the constructors shared by all of them.
    void construct(CWindow* owner);
    // Tells the window's collision inspector of a move when watched.
    void reportPosition();
    // Frees a buffer this drawable owns and clears the pointer.
    void release(char*& buffer);
    // New buffers took the place of the pixels (takePixels,
    // displacementFilter), which may be freed: a drawable whose buffers
    // others show moves them onto the new ones.
    virtual void onPixelsReplaced() {}
    // The source record of drawTo.
    void sourceCanvas(_canvas* out);
    // The 15/16-bit word at a pixel of plain data, null outside the image.
    PixelWord* wordAt(int px, int py);
    // This drawable becomes an owned plain copy of the part r of source
    // (Copy's work).
    void copyPart(CGraphicsObject* source, const CXRect& r);
    // The pixels become the old pixels (columns[i], rows[j]) (the scalings'
    // work).
    void resampleTo(const std::vector<int>& columns, const std::vector<int>& rows, bool freeOld);
    // Puts the packed copies back as the pixels (pack's work).
    void restorePacked(bool freeUnpacked);
    // Frees the packed copies.
    void dropPacked();
    // Runs edit on the plain pixels as the flips do (see FlipH); false when
    // the image has no pixels it can edit.
    bool editPixels(PixelEdit& edit);
    // The engine's image file from the start of an open file, in any of its
    // layouts; readNVI the "NVI" layout alone. The picture read replaces
    // this drawable's; the result is the error code.
    int readImageFile(CFile* file);
    int readNVI(CFile* file);
    // Drops the picture before a read and clears the error code.
    void startReading();
    // Leaves the drawable empty (0 x 0) with ERROR_DAMAGED, which it returns.
    int damaged();
    // Whether packed (RLE2) pixels and alpha open to the whole picture;
    // true for any other kind.
    bool packedFormCovers();
    // This drawable becomes an owned copy of the picture source shows, in
    // the form it is held (plain, or packed with its packed lengths), with
    // its position, clipping, name and drawing settings.
    void copyPicture(CGraphicsObject* source);

    CXString name;
    CWindow* window;
    CRefreshScreenIfc* screen;
    CGraphicsObject* destiny;
    CDataBuffer2Dim* background;
    int32_t width, height;
    int32_t pitch;
    char* data;
    int32_t bpp;
    int32_t flags;
    bool autoClip;
    CXRect clip;
    CXRect viewport;
    int32_t x, y;
    int32_t anchorX, anchorY;
    bool flippedH, flippedV;
    int32_t copyFlag;
    int32_t planeSize[4];
    char* red;
    char* green;
    char* blue;
    char* alpha;
    bool alphaAsMask;
    bool ownsPixels;
    int32_t dataSize;
    int32_t packedSize, packedSize2;
    _compression compression;
    CColor colourA, colourB;
    unsigned char opacity;
    int32_t fillCount;
    _floodfill* fillArray;
    CXRect mergeRect;
    char* savedAlpha;
    bool invalidated;
    CXArray* observers;
    char* packedData;
    char* packedAlpha;
    int32_t packedBpp;
    int32_t packedAlphaSize; // the packed alpha copy's length
    int32_t fillCapacity;    // entries fillArray has room for
    bool monitorCollisions;
    bool unpacked;
    CValidationQuene* children;
    bool visible;
};

// A bitmap drawable; its constructors make an empty drawable and read
// nothing, so a picture named ".bmp" shows nothing.
class CXBitmap : public CGraphicsObject {
public:
    explicit CXBitmap(CWindow* window) : CGraphicsObject(window) {}
    CXBitmap(CWindow* window, const CXString&) : CGraphicsObject(window) {}
    CXBitmap(CWindow* window, CGraphicsObject*) : CGraphicsObject(window) {}
    // An empty drawable of the other's window.
    CXBitmap(CXBitmap& other) : CGraphicsObject(other.GetWindow()) {}

    int Load(CXString fileName) override { return CGraphicsObject::Load(fileName); }
    int Load(CFile* file) override { return CGraphicsObject::Load(file); }
    // Writes nothing.
    int Save(CXString, _compression) override { return 0; }
    using CGraphicsObject::Save;
};
