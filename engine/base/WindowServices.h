#pragma once
#include <vector>

class CXObject;
class CXTimer;

// The window's deferred-deletion list as the code below the window sees it.
// A member stays until its isToDelete() is true; then the window's sweep
// deletes it. remove withdraws a member (one that is being deleted by
// someone else), also from inside the sweep.
class CDeferredTrash {
public:
    virtual void add(CXObject* object) = 0;
    virtual void remove(CXObject* object) = 0;

protected:
    ~CDeferredTrash() = default;
};

// A deferred-deletion list: sweep deletes the members whose isToDelete() is
// true. A member deleted during the sweep by another member's deletion has
// withdrawn itself and is not deleted twice. The window's trash is one.
class CTrashList : public CDeferredTrash {
public:
    CTrashList() = default;
    CTrashList(const CTrashList&) = delete;
    CTrashList& operator=(const CTrashList&) = delete;
    virtual ~CTrashList() = default;

    void add(CXObject* object) override;
    void remove(CXObject* object) override;
    void sweep();
    int getSize() const { return int(members.size()); }

private:
    std::vector<CXObject*> members;
};

// The engine window's timer registry and deferred-deletion trash, for the
// code below the window (behaviours on a timer). The window installs both
// when it is made and clears them before it deletes them; until then both
// are null and whatever needs them does without. Main thread only.
class CWindowServices {
public:
    static CXTimer* getTimer();
    static void setTimer(CXTimer* timer);
    static CDeferredTrash* getTrash();
    static void setTrash(CDeferredTrash* trash);
};
