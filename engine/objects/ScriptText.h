#pragma once
#include "base/XString.h"
#include "script/Object.h"
#include "ui/TextDisplay.h"

class CMultilineText6;
class CRefreshScreen;
class CWindow;
class CXArchive;

// The script TEXT (type 2006): a block of text in a FONT object's fonts,
// wrapped and justified in a rectangle by one CMultilineText6 the object
// owns, and shown on the window's screen refresh when "TOCANVAS" says so.
//
// The definition's "VJUSTIFY", "HJUSTIFY", "RECT", "PRIORITY" and "FONT"
// are kept as read, for the snapshot only: the methods change the drawable
// and never these (SETPRIORITY moves the drawable on the screen, the
// stored priority stays). A "FONT" that names no FONT object leaves the
// text without a font, laid out empty. Main thread only.
class CMC_Text : public CMC_Object {
public:
    // Reads "TOCANVAS", "VISIBLE", "TEXT", "HYPERTEXT", "VJUSTIFY",
    // "HJUSTIFY", "RECT" (a drawable's name or four numbers), "PRIORITY"
    // and "FONT", builds the drawable, then binds the behaviours.
    CMC_Text(CMC_ObjectsContainer* container, CMElement* element);
    // For a snapshot: named "temp", no drawable until serialize reads one.
    explicit CMC_Text(CMC_ObjectsContainer* container);
    // Invalidates the drawable's area, takes it off the screen and deletes
    // it.
    ~CMC_Text() override;
    CMC_Text(const CMC_Text&) = delete;
    CMC_Text& operator=(const CMC_Text&) = delete;

    // A text read from a snapshot was laid out before the objects it names
    // joined the scene and before the snapshot's state trailer gave their
    // fonts glyphs: as the scene starts it finds its FONT and RECT again
    // and is laid out anew; then "ONINIT" is raised.
    void init() override;
    CXString** getBehavioursList() override;
    // After the base record: vJustify, hJustify, rect, priority, font,
    // whether the drawable is on the screen, its visibility and its text.
    // Reading builds the drawable from them in the object's scene.
    void serialize(CXArchive* archive) override;

    CMultilineText6* getText() { return text; }
    // "LEFT", "RIGHT", "TOP", "BOTTOM" exactly; any other word is CENTER.
    static _justify resolveJustify(const CXString& word);

    CXString getVJustify() const { return vJustify; }
    CXString getHJustify() const { return hJustify; }
    CXString getRectKey() const { return rect; }
    int getPriority() const { return priority; }
    CXString getFontKey() const { return font; }

private:
    // Makes the drawable in container from the kept keys and the rest.
    void build(CMC_ObjectsContainer* container, bool toCanvas, bool visible, const CXString& initialText,
               bool hypertext);
    // Justifies the text in the "RECT" of container and gives it the
    // "FONT" found there.
    void layOut(CMC_ObjectsContainer* container);
    // The screen of the window the drawable was made for, while that
    // window lives.
    CRefreshScreen* screen() const;

    CMultilineText6* text;
    CXString vJustify;
    CXString hJustify;
    CXString rect;
    int priority;
    CXString font;
    CWindow* window;
    // Read from a snapshot and not laid out since.
    bool restored;
};
