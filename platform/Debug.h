#pragma once

namespace platform {

// The debugger output channel. Lines go nowhere unless a sink is installed
// (tests) or the environment variable QUARNEL_DEBUG is set (then stderr,
// each text a line of its own).
using DebugSink = void (*)(const char* text, void* context);

void OutputDebugString(const char* text);
void setDebugSink(DebugSink sink, void* context);

} // namespace platform
