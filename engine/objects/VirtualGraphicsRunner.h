#pragma once
#include "objects/GraphicRunner.h"

// The methods of VIRTUALGRAPHICSOBJECT objects, applied to the object's
// view. A method whose required arguments are missing changes nothing and
// answers none (FALSE for the ISNEAR and ISINSIDE questions).
class CMC_VirtualGraphicsObject_Runner : public CMC_GraphicRunner {
public:
    enum {
        SHOW = 1,
        HIDE = 2,
        SETPOSITION = 3,
        MOVE = 4,
        SETSOURCE = 5,
        SETMASK = 6,
        CLEARCLIPPING = 7,
        SETCLIPPING = 8,
        GETPOSITIONX = 9,
        GETPOSITIONY = 10,
        GETWIDTH = 11,
        GETHEIGHT = 12,
        ISNEAR = 13,
        ISINSIDE = 14,
        MONITORCOLLISION = 15,
        REMOVEMONITORCOLLISION = 16,
        SETPRIORITY = 17,
        INVALIDATE = 18,
        ISVISIBLE = 19,
        SETASBUTTON = 20
    };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
