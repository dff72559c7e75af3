#pragma once
#include "base/KeyedChain.h"
#include "base/XArray.h"
#include "base/XString.h"

#include <string>

class CWindow;

// Base of every resource that is loaded from a file and may be shared: a
// file name with a loaded flag and a release-after-use flag.
class CFileResolver {
public:
    CFileResolver();
    virtual ~CFileResolver();

    virtual void setFilename(CXString name) { fileName = name; }
    virtual CXString getFileName() { return fileName; }
    virtual bool isLoaded() { return loaded; }
    virtual void toRelease(bool release) { releaseAfterUseFlag = release; }
    virtual bool releaseAfterUse() { return releaseAfterUseFlag; }

    // Called by the resources manager just before it deletes the resource
    // whose last user has gone: a playable hides itself here and leaves the
    // window's screen refresh. Nothing to do for a plain resource.
    virtual void withdraw(CWindow* window);

protected:
    void load() { loaded = true; }
    void release() { loaded = false; }
    void log(const char* text, bool flag);

private:
    CXString fileName;
    bool loaded;
    bool releaseAfterUseFlag;
};

// Shares resources by file name with a count of users. Managers form a
// tree: a lookup that fails here continues in the child managers. Owns its
// resources, not its children. Finding a name or a resource, adding and
// removing cost the same however many resources the manager holds.
class CResourcesManager : public CXObject {
public:
    explicit CResourcesManager(CWindow* window);
    ~CResourcesManager() override;
    CResourcesManager(const CResourcesManager&) = delete;
    CResourcesManager& operator=(const CResourcesManager&) = delete;

    // Registers a resource under its file name with one user.
    void add(CFileResolver* resource);
    void insertAt(CFileResolver* resource, int index);
    void add(CResourcesManager* child);
    void remove(CResourcesManager* child);

    // The first resource of that name (any case) here, else in the
    // children; counts one more user. Null when none has it.
    CFileResolver* get(CXString name);
    // Whether this manager (not its children) holds the resource.
    bool contains(CFileResolver* resource);
    // Counts one user less; at the last one the resource leaves the display
    // and is deleted (true). False when users remain or it is not here.
    bool remove(CFileResolver* resource);
    // Flushes the children and forgets them, deletes every resource.
    void flush();

private:
    // The entries in registration order, and the entries of each name (in
    // any case) and of each resource in that order.
    struct Entry {
        CXString name;
        CFileResolver* resource;
        int references;
        Entry* previous;
        Entry* next;
        Entry* nextOfName;
        Entry* nextOfResource;
    };
    Entry* append(CFileResolver* resource);
    void index(Entry* entry);
    void takeOut(Entry* entry);
    void reindex();
    static std::string key(const CXString& name);

    Entry* first;
    Entry* last;
    CKeyedChain<std::string, Entry, &Entry::nextOfName> byName;
    CKeyedChain<CFileResolver*, Entry, &Entry::nextOfResource> byResource;
    CXVector* children;
    CWindow* window;
};
