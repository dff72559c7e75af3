#include "base/CommandLine.h"

#include <cstring>

const CCommandLine6::Flag CCommandLine6::FLAGS[] = {
    {"nomusic", &CCommandLine6::musicEnabled, true},   {"nosound", &CCommandLine6::soundEnabled, true},
    {"window", &CCommandLine6::windowMode, false},     {"params", &CCommandLine6::runWithParams, false},
    {"nogfx", &CCommandLine6::gfxEnabled, true},       {"server", &CCommandLine6::server, false},
    {"client", &CCommandLine6::client, false},         {"code", &CCommandLine6::toCode, false},
    {"decode", &CCommandLine6::toDecode, false},       {"remove", &CCommandLine6::toRemove, false},
    {"pf", &CCommandLine6::pageFlipping, false},       {"vmem", &CCommandLine6::vmem, false},
    {"trelkomunz", &CCommandLine6::cheatMode, false},  {"cheat", &CCommandLine6::cheatMode, false},
    {"2bin", &CCommandLine6::to2Bin, false},           {"forceCNV", &CCommandLine6::forceCNV, false},
    {"debug", &CCommandLine6::debugMode, false},       {"bigfile", &CCommandLine6::createBigFile, false},
    {"log", &CCommandLine6::logEnabled, false},
};

bool CCommandLine6::isFlag(const char* name)
{
    for (const Flag& f : FLAGS)
        if (std::strcmp(f.name, name) == 0)
            return true;
    return false;
}

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
    readSwitches();
}

CCommandLine6::CCommandLine6(const std::vector<CXString>& words) : args(words) { readSwitches(); }

void CCommandLine6::readSwitches()
{
    for (const Flag& f : FLAGS)
        this->*f.setting = f.negated;
    for (const Flag& f : FLAGS)
        if (findToken(f.name))
            this->*f.setting = !f.negated;

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
