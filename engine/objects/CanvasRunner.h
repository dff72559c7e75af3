#pragma once
#include "objects/GraphicRunner.h"

// The methods of CANVAS objects, on the object's engine canvas. ADD looks
// its name up in the canvas's own scene, the others in the calling
// container. Every method answers null; a method given fewer arguments
// than it needs, or called on an object without a canvas, does nothing.
class CMC_Canvas_Runner : public CMC_GraphicRunner {
public:
    enum {
        ADD = 1,
        REMOVE,
        SHOW,
        HIDE,
        SETPRIORITY,
        SETPOSITION,
        MOVE,
        CLEAR,
        CAPTURE,
        SETOPACITY,
        SETASBUTTON,
        ERASE,
        DRAW,
        SAVE
    };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;

    // SAVE of a canvas and of the screen: a copy of source, cut to the
    // rectangle (arguments 3 to 6, when all four are given and it has an
    // area) and scaled by arguments 1 and 2 (1.0 when missing), is written
    // uncompressed in the engine's image format to the file of argument 0.
    // The source is not changed; nothing without a source.
    static void saveCopy(CMC_Runner* runner, CGraphicsObject* source, CWindow* window, CXVector* args);
};
