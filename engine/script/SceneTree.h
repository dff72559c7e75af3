#pragma once
#include "base/XString.h"

class CMC_Object;
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
    // Reads what follows the scene record of an application or episode
    // snapshot: the child count, the start child's index and the children,
    // which make creates and which read their records; each takes owner as
    // parent and is listed by name. start becomes the child at the index
    // (null outside the list). False, with the archive's error code set,
    // when the count is more than the file can hold or a record could not
    // be read (that child is dropped).
    static bool readChildren(CMC_Scene* owner, CXArchive* archive, int minRecordBytes,
                             CMC_Scene* (*make)(CWindow* window), CMC_Scene** start);
    // Finishes and deletes the objects a container's loadCnv made and drops
    // its bindings, as leaving it does; the applications, episodes and
    // scenes it lists stay listed.
    static void unloadObjects(CMC_Scene* scene);
    // What entering an application or an episode runs once its objects are
    // loaded: every object's init, "ONINIT" when bound, then the behaviour
    // "__INIT__" found from it (condition checked).
    static void runInitialisers(CMC_Scene* scene);
    // Deletes owner's children, after taking every episode and scene out of
    // owner's names.
    static void deleteChildren(CMC_Scene* owner);
    // The child at index, or null outside the list.
    static CMC_Scene* childAt(CMC_Scene* owner, int index);
    // What a "STARTWITH" found: one of owner's children, or with listed a
    // scene owner lists by name (a scene of one of its episodes); null for
    // anything else, which is not owner's to enter and may be deleted once
    // the parser is done (a scene nobody took).
    static CMC_Scene* startAmong(CMC_Scene* owner, CMC_Object* found, bool listed);
};
