#pragma once
#include "base/Check.h"

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
//
// Items taken out from either end, as when a list is emptied from its
// front or its back, are dropped without a pass over the others: reading
// the list by position after each costs the same however long it is.
//
// An item taken out, wherever it sits, is deleted when the list is next
// put in order, and never while a Walk holds the list: a pointer from
// find() is good until the list next changes or is read by position, and
// the item a walk is at stays good whatever its visit does to the list.
//
// The drawables while they are drawn, an object's bindings while it raises
// an event and a group's members while it passes a call on are such lists,
// walked with a Walk, never by position. Other lists that what they call
// may change keep a rule of their own:
// - the engine timers (CXTimer) and the animation manager walk a copy and
//   mark what is taken out: the same rule as a Walk (an entry taken out
//   before the pass reaches it is passed over, one added waits for the
//   next pass);
// - the collision inspector marks a drawable no longer watched and drops
//   it at the tick's end, but a test goes on to the entries added while it
//   reports: a drawable watched from a collision's script is tested
//   against the one that moved in the same tick.
template <class Key, class Item>
class CPriorityList {
    struct Node;

public:
    CPriorityList() = default;
    ~CPriorityList()
    {
        QUARNEL_CHECK(walks == 0, "a priority list is destroyed while it is walked");
        removeAll();
        deleteHeld();
    }
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
        ++changes;
        if (waiting.empty() && (order.empty() || before(order.back(), node))) {
            order.push_back(node);
            tailGone = 0;
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
    // is deleted when the list is next put in order and no walk holds it.
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
        ++changes;
        node->gone = true;
        ++goneCount;
        ordered = false;
        // The first or last items, as when a list is emptied from either end
        // or its top item listed anew, are dropped without a pass over the
        // others.
        const size_t listed = order.size() - head;
        if (headGone < listed && order[head + headGone] == node)
            ++headGone;
        else if (listed > tailGone && order[order.size() - 1 - tailGone] == node)
            firstGone = std::min(firstGone, order.size() - ++tailGone);
        else
            firstGone = head;
        tidyIfLarge();
        return true;
    }

    int getSize() const { return int(count); }
    Item& at(int index) const
    {
        settle();
        return order[head + size_t(index)]->item;
    }
    Item& operator[](int index) const { return at(index); }
    // Visits the items in order, one next() at a time, while the visits
    // may change the list: an item taken out before the walk reaches it is
    // not visited, an item there from the walk's start to its visit is
    // visited once, and an item added after the walk started is not (the
    // next walk sees it). So a visit that takes out the item after its own,
    // or itself, skips no other; and one that adds an item (a binding made
    // anew under the event being raised) does not have it visited in the
    // same walk, where it could add another without end. The items taken
    // out while any walk lasts are deleted once the last walk ends. The
    // list must outlive its walks.
    class Walk {
    public:
        explicit Walk(const CPriorityList& l) : list(l), seen(l.changes - 1), limit(l.arrivals) { ++list.walks; }
        ~Walk()
        {
            if (--list.walks == 0 && !list.held.empty())
                list.deleteHeld();
        }
        Walk(const Walk&) = delete;
        Walk& operator=(const Walk&) = delete;

        // The next item, or null at the end.
        Item* next()
        {
            for (;;) {
                if (seen != list.changes)
                    follow();
                if (place == end)
                    return nullptr;
                Node* node = *place++;
                if (node->arrival < limit) {
                    current = node;
                    return &current->item;
                }
            }
        }
        // Whether the item of the last next() has been taken out since.
        bool isTakenOut() const { return current && current->gone; }

    private:
        // The list changed since the last visit (or the walk starts): put in
        // order, on from where its item is or would be.
        void follow()
        {
            list.settle();
            seen = list.changes;
            Node* const* first = list.order.data() + list.head;
            end = list.order.data() + list.order.size();
            place = current ? std::upper_bound(first, end, current, before) : first;
        }

        const CPriorityList& list;
        uint64_t seen;
        uint64_t limit; // items that arrived from here on came after the start
        Node* current = nullptr;
        Node* const* place = nullptr; // of the next item
        Node* const* end = nullptr;
    };

    // Calls f with every item in order; f must not change the list.
    template <class F>
    void forEach(F f) const
    {
        settle();
        for (size_t i = head; i < order.size(); ++i)
            f(order[i]->item);
    }
    // Calls f with every item in no set order; f must not change the list.
    // It goes by the table of keys, in which keys that came one after
    // another mostly stay so: for items whose keys lie in memory in the
    // order they came, a long list is gone through at the memory's pace,
    // where its priority order would jump about it.
    template <class F>
    void forEachUnordered(F f) const
    {
        for (const auto& first : firstOfKey)
            for (Node* node = first.second; node; node = node->nextOfKey)
                f(node->item);
    }
    // The position of the key's first item, or -1.
    int indexOf(const Key& key) const
    {
        auto it = firstOfKey.find(key);
        if (it == firstOfKey.end())
            return -1;
        settle();
        const auto first = order.begin() + std::ptrdiff_t(head);
        return int(std::lower_bound(first, order.end(), it->second, before) - first);
    }

    void removeAll()
    {
        for (size_t i = head; i < order.size(); ++i)
            drop(order[i]);
        for (Node* node : waiting)
            drop(node);
        order.clear();
        waiting.clear();
        firstOfKey.clear();
        goneCount = 0;
        firstGone = size_t(-1);
        head = headGone = tailGone = 0;
        count = 0;
        ordered = true;
        ++changes;
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
    // total, so sorting them keeps equal priorities in arrival order. The
    // first items dropped only move the list's start; their places are
    // given back once they are as many as the items listed after them.
    void reorder() const
    {
        ordered = true;
        ++changes;
        if (goneCount != 0) {
            for (size_t end = head + headGone; head < end; ++head)
                drop(order[head]);
            if (firstGone < order.size())
                dropMarked(order, std::max(firstGone, head));
            dropMarked(waiting, 0);
            goneCount = 0;
        }
        firstGone = size_t(-1);
        headGone = tailGone = 0;
        if (head != 0 && (head >= order.size() - head || !waiting.empty())) {
            order.erase(order.begin(), order.begin() + std::ptrdiff_t(head));
            head = 0;
        }
        if (waiting.empty())
            return;
        std::sort(waiting.begin(), waiting.end(), before);
        const size_t settled = order.size();
        order.insert(order.end(), waiting.begin(), waiting.end());
        waiting.clear();
        std::inplace_merge(order.begin(), order.begin() + std::ptrdiff_t(settled), order.end(), before);
    }

    // An item off the list: deleted, or held marked while a walk may be at it.
    void drop(Node* node) const
    {
        if (walks == 0) {
            delete node;
            return;
        }
        node->gone = true;
        held.push_back(node);
    }
    // Drops the marked items from that place on.
    void dropMarked(std::vector<Node*>& list, size_t from) const
    {
        list.erase(std::remove_if(list.begin() + std::ptrdiff_t(from), list.end(),
                                  [this](Node* node) {
                                      if (!node->gone)
                                          return false;
                                      drop(node);
                                      return true;
                                  }),
                   list.end());
    }
    void deleteHeld() const
    {
        for (Node* node : held)
            delete node;
        held.clear();
    }

    // Reading by position puts the list in order: what it changes is not
    // seen from outside.
    mutable bool ordered = true; // nothing waits, nothing is marked
    size_t count = 0;
    mutable std::vector<Node*> order; // the list from order[head] on
    mutable size_t head = 0;          // places before it held items dropped
    mutable std::vector<Node*> waiting;
    mutable size_t goneCount = 0;
    mutable size_t firstGone = size_t(-1); // no marked item in order before it
    mutable size_t headGone = 0;           // marked items that begin the list
    mutable size_t tailGone = 0;           // marked items that end order
    std::unordered_map<Key, Node*> firstOfKey;
    uint64_t arrivals = 0;
    mutable uint64_t changes = 0; // the times items came, went or were put in order
    mutable int walks = 0;
    mutable std::vector<Node*> held; // taken out during walks
};
