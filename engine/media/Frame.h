#pragma once
#include "graphics/GraphicsObject.h"

#include <cstdint>

class CAnimoReader;
class CAnimoWriter;

// One picture of an animation: a drawable with its own position relative
// to the animation's origin, as its file gives it, and an offset that moves
// add to. Its pixels stay in the form the file stored them in (or the RLE2
// form the loader leaves them in) until it is drawn; drawing opens them,
// and the animation packs the frame again when another one is shown.
class CFrame : public CGraphicsObject {
public:
    // Legacy file versions: "PIK", "PI2", "PI3".
    enum { VERSION_PIK = 1, VERSION_PI2 = 2, VERSION_PI3 = 3 };
    // Frame header sizes of the current and packed families, and the most
    // 32-bit descriptor words a header holds.
    enum { HEADER_NEW = 32, HEADER_NEW2 = 52, MAX_DESCRIPTORS = 4 };

    // An empty frame.
    explicit CFrame(CWindow* window);
    // A frame holding its own copy of the drawable's pixels, its own
    // position the drawable's position.
    CFrame(CWindow* window, CGraphicsObject& source);
    // An empty frame for the other's window at (0, 0): nothing is copied.
    explicit CFrame(CFrame& other);
    // This frame becomes a copy of the other: its own copy of the pixels,
    // the file version, the own position and the offset.
    CFrame& operator=(CFrame& other);
    CFrame(const CFrame&) = delete;
    CFrame& operator=(const CFrame&) = delete;

    // The own position (relative to the animation's origin).
    CXPoint GetPosition() override { return CXPoint(ownX, ownY); }
    CXPoint GetFramePosition() { return CXPoint(ownX, ownY); }
    CXPoint getPosOffset() { return CXPoint(offsetX, offsetY); }
    void SetPosOffset(CXPoint p)
    {
        offsetX = p.x;
        offsetY = p.y;
    }
    // Clears the offset and sets the own position and the drawable's.
    void SetPosition(int px, int py) override;
    void SetPosition(CXPoint p) override { SetPosition(p.x, p.y); }
    // Moves the drawable and adds (dx, dy) to the own position and the offset.
    void Move(int dx, int dy) override;
    using CGraphicsObject::Move;
    // Opens the pixels (the file forms with DeCompress, RLE2 with
    // DeCompressRLE2), then draws as a drawable. Pixels that could not be
    // opened are not drawn.
    void redraw(CGraphicsObject* destination) override;

    int getVersion() const { return version; }
    void setVersion(int v) { version = v; }
    int getDescriptorCount() const { return descriptors; }
    // The byte lengths of the colour and alpha data in their present form,
    // as a file stores them.
    int colourBytes();
    int alphaBytes();

    // Headers. Each reads its whole header and checks what it says (sizes
    // not negative, at most four descriptor words, a picture of sane size);
    // false leaves the frame unusable and the reader failed.
    // Legacy: 20 bytes for "PIK", 32 for "PI2" and "PI3".
    bool LoadHeader(CAnimoReader& in, int version);
    // The packed family and "NV+" (32 bytes), "NVI" and "NVP" (52 bytes).
    bool LoadHeaderNew(CAnimoReader& in) { return readHeader(in, HEADER_NEW); }
    bool LoadHeaderNew2(CAnimoReader& in) { return readHeader(in, HEADER_NEW2); }
    // The data its header announced: the colour data, then the alpha data
    // when there is any. False, with no pixels kept, when they are not all
    // there or cannot be the picture the header describes.
    bool LoadNew(CAnimoReader& in);
    bool Load(CAnimoReader& in) { return LoadNew(in); }
    // Writers: "NVP" (52 bytes), "NV+" (32 bytes), legacy (20 or 32 bytes),
    // then the data as the readers take it.
    void SaveHeaderNew(CAnimoWriter& out) { writeHeader(out, HEADER_NEW2); }
    void SaveHeader3(CAnimoWriter& out) { writeHeader(out, HEADER_NEW); }
    void SaveHeader(CAnimoWriter& out, int version);
    void SaveNew(CAnimoWriter& out);
    void Save(CAnimoWriter& out) { SaveNew(out); }

    using CGraphicsObject::Load;
    using CGraphicsObject::Save;

private:
    bool readHeader(CAnimoReader& in, int size);
    // At most four words; more fail the reader.
    bool readDescriptors(CAnimoReader& in, uint32_t count, uint32_t (&words)[MAX_DESCRIPTORS]);
    // A frame's size and own position as a header gives them.
    struct Place {
        int w = 0, h = 0, x = 0, y = 0;
    };
    // Checks and takes what a header says: the size and place, the colour
    // data's length and the descriptor words, the fourth being the alpha
    // data's length.
    bool takeHeader(CAnimoReader& in, const Place& place, uint32_t colour, const uint32_t (&words)[MAX_DESCRIPTORS]);
    void writeHeader(CAnimoWriter& out, int size);
    // Takes the frame's size and checks that width x height pixels of its
    // depth make a sane picture.
    bool setPicture(int w, int h);
    // Whether data of the present kind can stand for the picture: plain
    // data as long as the picture, packed data long enough to make it and
    // not so short that only damage (or a decompression bomb) explains it.
    bool dataFits();

    int version;
    int offsetX, offsetY;
    int ownX, ownY;
    int descriptors;
};
