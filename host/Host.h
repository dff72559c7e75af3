#pragma once
#include "base/XString.h"

// The host program: reads its settings from "Quarnel.ini" (section MAIN:
// TITLE, INI, SUBDIR), makes the engine window and the application for the
// title in the start directory (or the folder of the "path" switch), runs
// frames until the title ends, and deletes the application, the window and
// the command line in that order.
//
// There is no display backend yet: the title always runs without a window
// ("-nogfx" asks for exactly that), and a run that writes the snapshot
// ("-2bin") ends once it is written.
namespace quarnel {

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
// Returns the exit code: 0 when the title ran to its end, 1 when no title
// could be started; then message says why.
int runHost(const char* commandLine, CXString* message);

} // namespace quarnel
