#pragma once
#include "script/Object.h"
#include "script/Runner.h"

#include <cstddef>
#include <vector>

class CFontCollection;
class CSimpleFont6;
class CWindow;

// The script FONT (type 2002): a named set of bitmap fonts gathered in one
// font collection, which texts and edit boxes naming the object in their
// "FONT" key draw with. Each definition key "DEF_<family>_<style>_<size>"
// loads the font file its value names; the first becomes the collection's
// base font, which measures and draws. The object owns the collection and
// the fonts.
//
// The snapshot record holds each font's family, style and size; the font
// files' names follow in the snapshot's state trailer, so that a scene
// read back from its snapshot draws as before (a snapshot without the
// trailer gives fonts without glyphs).
class CMC_Font : public CMC_Object {
public:
    CMC_Font(CMC_ObjectsContainer* container, CMElement* element);
    // For a snapshot: unnamed, with an empty collection until serialize.
    explicit CMC_Font(CMC_ObjectsContainer* container);
    ~CMC_Font() override;
    CMC_Font(const CMC_Font&) = delete;
    CMC_Font& operator=(const CMC_Font&) = delete;

    CXString** getBehavioursList() override;
    void serialize(CXArchive* archive) override;
    // The font files' names, in the order of the fonts.
    void serializeFiles(CXArchive* archive);

    CFontCollection* getFont() { return collection; }
    int getFontCount() const { return int(fonts.size()); }
    CSimpleFont6* getFontAt(int index) { return fonts[size_t(index)]; }

private:
    CWindow* window();
    void deleteFonts();
    CSimpleFont6* addFont(CSimpleFont6* font);

    CFontCollection* collection;
    std::vector<CSimpleFont6*> fonts;
};

class CMC_Font_Runner : public CMC_Runner {
public:
    enum { SETCOLOR = 1, SETSTYLE = 2, SETFAMILY = 3, SETSIZE = 4, GETHEIGHT = 5 };

    void prepareMthHashSet() override;
    // SETCOLOR (red, green, blue): the text colour of the collection and
    // every font, a 5-5-5 word on a 15-bit screen and a 5-6-5 one on any
    // other, sign-extended; the whole window is drawn again. SETSTYLE sets
    // the collection's family and SETFAMILY its style, as titles have
    // always had it; SETSIZE its size. GETHEIGHT: the base font's height.
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
