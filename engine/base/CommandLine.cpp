#include "base/CommandLine.h"

#include <cstring>

CCommandLine6::CCommandLine6(const char* commandLine)
{
    // Words are separated by blanks only; runs of blanks count as one.
    const char* p = commandLine ? commandLine : "";
    while (*p) {
        while (*p == ' ')
            ++p;
        const char* start = p;
        while (*p && *p != ' ')
            ++p;
        if (p > start)
            args.push_back(CXString(start, int(p - start)));
    }

    musicEnabled = !findToken("nomusic");
    soundEnabled = !findToken("nosound");
    windowMode = findToken("window");
    runWithParams = findToken("params");
    gfxEnabled = !findToken("nogfx");
    server = findToken("server");
    client = findToken("client");
    toCode = findToken("code");
    toDecode = findToken("decode");
    toRemove = findToken("remove");
    pageFlipping = findToken("pf");
    vmem = findToken("vmem");
    cheatMode = findToken("trelkomunz") || findToken("cheat");
    to2Bin = findToken("2bin");
    forceCNV = findToken("forceCNV");
    debugMode = findToken("debug");
    createBigFile = findToken("bigfile");
    logEnabled = findToken("log");

    // The height is the word after the width word itself, wherever the
    // width's text may also appear earlier on the line.
    if (findToken("res")) {
        int w = nextTokenIndex("res");
        if (w >= 0 && args[size_t(w)].IsString()) {
            width = args[size_t(w)].toNumber();
            if (w + 1 < getNoArgs())
                height = args[size_t(w) + 1].toNumber();
        }
    }
    if (findToken("path"))
        path = getNextToken("path");
    if (findToken("delay"))
        delay = getNextToken("delay").toNumber();
}

bool CCommandLine6::findToken(const char* name) const
{
    for (const CXString& word : args) {
        const char* w = word.c_str();
        if ((w[0] == '-' || w[0] == '/') && std::strcmp(w + 1, name) == 0)
            return true;
    }
    return false;
}

int CCommandLine6::nextTokenIndex(const char* name) const
{
    for (size_t i = 0; i < args.size(); ++i) {
        const char* w = args[i].c_str();
        bool prefixed = (w[0] == '-' || w[0] == '/') && std::strcmp(w + 1, name) == 0;
        if (prefixed || std::strcmp(w, name) == 0)
            return i + 1 < args.size() ? int(i + 1) : -1;
    }
    return -1;
}

CXString CCommandLine6::getNextToken(const char* name) const
{
    int i = nextTokenIndex(name);
    return i >= 0 ? args[size_t(i)] : CXString();
}
