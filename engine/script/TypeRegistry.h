#pragma once
#include "base/XString.h"

class CMC_Object;
class CMC_ObjectsContainer;
class CMElement;

// The script types that containers create from definition records, by the
// type word of the record's "TYPE". Every engine word has a fixed creation
// pass (1 to 6); a type's subsystem registers its factory for its word. A
// word without a factory is handled like a word the engine does not know:
// the last pass hands it to the scene's plug-ins.
//
// Three words of the last pass are singletons: when the container already
// sees the object they name ("MOUSE" for a record named exactly "MOUSE",
// "KEYBOARD", and "CANVASOBSERVER" for "CANVAS_OBSERVER"), the record's
// events are bound onto it and nothing is created.
class CMC_TypeRegistry {
public:
    using Factory = CMC_Object* (*)(CMC_ObjectsContainer* container, CMElement* element);

    // Sets (or, with null, clears) the factory of a word. An engine word keeps
    // its own pass: another pass is refused. A new word is added to the end
    // of its pass. False for a bad pass or an empty word.
    static bool registerType(const CXString& word, int pass, Factory factory);
    static Factory getFactory(const CXString& word);
    // The word's pass; 0 for a word the engine does not know.
    static int getPass(const CXString& word);

    struct Entry {
        CXString word;
        int pass;
        Factory factory;
        const char* singletonName; // the object a singleton binds onto, or null
        bool singletonNameMustMatch; // the record must carry that name too
    };
    // The entry of a word, in creation order (the order of tests of
    // CMC_ObjectsContainer::resolve); null when the engine does not know it.
    static const Entry* find(const CXString& word);
};

// Registers a factory when the library is loaded:
//   static CMC_RegisterType reg("INTEGER", 2, &makeInteger);
struct CMC_RegisterType {
    CMC_RegisterType(const char* word, int pass, CMC_TypeRegistry::Factory factory)
    {
        CMC_TypeRegistry::registerType(word, pass, factory);
    }
};
