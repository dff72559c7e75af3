#include "media/RandomPlayableIfc.h"

namespace {
CRandomPlayableIfc::Maker randomPlayableMaker = nullptr;
}

void CRandomPlayableIfc::setMaker(Maker maker) { randomPlayableMaker = maker; }

CRandomPlayableIfc* CRandomPlayableIfc::make(CWindow* window, CUnit6* unit)
{
    return randomPlayableMaker ? randomPlayableMaker(window, unit) : nullptr;
}
