#pragma once
#include "base/Geometry.h"
#include "base/XString.h"

#include <vector>

// The host's command line: its words, the switches ("-" or "/" followed by
// the exact, case-sensitive name) and their values.
class CCommandLine6 {
public:
    // The text after the program name, cut into words at blanks; it is
    // copied, never changed.
    explicit CCommandLine6(const char* commandLine);
    // The words as the program was given them (code page 1250), each kept
    // whole: a value may hold blanks ("-path", "C:\My Title").
    explicit CCommandLine6(const std::vector<CXString>& words);

    int getNoArgs() const { return int(args.size()); }
    // Whether name (without its "-" or "/") is one of the switches that
    // take no value.
    static bool isFlag(const char* name);

    bool isMusicEnabled() const { return musicEnabled; }
    bool isSoundEnabled() const { return soundEnabled; }
    bool isWindowMode() const { return windowMode; }
    void setAsWindow(bool on) { windowMode = on; }
    bool isRunWithParams() const { return runWithParams; }
    bool isGFXEnabled() const { return gfxEnabled; }
    bool isServer() const { return server; }
    bool isClient() const { return client; }
    bool isToCode() const { return toCode; }
    bool isToDecode() const { return toDecode; }
    bool isToRemove() const { return toRemove; }
    bool isPageFlippingEnabled() const { return pageFlipping; }
    bool isVMem() const { return vmem; }
    bool isCheatMode() const { return cheatMode; }
    bool is2Bin() const { return to2Bin; }
    bool isForceCNV() const { return forceCNV; }
    bool isDebugMode() const { return debugMode; }
    void setAsShowDbg(bool on) { debugMode = on; }
    bool isCreateBigFile() const { return createBigFile; }
    bool isLogEnabled() const { return logEnabled; }

    CXSize getResolution() const { return CXSize(width, height); }
    CXString getPath() const { return path; }
    void setPath(const CXString& p) { path = p; }
    int getDelay() const { return delay; }
    bool isSecondaryDisplayEnabled() const { return delay > 0; }

private:
    // A switch without a value and the setting it turns on, or off
    // (negated); two names may turn on one setting.
    struct Flag {
        const char* name;
        bool CCommandLine6::*setting;
        bool negated;
    };
    static const Flag FLAGS[];

    // Reads the switches and values from the words.
    void readSwitches();

    // Whether some word is "-" + name or "/" + name.
    bool findToken(const char* name) const;
    // Index of the word after the first word equal to "-" + name, "/" + name
    // or the bare name; -1 when there is none or it is the last word.
    int nextTokenIndex(const char* name) const;
    CXString getNextToken(const char* name) const;

    std::vector<CXString> args;
    int width = 800;
    int height = 600;
    bool musicEnabled, soundEnabled, windowMode, runWithParams, gfxEnabled, server, client, toCode, toDecode,
        toRemove, pageFlipping, vmem, cheatMode, to2Bin, forceCNV, debugMode, createBigFile, logEnabled;
    CXString path;
    int delay = 0;
};
