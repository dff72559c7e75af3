#pragma once
#include "base/Hashtable.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class CMC_Object;

// A multimap from 32-bit hashes to index entries (never 0): open
// addressing with linear probing over a power-of-two array of pairs, at
// most half full. Taking out moves the pairs after it back, so a search
// stops at the first empty slot. It serves CObjectsIndex rather than the
// standard unordered containers because these cost about twice as much per
// object at 100,000 objects (bench/clone.cpp): a node allocated per entry
// and a pointer chased per lookup, where this keeps the pairs in one array.
class CIndexSlots {
public:
    using Entry = std::uint32_t;
    // Calls each(entry) for every entry stored with that hash, in probe
    // order, until it returns false.
    template <class Each>
    void each(std::uint32_t hash, Each each) const
    {
        size_t mask = slots.size() - 1;
        for (size_t i = hash & mask; slots[i].entry; i = (i + 1) & mask)
            if (slots[i].hash == hash && !each(slots[i].entry))
                return;
    }
    void insert(std::uint32_t hash, Entry entry);
    void erase(std::uint32_t hash, Entry entry);
    size_t size() const { return used; }
    size_t capacity() const { return slots.size(); }

private:
    struct Slot {
        std::uint32_t hash;
        Entry entry;
    };
    void grow();
    std::vector<Slot> slots = std::vector<Slot>(16, Slot{0, 0});
    size_t used = 0;
};

// The objects of a named-object container: the list in the order they were
// added, and the names they were added under. Adding, finding and taking
// out cost the same however many objects there are: names and objects are
// found through flat hash tables of their own (the CHashtable hash gives
// names that differ only in their digits, such as clones', one slot among
// very few, and its buckets are searched in turn), and taking out leaves a
// hole in the list, closed when the list is next read by position.
//
// Each addition is an entry: the object, its place in the list, the name
// (when no other entry holds it) and the number of the addition, which
// orders the walk of a CHashtable that the same names were put into.
class CObjectsIndex {
public:
    // Entry numbers start at 1; 0 is none.
    using Entry = std::uint32_t;
    struct Listed {
        CMC_Object* object; // null: a hole
        Entry entry;
    };

    // The walk of tableOrder is that of a CHashtable of that many slots
    // and load factor that the names were put into and taken out of.
    CObjectsIndex(int tableCapacity, double tableLoadFactor);
    CObjectsIndex(const CObjectsIndex&) = delete;
    CObjectsIndex& operator=(const CObjectsIndex&) = delete;

    CMC_Object* find(std::string_view name) const;
    // Whether obj is listed.
    bool holds(CMC_Object* obj) const { return first(obj) != 0; }
    // The number of names.
    int size() const { return nameCount; }

    // Lists obj at the end, under name unless an entry holds that name
    // already (the first put of a name is the one a CHashtable finds).
    void add(CMC_Object* obj, std::string_view name);
    // Takes out obj's first listing and the name it was added under; false
    // when obj is not listed.
    bool remove(CMC_Object* obj);

    // The list without holes, to be read by position.
    const std::vector<Listed>& compact();
    // The position of obj's first listing, -1 when it is not listed.
    int position(CMC_Object* obj);
    // The listed objects without holes, in the order they were added.
    std::vector<Listed> snapshot() const;
    // The objects under their names in the slot order of the table.
    std::vector<CMC_Object*> tableOrder() const;

    // Marks a listing of a snapshot as seen in the walk numbered mark;
    // false when it was seen already or is no longer listed. A listing
    // taken out and an object added later at the same address start unseen.
    bool markSeen(const Listed& listing, unsigned mark);

private:
    struct Item {
        CMC_Object* object = nullptr; // null: free
        std::uint64_t added = 0;
        std::uint32_t place = 0; // in the list
        std::uint32_t nameHash = 0;
        int tableHash = 0; // CStringHashCode's
        bool hasName = false;
        unsigned seen = 0;
        std::string name;
    };

    static std::uint32_t hashName(std::string_view name);
    static std::uint32_t hashObject(CMC_Object* obj);
    Item& item(Entry e) { return items[e - 1]; }
    const Item& item(Entry e) const { return items[e - 1]; }
    // The entry holding that name, 0 when none.
    Entry named(std::string_view name, std::uint32_t hash) const;
    // obj's entry added first, 0 when none.
    Entry first(CMC_Object* obj) const;

    std::vector<Item> items;
    std::vector<Entry> freeItems;
    std::vector<Listed> list;
    size_t holes = 0;
    CIndexSlots byName;
    CIndexSlots byObject;
    int nameCount = 0;
    std::uint64_t additions = 0;
    CHashtable::WalkOrder walk;
};
