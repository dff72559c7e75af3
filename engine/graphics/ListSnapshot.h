#pragma once
#include <cstddef>
#include <vector>

// A copy of a pointer list, taken before a walk whose callbacks may change
// the list (a listener that removes itself or another one, a poller that
// goes away): the walk visits the members present when it began, and asks
// the live list before each visit so that a member removed meanwhile is
// skipped. Members added during the walk wait for the next one. Lists of
// up to 16 members are copied without allocating.
class CListSnapshot {
public:
    CListSnapshot() = default;
    CListSnapshot(const CListSnapshot&) = delete;
    CListSnapshot& operator=(const CListSnapshot&) = delete;

    void add(void* member)
    {
        if (count < Inline)
            fixed[count] = member;
        else
            spill.push_back(member);
        ++count;
    }
    int size() const { return count; }
    void* operator[](int index) const { return index < Inline ? fixed[index] : spill[size_t(index - Inline)]; }

    // The members of a list with getSize() and operator[], in list order.
    template <class List>
    static void of(const List& list, CListSnapshot& out)
    {
        for (int i = 0; i < list.getSize(); ++i)
            out.add(list[i]);
    }

private:
    enum { Inline = 16 };
    void* fixed[Inline];
    std::vector<void*> spill;
    int count = 0;
};
