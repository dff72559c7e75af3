#include "script/ObjectsIndex.h"

#include "base/Hashtable.h"

#include <algorithm>
#include <functional>

void CIndexSlots::insert(std::uint32_t hash, Entry entry)
{
    if ((used + 1) * 2 > slots.size())
        grow();
    size_t mask = slots.size() - 1;
    size_t i = hash & mask;
    while (slots[i].entry)
        i = (i + 1) & mask;
    slots[i] = {hash, entry};
    ++used;
}

void CIndexSlots::erase(std::uint32_t hash, Entry entry)
{
    size_t mask = slots.size() - 1;
    size_t hole = hash & mask;
    while (slots[hole].entry != entry) {
        if (!slots[hole].entry)
            return;
        hole = (hole + 1) & mask;
    }
    // Each pair after the hole, up to the next empty slot, moves into the
    // hole when its home slot does not lie between the hole and itself.
    for (size_t i = (hole + 1) & mask; slots[i].entry; i = (i + 1) & mask) {
        size_t home = slots[i].hash & mask;
        bool stays = hole <= i ? hole < home && home <= i : hole < home || home <= i;
        if (!stays) {
            slots[hole] = slots[i];
            hole = i;
        }
    }
    slots[hole] = {0, 0};
    --used;
}

void CIndexSlots::grow()
{
    std::vector<Slot> old(slots.size() * 2, Slot{0, 0});
    old.swap(slots);
    used = 0;
    for (const Slot& s : old)
        if (s.entry)
            insert(s.hash, s.entry);
}

CObjectsIndex::CObjectsIndex(int tableCapacity, double tableLoadFactor) : walk(tableCapacity, tableLoadFactor) {}

std::uint32_t CObjectsIndex::hashName(std::string_view name)
{
    std::uint64_t h = std::hash<std::string_view>()(name);
    return std::uint32_t(h ^ (h >> 32));
}

std::uint32_t CObjectsIndex::hashObject(CMC_Object* obj)
{
    return std::uint32_t((std::uint64_t(reinterpret_cast<std::uintptr_t>(obj)) * 0x9E3779B97F4A7C15ull) >> 32);
}

CObjectsIndex::Entry CObjectsIndex::named(std::string_view name, std::uint32_t hash) const
{
    Entry found = 0;
    byName.each(hash, [&](Entry e) {
        if (item(e).name != name)
            return true;
        found = e;
        return false;
    });
    return found;
}

CMC_Object* CObjectsIndex::find(std::string_view name) const
{
    Entry e = named(name, hashName(name));
    return e ? item(e).object : nullptr;
}

CObjectsIndex::Entry CObjectsIndex::first(CMC_Object* obj) const
{
    Entry found = 0;
    byObject.each(hashObject(obj), [&](Entry e) {
        if (item(e).object == obj && (!found || item(e).added < item(found).added))
            found = e;
        return true;
    });
    return found;
}

void CObjectsIndex::add(CMC_Object* obj, std::string_view name)
{
    Entry e;
    if (freeItems.empty()) {
        items.emplace_back();
        e = Entry(items.size());
    } else {
        e = freeItems.back();
        freeItems.pop_back();
    }
    Item& it = item(e);
    it.object = obj;
    it.added = additions++;
    it.place = std::uint32_t(list.size());
    it.nameHash = hashName(name);
    it.tableHash = CStringHashCode::hashOf(name.data(), int(name.size()));
    it.seen = 0;
    it.name.assign(name);
    it.hasName = !named(name, it.nameHash);
    if (it.hasName) {
        walk.put();
        byName.insert(it.nameHash, e);
        ++nameCount;
    }
    byObject.insert(hashObject(obj), e);
    list.push_back({obj, e});
}

bool CObjectsIndex::remove(CMC_Object* obj)
{
    Entry e = first(obj);
    if (!e)
        return false;
    Item& it = item(e);
    list[it.place].object = nullptr;
    ++holes;
    // Holes at the end go at once: the list then grows only by what stays.
    while (!list.empty() && !list.back().object) {
        list.pop_back();
        --holes;
    }
    byObject.erase(hashObject(obj), e);
    if (it.hasName) {
        byName.erase(it.nameHash, e);
        walk.removed();
        --nameCount;
    }
    it.object = nullptr;
    it.hasName = false;
    freeItems.push_back(e);
    return true;
}

const std::vector<CObjectsIndex::Listed>& CObjectsIndex::compact()
{
    if (!holes)
        return list;
    size_t kept = 0;
    for (const Listed& l : list)
        if (l.object) {
            item(l.entry).place = std::uint32_t(kept);
            list[kept++] = l;
        }
    list.resize(kept);
    holes = 0;
    return list;
}

int CObjectsIndex::position(CMC_Object* obj)
{
    Entry e = first(obj);
    if (!e)
        return -1;
    compact();
    return int(item(e).place);
}

std::vector<CObjectsIndex::Listed> CObjectsIndex::snapshot() const
{
    std::vector<Listed> listed;
    listed.reserve(list.size() - holes);
    for (const Listed& l : list)
        if (l.object)
            listed.push_back(l);
    return listed;
}

std::vector<CMC_Object*> CObjectsIndex::tableOrder() const
{
    std::vector<const Item*> entries;
    entries.reserve(size_t(nameCount));
    for (const Item& it : items)
        if (it.object && it.hasName)
            entries.push_back(&it);
    std::sort(entries.begin(), entries.end(), [this](const Item* a, const Item* b) {
        return walk.before(a->tableHash, a->added, b->tableHash, b->added);
    });
    std::vector<CMC_Object*> objects;
    objects.reserve(entries.size());
    for (const Item* it : entries)
        objects.push_back(it->object);
    return objects;
}

bool CObjectsIndex::markSeen(const Listed& listing, unsigned mark)
{
    if (!listing.entry || listing.entry > items.size())
        return false;
    Item& it = item(listing.entry);
    if (it.object != listing.object || it.seen == mark)
        return false;
    it.seen = mark;
    return true;
}
