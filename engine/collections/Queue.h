#pragma once
#include "base/XArray.h"
#include "script/Object.h"
#include "script/Runner.h"

// FIFO (type 2018) and LIFO (type 2019) queues of script values. PUSH
// stores copies; POP hands out the oldest (FIFO) or newest (LIFO) entry as
// a pooled temporary. The queue keeps plain copies outside the pools, so
// entries stay intact across frames, whatever the pools hand out meanwhile.
// A snapshot holds only the base record: a restored queue starts empty.
class CMC_Queue : public CMC_Object {
public:
    // Deletes the entries still queued.
    ~CMC_Queue() override;
    CMC_Queue(const CMC_Queue&) = delete;
    CMC_Queue& operator=(const CMC_Queue&) = delete;

    CXString** getBehavioursList() override;
    virtual CXQuene* getQueue() { return queue; }

    // A copy of a basic value; any other value (or none) queues an empty
    // entry, which POP answers with no value.
    void push(CMC_Variable* value);
    // The next entry as a pooled temporary (null for an empty entry); with
    // an empty queue, "ONEMPTY" is raised and the text "NULL" is returned.
    CMC_Variable* pop();
    int getSize() { return queue->getSize(); }

    enum { EVENT_ONEMPTY = 3 };

protected:
    CMC_Queue(CMC_ObjectsContainer* container, CMElement* element, int typeId, CXQuene* queue);
    CMC_Queue(CMC_ObjectsContainer* container, const CXString& name, int typeId, CXQuene* queue);

private:
    CXQuene* queue;
};

class CMC_Fifo : public CMC_Queue {
public:
    CMC_Fifo(CMC_ObjectsContainer* container, CMElement* element);
    // For restoring a snapshot: named "temp".
    explicit CMC_Fifo(CMC_ObjectsContainer* container);
};

class CMC_Lifo : public CMC_Queue {
public:
    CMC_Lifo(CMC_ObjectsContainer* container, CMElement* element);
    // For restoring a snapshot: named "temp".
    explicit CMC_Lifo(CMC_ObjectsContainer* container);
};

// One runner for both queue types.
class CMC_Queue_Runner : public CMC_Runner {
public:
    enum { PUSH = 1, POP = 2, GETSIZE = 3, ISEMPTY = 4 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
