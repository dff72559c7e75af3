#pragma once
#include "base/PriorityList.h"
#include "base/XObject.h"

class CGraphicsObject;

// One drawable in a priority queue of drawables. compare orders elements
// by priority.
class CValidationElement : public CXObject {
public:
    CValidationElement(CGraphicsObject* drawable, int priority, int flags)
        : enabled(true), mark(false), drawable(drawable), priority(priority), flags(flags)
    {
    }

    // 1 when this element's priority is greater than the other's, else 0.
    int compare(CXObject* other) override;

    bool enabled;
    // Set while the drawable has been drawn whole in the current frame.
    bool mark;
    CGraphicsObject* drawable;
    int priority;
    int flags;
};

// Drawables in ascending priority, equal priorities in the order they were
// added. The queue owns its elements, not the drawables; a cursor walks it.
// Finding, adding and removing a drawable cost the same however many the
// queue holds.
class CValidationQuene : public CXObject {
public:
    CValidationQuene();
    ~CValidationQuene() override;
    CValidationQuene(const CValidationQuene&) = delete;
    CValidationQuene& operator=(const CValidationQuene&) = delete;

    // A new element of that drawable and priority with flags 0; the third
    // argument is not used.
    CValidationElement* add(CGraphicsObject* drawable, int priority, int unused = 0);
    // The first element of that drawable, or null.
    CValidationElement* find(CGraphicsObject* drawable) { return elements.find(drawable); }
    int getIndex(CGraphicsObject* drawable) { return elements.indexOf(drawable); }
    int getSize() const { return elements.getSize(); }
    CValidationElement* elementAt(int index) const { return &elements.at(index); }

    // A walk over the elements in order that the drawables it reaches may
    // change (a drawable's Redraw taking one off): the element it is at
    // stays good until the walk ends (CPriorityList::Walk).
    using Walk = CPriorityList<CGraphicsObject*, CValidationElement>::Walk;
    Walk walk() const { return Walk(elements); }

    // The cursor: first sets it to 0, next and prev move it; null past
    // either end.
    CValidationElement* first();
    CValidationElement* next();
    CValidationElement* prev();

    // Calls f with every element in no set order, f not changing the
    // queue: faster than in order over a long queue of drawables made one
    // after another (CPriorityList::forEachUnordered).
    template <class F>
    void forEachUnordered(F f) const
    {
        elements.forEachUnordered(f);
    }

    void clearMarks();
    // Removes and deletes the first element of that drawable.
    void remove(CGraphicsObject* drawable) { elements.remove(drawable); }
    // Deletes every element.
    void removeAll() { elements.removeAll(); }

private:
    CPriorityList<CGraphicsObject*, CValidationElement> elements;
    int cursor;
};
