#pragma once
#include <algorithm>
#include <unordered_map>
#include <vector>

// The entries of each key in the order they came, linked through a member
// of the entry (Next): the first of a key is found at once, a new one goes
// last, any one can be taken out. The chain does not own the entries.
template <class Key, class Entry, Entry* Entry::*Next>
class CKeyedChain {
public:
    Entry* first(const Key& key) const
    {
        auto it = heads.find(key);
        return it == heads.end() ? nullptr : it->second;
    }
    void append(const Key& key, Entry* entry)
    {
        entry->*Next = nullptr;
        auto slot = heads.emplace(key, entry);
        if (slot.second)
            return;
        Entry* last = slot.first->second;
        while (last->*Next)
            last = last->*Next;
        last->*Next = entry;
    }
    void remove(const Key& key, Entry* entry)
    {
        auto it = heads.find(key);
        if (it == heads.end())
            return;
        if (it->second == entry) {
            if (entry->*Next)
                it->second = entry->*Next;
            else
                heads.erase(it);
            return;
        }
        for (Entry* e = it->second; e->*Next; e = e->*Next)
            if (e->*Next == entry) {
                e->*Next = entry->*Next;
                return;
            }
    }
    void clear() { heads.clear(); }

private:
    std::unordered_map<Key, Entry*> heads;
};

// Deletes the entries of the list whose gone flag is set and takes them
// out, keeping the order of the others.
template <class Entry>
void deleteMarked(std::vector<Entry*>& list)
{
    list.erase(std::remove_if(list.begin(), list.end(),
                              [](Entry* e) {
                                  if (!e->gone)
                                      return false;
                                  delete e;
                                  return true;
                              }),
               list.end());
}
