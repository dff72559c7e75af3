#pragma once

class CXTimer;

// The engine's timer registry, which the engine window owns and runs once
// per frame. Script timers and behaviours on a timer add their entries to
// it. The window sets it while it exists; null before.
CXTimer* getEngineTimer();
void setEngineTimer(CXTimer* timer);
