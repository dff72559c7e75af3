#include "base/EngineTimer.h"

#include "base/WindowServices.h"

// One registry for everyone: the window's, as the window services hold it.
CXTimer* getEngineTimer() { return CWindowServices::getTimer(); }
void setEngineTimer(CXTimer* timer) { CWindowServices::setTimer(timer); }
