#include "script/TypeRegistry.h"

#include <deque>

namespace {
struct Seed {
    const char* word;
    int pass;
    const char* singletonName;
    bool nameMustMatch;
};

// Every type word the engine creates, in the order CMC_ObjectsContainer::
// resolve tests them, with its creation pass.
const Seed seeds[] = {
    {"BEHAVIOUR", 1, nullptr, false},
    {"BOOL", 2, nullptr, false},
    {"DOUBLE", 2, nullptr, false},
    {"INTEGER", 2, nullptr, false},
    {"STRING", 2, nullptr, false},
    {"CONDITION", 3, nullptr, false},
    {"COMPLEXCONDITION", 3, nullptr, false},
    {"EXPRESSION", 3, nullptr, false},
    {"ARRAY", 3, nullptr, false},
    {"MULTIARRAY", 3, nullptr, false},
    {"IMAGE", 5, nullptr, false},
    {"ANIMO", 5, nullptr, false},
    {"VIRTUALGRAPHICSOBJECT", 5, nullptr, false},
    {"FONT", 5, nullptr, false},
    {"MOUSE", 6, "MOUSE", true},
    {"KEYBOARD", 6, "KEYBOARD", false},
    {"JOYSTICK", 6, nullptr, false},
    {"TIMER", 6, nullptr, false},
    {"BUTTON", 6, nullptr, false},
    {"SOUND", 5, nullptr, false},
    {"SEQUENCE", 6, nullptr, false},
    {"CANVAS_OBSERVER", 6, "CANVASOBSERVER", false},
    {"GROUP", 6, nullptr, false},
    {"TEXT", 6, nullptr, false},
    {"EDITBOX", 6, nullptr, false},
    {"FILTER", 6, nullptr, false},
    {"STATICFILTER", 6, nullptr, false},
    {"VECTOR", 5, nullptr, false},
    {"PATH", 6, nullptr, false},
    {"FIFO", 6, nullptr, false},
    {"LIFO", 6, nullptr, false},
    {"CANVAS", 6, nullptr, false},
    {"PATTERN", 6, nullptr, false},
    {"DIALOG", 6, nullptr, false},
    {"SCROLL", 6, nullptr, false},
    {"STRUCT", 3, nullptr, false},
    {"DATABASE", 3, nullptr, false},
    {"CLASS", 4, nullptr, false},
    {"MOVIE", 6, nullptr, false},
    {"GRBUFFER", 5, nullptr, false},
};

// A deque keeps entries in place, so find() results stay valid when words
// are added.
std::deque<CMC_TypeRegistry::Entry>& entries()
{
    static std::deque<CMC_TypeRegistry::Entry> list = [] {
        std::deque<CMC_TypeRegistry::Entry> l;
        for (const Seed& s : seeds)
            l.push_back({CXString(s.word), s.pass, nullptr, s.singletonName, s.nameMustMatch});
        return l;
    }();
    return list;
}

CMC_TypeRegistry::Entry* lookup(const CXString& word)
{
    for (CMC_TypeRegistry::Entry& e : entries())
        if (e.word == word)
            return &e;
    return nullptr;
}
} // namespace

bool CMC_TypeRegistry::registerType(const CXString& word, int pass, Factory factory)
{
    if (!word.IsString() || pass < 1 || pass > 6)
        return false;
    Entry* e = lookup(word);
    if (e) {
        if (e->pass != pass)
            return false;
        e->factory = factory;
        return true;
    }
    entries().push_back({word, pass, factory, nullptr, false});
    return true;
}

CMC_TypeRegistry::Factory CMC_TypeRegistry::getFactory(const CXString& word)
{
    Entry* e = lookup(word);
    return e ? e->factory : nullptr;
}

int CMC_TypeRegistry::getPass(const CXString& word)
{
    Entry* e = lookup(word);
    return e ? e->pass : 0;
}

const CMC_TypeRegistry::Entry* CMC_TypeRegistry::find(const CXString& word) { return lookup(word); }
