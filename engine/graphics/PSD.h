#pragma once
#include "graphics/GraphicsObject.h"

#include <memory>
#include <vector>

// A layered Photoshop document (8 bits a channel, grey or RGB, big-endian):
// one 24-bit drawable per layer, with the layer's transparency as its alpha
// plane, so that a title can take single layers as pictures. The CPSD itself holds no
// pixels; the selected layer's drawable is what callers draw. The
// composite image that follows the layers is not read.
class CPSD : public CGraphicsObject {
public:
    explicit CPSD(CWindow* window);
    CPSD(CWindow* window, CXString name);
    // Empty; the drawable is not used.
    CPSD(CWindow* window, CGraphicsObject* unused);
    ~CPSD() override;
    CPSD(const CPSD&) = delete;
    CPSD& operator=(const CPSD&) = delete;

    // Opens the file through the data folders, reads its layers and
    // converts them to the display's depth. 0, CFile::ERROR_OPEN when it
    // cannot be opened, ERROR_DAMAGED when it is short or damaged, not an
    // 8-bit grey or RGB document, or has channels coded otherwise than raw
    // or PackBits (no layers are then kept); a file that fails, or has no
    // layer, is named on standard error.
    int Load(CXString name) override;
    // The open file from its start; the error code.
    int Load(CFile* file) override;

    int GetLayerNo() const { return int(layers.size()); }
    int GetSelLayer() const { return selected; }
    // The selected layer's drawable; null without layers.
    CGraphicsObject* GetCurrentLayer() { return current; }
    // An index outside the layers changes nothing.
    void SelectLayer(int index);
    // The first layer of exactly that name (case counts); none changes
    // nothing.
    void SelectLayer(const CXString& name);
    // That layer's name, the selected one's for -1; empty for a layer
    // without a name and for an index outside the layers.
    CXString GetLayerName(int index);
    // The selected layer's bounds (the argument is not used).
    CXRect GetLayerRect(int unused);
    // Places this drawable and the selected layer's at the point; the
    // layer's bounds follow, keeping their size.
    void SetPosition(int px, int py) override;
    using CGraphicsObject::SetPosition;
    // The selected layer's drawable, which is what is shown of the
    // document; this empty drawable without layers.
    CGraphicsObject* getDrawn() override { return current ? current : this; }

private:
    enum { MODE_GREY = 1, MODE_RGB = 3 };
    struct Channel {
        int16_t id;      // -1 transparency, 0 red, 1 green, 2 blue
        uint32_t length; // of its data in the file, compression word included
    };
    struct Layer {
        CXRect bounds;
        std::vector<Channel> channels;
        CXString name;
        std::unique_ptr<CGraphicsObject> drawable;
    };
    class Reader;
    bool readLayers(Reader& in);
    void clearLayers();

    std::vector<std::unique_ptr<Layer>> layers;
    int selected;
    CGraphicsObject* current;
    bool grey = false;
    const char* refusal = "";
};
