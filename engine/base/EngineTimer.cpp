#include "base/EngineTimer.h"

namespace {
CXTimer* engineTimer = nullptr;
} // namespace

CXTimer* getEngineTimer() { return engineTimer; }
void setEngineTimer(CXTimer* timer) { engineTimer = timer; }
