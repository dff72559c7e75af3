#pragma once
#include "base/XString.h"

#include <string>
#include <vector>

// The host program: reads its settings from "Quarnel.ini" (section MAIN:
// TITLE, INI, SUBDIR), makes its windows, the engine window and the
// application for the title in the start directory (or the folder of the
// "path" switch), runs frames until the title ends or its window is
// closed, and deletes the application, the engine window and the command
// line in that order.
//
// With a display (DISPLAY or WAYLAND_DISPLAY set and SDL's video starting)
// the title plays in a window ("-window"), or the full screen at the "res"
// resolution, on the system clock, each frame presented with vertical
// sync. Without one, or with "-nogfx", it runs headless: no window, and a
// virtual clock that moves by a fixed step each frame, so that a run is the
// same every time; its frames are still drawn, into memory. From the first
// frame after the title began talking to peers in real time (a
// platform::RealTimeHold was taken: a network server started, a client
// connected, a telephone line opened) to its end, a headless run is paced
// by the real clock instead: a frame every step, the clock moving by the
// real time passed. A run that writes the snapshot ("-2bin") ends once it
// is written. SIGTERM, SIGINT and SIGHUP end a run, headless or not, as
// closing the window does (the title's end runs, the exit code is 0); the
// same signal again within a second is the same request, any other ends
// the program at once. An end that has not come 5 s after the signal is
// given up: the program says so and ends with EXIT_END_OVERDUE
// (platform::EndSignals); the teardown after the end (a baresip given its
// time to end, a print's closing grace) is not counted.
class CCommandLine6;

namespace quarnel {

// Exit codes of runHost and the program.
enum HostExit {
    EXIT_ENDED = 0,       // the title ran to its end
    EXIT_FAILED = 1,      // no title could be started, or a switch was wrong
    EXIT_FRAME_BOUND = 2, // the frame bound ("-frames") ended the run first
    EXIT_END_OVERDUE = 3  // a signal asked the title to end, and its end had not come in time
};

// The host's own switches.
struct HostSwitches {
    // "-step <ms>": milliseconds the virtual clock moves each frame (the
    // real clock's time between two frames), 1-1000.
    unsigned stepMs = 16;
    // "-frames <n>": the run ends after n frames when the title has not
    // ended by then; 0 for no bound.
    long long frameBound = 0;
    // "-h", "--help": the switches are listed and nothing is started.
    bool help = false;
    // "-res <w> <h>" was given: a size the screen cannot hold ends the run.
    bool resolutionGiven = false;
    // Words that begin with "-" and name no switch, in their order.
    std::vector<std::string> unknown;
    // "-port <n>": the port of the title's network server and client, 0-65535.
    int port = 4661;
    // "-bind <address>": the dotted address the network server listens
    // on; empty for every address of the machine.
    CXString bindAddress;
    // "-path <folder>", the first one, as given; empty when there is none.
    std::string path;
};

// What "--help" prints.
const char* hostHelp();

// Reads the switches from the program's arguments (after its name); false
// with message set when one has no valid value ("-res", "-delay", "-path",
// "-step", "-frames"). Unknown switches are listed in unknown, not refused.
bool readHostSwitches(const std::vector<std::string>& arguments, HostSwitches* switches, CXString* message);
// The same for a command line text, cut into words at blanks.
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

// The title's folder: the command line's "path", else the settings'
// SUBDIR, which then becomes the command line's path. False with message
// set when it names a folder that is not there, or a file.
bool findTitleFolder(const HostSettings& settings, CCommandLine6* commandLine, CXString* message);

// Runs a title for the program's arguments (after its name, in UTF-8 as
// the system gives them; each reaches the command line whole, in code page
// 1250). Returns the exit code (HostExit); message (UTF-8) says why when it
// is not 0. A scene that the title names but never defines is named on
// standard error and in the debugger output; when no scene could be
// entered at all, the run ends with EXIT_FAILED.
int runHost(const std::vector<std::string>& arguments, CXString* message);
// The same for a command line text, cut into words at blanks.
int runHost(const char* commandLine, CXString* message);

} // namespace quarnel
