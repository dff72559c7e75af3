#include "base/ResourcesManager.h"

#include "platform/Cp1250.h"

CFileResolver::CFileResolver() : loaded(false), releaseAfterUseFlag(false) {}

CFileResolver::~CFileResolver() {}

void CFileResolver::withdraw(CWindow*) {}

void CFileResolver::log(const char* text, bool flag) { CXObject::toLog(CXString(text), flag); }

CResourcesManager::CResourcesManager(CWindow* owner)
    : first(nullptr), last(nullptr), children(new CXVector(101, 0.75f)), window(owner)
{
}

CResourcesManager::~CResourcesManager()
{
    flush();
    delete children;
}

// Names are equal in any case when their bytes are equal once turned to
// capitals, as CXString::equalsIgnoreCase compares them.
std::string CResourcesManager::key(const CXString& name)
{
    const unsigned char* up = platform::cp1250Case().upper;
    std::string folded(name.c_str(), size_t(name.getLength()));
    for (char& c : folded)
        c = char(up[(unsigned char)c]);
    return folded;
}

CResourcesManager::Entry* CResourcesManager::append(CFileResolver* resource)
{
    Entry* entry = new Entry{resource->getFileName(), resource, 1, last, nullptr, nullptr, nullptr};
    if (last)
        last->next = entry;
    else
        first = entry;
    last = entry;
    return entry;
}

void CResourcesManager::index(Entry* entry)
{
    byName.append(key(entry->name), entry);
    byResource.append(entry->resource, entry);
}

void CResourcesManager::reindex()
{
    byName.clear();
    byResource.clear();
    for (Entry* e = first; e; e = e->next)
        index(e);
}

void CResourcesManager::takeOut(Entry* entry)
{
    (entry->previous ? entry->previous->next : first) = entry->next;
    (entry->next ? entry->next->previous : last) = entry->previous;
    byName.remove(key(entry->name), entry);
    byResource.remove(entry->resource, entry);
}

void CResourcesManager::add(CFileResolver* resource)
{
    if (resource)
        index(append(resource));
}

// Rare: the entries of each name and resource are listed again in order.
void CResourcesManager::insertAt(CFileResolver* resource, int at)
{
    if (!resource)
        return;
    Entry* entry = append(resource);
    Entry* place = first;
    for (int i = 0; i < at && place != entry; ++i)
        place = place->next;
    if (place != entry) {
        takeOut(entry);
        entry->next = place;
        entry->previous = place->previous;
        (place->previous ? place->previous->next : first) = entry;
        place->previous = entry;
    }
    reindex();
}

void CResourcesManager::add(CResourcesManager* child)
{
    if (child && child != this)
        children->add(child);
}

void CResourcesManager::remove(CResourcesManager* child) { children->remove(child); }

CFileResolver* CResourcesManager::get(CXString name)
{
    if (Entry* e = byName.first(key(name))) {
        ++e->references;
        return e->resource;
    }
    for (int i = 0; i < children->getSize(); ++i)
        if (CFileResolver* found = static_cast<CResourcesManager*>(children->at(i))->get(name))
            return found;
    return nullptr;
}

bool CResourcesManager::contains(CFileResolver* resource) { return resource && byResource.first(resource); }

bool CResourcesManager::remove(CFileResolver* resource)
{
    Entry* e = resource ? byResource.first(resource) : nullptr;
    if (!e)
        return false;
    if (--e->references > 0)
        return false;
    takeOut(e);
    delete e;
    // A resource registered twice stays alive for its other entry.
    if (byResource.first(resource))
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
    while (first) {
        Entry* e = first;
        takeOut(e);
        if (!byResource.first(e->resource))
            delete e->resource;
        delete e;
    }
}
