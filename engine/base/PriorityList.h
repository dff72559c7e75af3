#pragma once
#include "base/KeyedChain.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <utility>
#include <vector>

// Items in ascending priority, those of equal priority in the order they
// came, where the first item of a key (a drawable, a listener) is found and
// taken out in constant time. A key may have several items; "first" is in
// list order. The list owns its items.
//
// The order is (priority, arrival). An item that comes after the last one
// in that order is appended; any other waits in a list of arrivals, and an
// item taken out is only marked. The list is put in order in one pass when
// it is next read by position, or once the waiting and marked items
// outnumber the ordered ones. So a scene that lists thousands of items at
// any priorities, or takes them all out, pays about the same for each, and
// a frame that only reads the list pays one test a read.
template <class Key, class Item>
class CPriorityList {
public:
    CPriorityList() = default;
    ~CPriorityList() { removeAll(); }
    CPriorityList(const CPriorityList&) = delete;
    CPriorityList& operator=(const CPriorityList&) = delete;

    // A new item made of args, after every item of lower or equal priority.
    template <class... Args>
    Item& add(const Key& key, int priority, Args&&... args)
    {
        Node* node = new Node(key, priority, arrivals++, std::forward<Args>(args)...);
        auto slot = firstOfKey.emplace(key, node);
        if (!slot.second) {
            Node** link = &slot.first->second;
            while (*link && before(*link, node))
                link = &(*link)->nextOfKey;
            node->nextOfKey = *link;
            *link = node;
        }
        ++count;
        if (waiting.empty() && (order.empty() || before(order.back(), node))) {
            order.push_back(node);
        } else {
            waiting.push_back(node);
            ordered = false;
            tidyIfLarge();
        }
        return node->item;
    }

    // The key's first item, or null.
    Item* find(const Key& key) const
    {
        auto it = firstOfKey.find(key);
        return it == firstOfKey.end() ? nullptr : &it->second->item;
    }
    bool contains(const Key& key) const { return firstOfKey.count(key) != 0; }

    // Takes the key's first item out; false when the key has none. The item
    // is deleted by the next reading by position at the latest.
    bool remove(const Key& key)
    {
        auto it = firstOfKey.find(key);
        if (it == firstOfKey.end())
            return false;
        Node* node = it->second;
        if (node->nextOfKey)
            it->second = node->nextOfKey;
        else
            firstOfKey.erase(it);
        --count;
        // The last item, as when a list is emptied from its end, goes at once.
        if (waiting.empty() && order.back() == node) {
            order.pop_back();
            delete node;
            return true;
        }
        node->gone = true;
        ++goneCount;
        ordered = false;
        tidyIfLarge();
        return true;
    }

    int getSize() const { return int(count); }
    Item& at(int index) const
    {
        settle();
        return order[size_t(index)]->item;
    }
    Item& operator[](int index) const { return at(index); }
    // Calls f with every item in order; f must not change the list.
    template <class F>
    void forEach(F f) const
    {
        settle();
        for (Node* node : order)
            f(node->item);
    }
    // The position of the key's first item, or -1.
    int indexOf(const Key& key) const
    {
        auto it = firstOfKey.find(key);
        if (it == firstOfKey.end())
            return -1;
        settle();
        return int(std::lower_bound(order.begin(), order.end(), it->second, before) - order.begin());
    }

    void removeAll()
    {
        for (Node* node : order)
            delete node;
        for (Node* node : waiting)
            delete node;
        order.clear();
        waiting.clear();
        firstOfKey.clear();
        goneCount = 0;
        count = 0;
        ordered = true;
    }

private:
    struct Node {
        template <class... Args>
        Node(const Key& k, int p, uint64_t a, Args&&... args)
            : item(std::forward<Args>(args)...), key(k), priority(p), arrival(a), nextOfKey(nullptr), gone(false)
        {
        }
        Item item;
        Key key;
        int priority;
        uint64_t arrival;
        Node* nextOfKey; // the key's next item in list order
        bool gone;
    };

    static bool before(const Node* a, const Node* b)
    {
        return a->priority != b->priority ? a->priority < b->priority : a->arrival < b->arrival;
    }
    void settle() const
    {
        if (!ordered)
            reorder();
    }
    // Once the items waiting or marked outnumber those listed: the work of
    // each pass is paid by the changes since the last one.
    void tidyIfLarge()
    {
        if (waiting.size() + goneCount > count + 16)
            reorder();
    }
    // Drops the marked items and merges the waiting ones in; the order is
    // total, so sorting them keeps equal priorities in arrival order.
    void reorder() const
    {
        ordered = true;
        if (goneCount != 0) {
            deleteMarked(order);
            deleteMarked(waiting);
            goneCount = 0;
        }
        if (waiting.empty())
            return;
        std::sort(waiting.begin(), waiting.end(), before);
        const size_t settled = order.size();
        order.insert(order.end(), waiting.begin(), waiting.end());
        waiting.clear();
        std::inplace_merge(order.begin(), order.begin() + std::ptrdiff_t(settled), order.end(), before);
    }

    // Reading by position puts the list in order: what it changes is not
    // seen from outside.
    mutable bool ordered = true; // nothing waits, nothing is marked
    size_t count = 0;
    mutable std::vector<Node*> order;
    mutable std::vector<Node*> waiting;
    mutable size_t goneCount = 0;
    std::unordered_map<Key, Node*> firstOfKey;
    uint64_t arrivals = 0;
};
