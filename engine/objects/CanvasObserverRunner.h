#pragma once
#include "objects/GraphicRunner.h"

// The methods of the canvas observer, on the window's screen refresh.
// Names are looked up in the calling container (a canvas observer's name
// stands for the whole screen). All answer null but GETGRAPHICSAT,
// GETGRAPHICSAT2 and GETBPP; a method given fewer arguments than it needs
// does nothing, and GETGRAPHICSAT then answers "NULL".
class CMC_CanvasObserver_Runner : public CMC_GraphicRunner {
public:
    enum {
        REFRESH = 1,
        ADD,
        REMOVE,
        SETBACKGROUND,
        GETGRAPHICSAT,
        MOVEBKG,
        SETBKGPOS,
        SAVE,
        ENABLENOTIFY,
        REDRAW,
        GETBPP,
        PASTE,
        GETGRAPHICSAT2
    };
    // ADD's priority when only the name is given.
    enum { DEFAULT_PRIORITY = 1000 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;

private:
    CMC_Variable* graphicsAt(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args, bool parents);
};
