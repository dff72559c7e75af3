#include "base/ResourcesManager.h"

CFileResolver::CFileResolver() : loaded(false), releaseAfterUseFlag(false) {}

CFileResolver::~CFileResolver() {}

void CFileResolver::withdraw(CWindow*) {}

void CFileResolver::log(const char* text, bool flag) { CXObject::toLog(CXString(text), flag); }

struct CResourcesManager::Entry {
    CXString name;
    CFileResolver* resource;
    int references;
};

CResourcesManager::CResourcesManager(CWindow* owner)
    : entries(new CXArray(101, 0.75f)), children(new CXVector(101, 0.75f)), window(owner)
{
}

CResourcesManager::~CResourcesManager()
{
    flush();
    delete entries;
    delete children;
}

void CResourcesManager::add(CFileResolver* resource)
{
    if (resource)
        entries->add(new Entry{resource->getFileName(), resource, 1});
}

void CResourcesManager::insertAt(CFileResolver* resource, int index)
{
    if (resource)
        entries->insertAt(index, new Entry{resource->getFileName(), resource, 1});
}

void CResourcesManager::add(CResourcesManager* child)
{
    if (child && child != this)
        children->add(child);
}

void CResourcesManager::remove(CResourcesManager* child) { children->remove(child); }

CFileResolver* CResourcesManager::get(CXString name)
{
    for (int i = 0; i < entries->getSize(); ++i) {
        Entry* e = entryAt(i);
        if (e->name.equalsIgnoreCase(name)) {
            ++e->references;
            return e->resource;
        }
    }
    for (int i = 0; i < children->getSize(); ++i)
        if (CFileResolver* found = static_cast<CResourcesManager*>(children->at(i))->get(name))
            return found;
    return nullptr;
}

int CResourcesManager::findEntry(CFileResolver* resource) const
{
    for (int i = 0; i < entries->getSize(); ++i)
        if (entryAt(i)->resource == resource)
            return i;
    return -1;
}

bool CResourcesManager::contains(CFileResolver* resource) { return resource && findEntry(resource) >= 0; }

bool CResourcesManager::remove(CFileResolver* resource)
{
    const int index = resource ? findEntry(resource) : -1;
    if (index < 0)
        return false;
    Entry* e = entryAt(index);
    if (--e->references > 0)
        return false;
    entries->removeAt(index);
    delete e;
    // A resource registered twice stays alive for its other entry.
    if (findEntry(resource) >= 0)
        return false;
    resource->withdraw(window);
    delete resource;
    return true;
}

void CResourcesManager::flush()
{
    for (int i = 0; i < children->getSize(); ++i)
        static_cast<CResourcesManager*>(children->at(i))->flush();
    children->removeAll();
    // Entries are taken out before their resources go, so that a resource
    // registered twice is deleted once.
    while (entries->getSize() > 0) {
        Entry* e = entryAt(0);
        entries->removeAt(0);
        if (findEntry(e->resource) < 0)
            delete e->resource;
        delete e;
    }
}
