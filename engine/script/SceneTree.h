#pragma once
#include "base/XString.h"

class CMC_Scene;
class CMC_StructureParser;
class CWindow;
class CXArchive;

// What the application and the episodes share in building and storing
// their lists of children.
class CMC_SceneTree {
public:
    // Changes to the data folder on the installation medium, then to the
    // folder `path` names below it (with or without a leading backslash; a
    // path with a drive stands for itself).
    static void enterDataFolder(const CXString& path);
    // Takes as children of owner the scenes and episodes named in a list
    // split at ',' and ' ' that the parser built and that nobody took yet
    // (a scene has one owner), and lists them by name in owner; with
    // byTheirScenes each child's own scenes are listed in its place. With
    // scenesOnly, names of episodes are skipped.
    static void adoptListed(CMC_Scene* owner, CMC_StructureParser* parser, const CXString& list, bool byTheirScenes,
                            bool scenesOnly);
    // A count read from a snapshot whose records take at least minBytes
    // each; -1, with the archive's error code set, when the file cannot
    // hold that many.
    static int readCount(CXArchive* archive, int minBytes);
    // Appends count children that make creates and that read their records;
    // each takes owner as parent and is listed by name. False when a record
    // could not be read (that child is dropped).
    static bool readChildren(CMC_Scene* owner, CXArchive* archive, int count, CMC_Scene* (*make)(CWindow* window));
    // Finishes and deletes the objects a container's loadCnv made and drops
    // its bindings, as leaving it does; the applications, episodes and
    // scenes it lists stay listed.
    static void unloadObjects(CMC_Scene* scene);
    // Deletes owner's children, after taking every episode and scene out of
    // owner's names.
    static void deleteChildren(CMC_Scene* owner);
    // The child at index, or null outside the list.
    static CMC_Scene* childAt(CMC_Scene* owner, int index);
};
