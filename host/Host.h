#pragma once
#include "base/XString.h"

// The host program: reads its settings from "Quarnel.ini" (section MAIN:
// TITLE, INI, SUBDIR), makes the engine window and the application for the
// title in the start directory (or the folder of the "path" switch), runs
// frames until the title ends, and deletes the application, the window and
// the command line in that order.
//
// There is no display backend yet: the title always runs without a window
// ("-nogfx" asks for exactly that), on the headless platform and a virtual
// clock that moves by a fixed step each frame, so that a run is the same
// every time. Its frames are still drawn, in window mode ("-window") into
// the window's client area, else full screen at the "res" resolution. A run that writes the snapshot ("-2bin") ends once it is
// written.
namespace quarnel {

// Exit codes of runHost and the program.
enum HostExit {
    EXIT_ENDED = 0,       // the title ran to its end
    EXIT_FAILED = 1,      // no title could be started, or a switch was wrong
    EXIT_FRAME_BOUND = 2  // the frame bound ("-frames") ended the run first
};

// The host's own switches.
struct HostSwitches {
    // "-step <ms>": milliseconds the virtual clock moves each frame, 1-1000.
    unsigned stepMs = 16;
    // "-frames <n>": the run ends after n frames when the title has not
    // ended by then; 0 for no bound.
    long long frameBound = 0;
};

// Reads the switches from the command line text; false with message set
// when one has no valid value.
bool readHostSwitches(const char* commandLine, HostSwitches* switches, CXString* message);

// The settings of section MAIN with their defaults applied.
struct HostSettings {
    CXString title;     // empty gives "DovirAvura"
    CXString icon;
    CXString ini;       // the title's settings file; empty gives "Quarnel.ini"
    CXString subFolder; // the title folder when the command line names none
};

// Reads "Quarnel.ini" in the current directory.
HostSettings readHostSettings();

// Runs a title for the command line (the text after the program name).
// Returns the exit code (HostExit); message says why when it is not 0.
int runHost(const char* commandLine, CXString* message);

} // namespace quarnel
