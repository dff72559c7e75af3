#pragma once
#include "base/Geometry.h"
#include "base/XObject.h"
#include "base/XString.h"

#include <memory>

class CAnimo;
class CFrame;
class CGraphicsObject;
class CMElement;
class CWindow;

// The older bitmap font: its letters are the frames of an animation file,
// one frame a letter, and the names of the frames in the animation's first
// event spell its alphabet (the first character of each name). It
// measures and draws letters and texts onto a destination drawable. The
// engine itself draws with CSimpleFont6; this one is offered to the host
// and the plug-ins. Main thread only.
class CFont5 : public CXObject {
public:
    // An empty font.
    explicit CFont5(CWindow* window);
    // load of the file.
    CFont5(CWindow* window, CXString fileName);
    // load of the record's "FILENAME".
    CFont5(CWindow* window, CMElement* element);
    ~CFont5() override;
    // The font owns its animation: a copy would free it twice.
    CFont5(const CFont5&) = delete;
    CFont5& operator=(const CFont5&) = delete;

    // Reads the animation (through the data folders) and its alphabet.
    // The four corner pixels of each letter's alpha plane are made
    // transparent. False, with the animation's error code and an empty
    // font, when the file cannot be read.
    bool load(CXString fileName);
    // Where the letters are drawn (not owned).
    void setDestiny(CGraphicsObject* destination) { destiny = destination; }

    // The size of the letter's frame; 0 (0 x 0) for a character not in the
    // alphabet.
    CXSize getLetterSize(char c);
    int getLetterWidth(char c);
    int getLetterHeight(char c);
    // The tallest frame's height; 0 without frames.
    int getAlphabetHeight();
    // Draws the letter with its top-left corner at the point; the width
    // drawn, 0 for a character not in the alphabet.
    int drawLetter(CXPoint p, char c);
    int drawLetter(int x, int y, char c);
    // The width of the text: each letter's width plus the spacing; a space
    // counts as the width of "A" (0 without one) with no spacing; a
    // character not in the alphabet counts as the spacing alone.
    int getLengthInPixels(CXString text, int spacing);

    CXString getFileName() const { return fileName; }
    CXString getAlphabet() const { return alphabet; }
    CAnimo* getAnimation() { return animation.get(); }

private:
    // The frame of the letter's first place in the alphabet; null when it
    // has none.
    CFrame* letter(char c, int* index = nullptr);

    CWindow* window;
    CXString fileName;
    CXString alphabet;
    std::unique_ptr<CAnimo> animation;
    CGraphicsObject* destiny;
};
