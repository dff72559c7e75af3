#pragma once
#include "objects/GraphicRunner.h"

#include <initializer_list>

class CImage;
class CMC_Image;

// The methods of IMAGE objects, on the object's picture. The ids are fixed
// numbers with gaps; SETSCALEFACTOR is named but does nothing. A method
// that cannot act changes nothing and answers its usual kind of result; an
// object without a picture answers 0 or false.
class CMC_Image_Runner : public CMC_GraphicRunner {
public:
    enum {
        SHOW = 1,
        HIDE = 2,
        SETPOSITION = 5,
        MOVE = 6,
        LOAD = 7,
        CLEARCLIPPING = 8,
        SETCLIPPING = 9,
        GETPOSITIONX = 15,
        GETPOSITIONY = 16,
        GETWIDTH = 17,
        GETHEIGHT = 18,
        ISNEAR = 23,
        ISINSIDE = 24,
        MONITORCOLLISION = 26,
        REMOVEMONITORCOLLISION = 27,
        SETSCALEFACTOR = 28,
        SETPRIORITY = 32,
        GETALPHA = 33,
        GETPIXEL = 34,
        MERGEALPHA = 36,
        INVALIDATE = 37,
        GETCENTERX = 40,
        GETCENTERY = 41,
        ISVISIBLE = 48,
        LINK = 49,
        SETASBUTTON = 50,
        SETOPACITY = 51,
        SAVE = 52,
        SETANCHOR = 53,
        FLIPH = 54,
        FLIPV = 55,
        RESETFLIPS = 56,
        DRAWONTO = 57,
        RESETPOSITION = 58,
        SETRESETPOSITION = 59,
        ISAT = 63,
        GETOPACITY = 64,
        GETSLIDECOMPS = 65,
        GETCOLORAT = 66,
        GETCOLORRAT = 67,
        GETCOLORGAT = 68,
        GETCOLORBAT = 69,
        MERGEALPHA2 = 70,
        REPLACECOLOR = 71
    };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;

    // GETSLIDECOMPS's search: the motion (vx, vy) from (px, py) turned by
    // the same odd angle alternately one way and the other, shortened by
    // 5/6 at each turn, until it ends on a point where picture is not
    // opaque (the first way tested first); after 90 turns each way, the
    // first way's vector.
    static void slideComponents(CImage* picture, double vx, double vy, int px, int py, double* rx, double* ry);

private:
    // LINK (name): the picture shows the named IMAGE's pixels.
    void link(CImage* picture, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);
    // GETSLIDECOMPS and GETCOLORAT: values appended to the named ARRAY.
    void appendTo(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args, int index,
                  std::initializer_list<CMC_Variable*> values);
};
