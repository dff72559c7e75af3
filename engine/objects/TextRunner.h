#pragma once
#include "objects/GraphicRunner.h"

class CMultilineText6;

// The methods of TEXT objects, on the object's CMultilineText6. Where a
// method has two forms the exact argument count picks one: SETJUSTIFY's
// rectangle form takes six, SETCLIPPING's name form one, ISNEAR's name form
// two; SETRECT acts only with one or four. A call that lacks an argument
// of its form, a name form whose name finds no drawable (SETJUSTIFY's
// lays the text out in (0, 0, 0, 0)), and an object without a drawable,
// change nothing and answer the empty value of their kind: no value, 0,
// FALSE, "", or -1 where the word queries answer -1 for no word.
class CMC_Text_Runner : public CMC_GraphicRunner {
public:
    enum {
        SETTEXT = 1,
        SETJUSTIFY = 2,
        SHOW = 3,
        HIDE = 4,
        SETPOSITION = 5,
        MOVE = 6,
        LOAD = 7,
        CLEARCLIPPING = 8,
        SETCLIPPING = 9,
        GETPOSITIONX = 10,
        GETPOSITIONY = 11,
        GETWIDTH = 12,
        GETHEIGHT = 13,
        ISNEAR = 14,
        SETPRIORITY = 15,
        SETCOLOR = 16,
        DRAWONTO = 17,
        SETRECT = 18,
        SETTEXTDOUBLE = 19,
        SETOPACITY = 20,
        SETFONT = 21,
        GETWORDAT = 22,
        GETWORDATXY = 23,
        GETWORDPOSX = 24,
        GETWORDPOSY = 25,
        SEARCH = 26,
        SETWORDCOLOR = 27,
        INVALIDATE = 28,
        GETWORDWIDTH = 29,
        GETNUMWORDS = 30
    };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;

    // A colour of red, green and blue (each taken by its low 8 bits) as a
    // pixel of the given depth: 5-5-5 at 15 bits, else 5-6-5 read as a
    // signed 16-bit number (white is -1).
    static int packColour(int depth, int red, int green, int blue);
    // SETTEXTDOUBLE's text: value cut after the first "." to that many
    // decimals (0 keeps the point); whole when decimals < 0 or there is no
    // point.
    static CXString cutDecimals(const CXString& value, int decimals);

private:
    // The arguments the form chosen by the count needs.
    static int needed(int id, int count);
    void setJustify(CMultilineText6* t, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
    void setRect(CMultilineText6* t, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
    int colourArg(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args, int first);
};
