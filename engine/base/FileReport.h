#pragma once
#include "base/XString.h"

#include <string>

class CWindow;

// A title's files that are missing or cannot be used, told to the player
// and the title's author: one line on standard error for each file, the
// first time it fails, with the name the title gives and the path looked
// at on this machine, e.g.
//   Quarnel: picture "hall.tga" not found: /games/demo/Rara/HALL/hall.tga
class CFileReport {
public:
    // kind is what the file is for ("picture", "sound"), problem what went
    // wrong ("not found"); the path is where the search order looks for
    // name first (a relative name joined to the current directory).
    static void failed(CWindow* window, const char* kind, const CXString& name, const char* problem);
    // The same with the path in the engine's form (a file that opened).
    static void failedAt(const char* kind, const CXString& name, const char* problem, const CXString& enginePath);
    // A mistake of the title about one of its files or names, told once for
    // the same text and path (the same text and detail where there is no
    // path): "<what>: <path> (<detail>)", the path and the detail left out
    // when empty. what is in code page 1250 (it holds the
    // title's names); the detail is the system's own words, as they are.
    static void mistakeAt(const CXString& what, const CXString& enginePath, const std::string& detail = std::string());
    // Any other mistake of the title, told the same way (text in code page
    // 1250), each time it happens.
    static void tell(const CXString& text);
};
