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
    // The same for a file that a peer names over the network, whose name
    // may be anything (an empty path: one that names no place, told once
    // for the same kind, name and problem): the name, and the path's last
    // part, are shown cut
    // to NAME_SHOWN bytes (cutName, cutPath), and what is kept to tell each file
    // once is bounded: past PEER_FILES_TOLD files, one line says that
    // further ones are not told.
    static void peerFailedAt(const char* kind, const CXString& name, const char* problem,
                             const CXString& enginePath);
    enum { NAME_SHOWN = 80, PEER_FILES_TOLD = 256 };
    // A name as a message shows it: whole up to NAME_SHOWN bytes, else its
    // first NAME_SHOWN bytes marked as cut, with the whole length:
    // "aaaa...(cut, 60000 bytes)".
    static CXString cutName(const CXString& name);
    // A path with its last part cut as cutName cuts a name.
    static CXString cutPath(const CXString& path);
    // A mistake of the title about one of its files or names, told once for
    // the same text and path (the same text and detail where there is no
    // path): "<what>: <path> (<detail>)", the path and the detail left out
    // when empty. what is in code page 1250 (it holds the
    // title's names); the detail is the system's own words, as they are.
    static void mistakeAt(const CXString& what, const CXString& enginePath, const std::string& detail = std::string());
    // Any other mistake of the title, told the same way (text in code page
    // 1250), each time it happens.
    static void tell(const CXString& text);
    // Anything else that keeps the title from what it asks for, told the
    // same way, once for the same text: a title that asks again each frame
    // is told once.
    static void tellOnce(const CXString& text);
};
