#pragma once
#include "base/XTimer.h"
#include "platform/RealTime.h"
#include "script/Object.h"

#include <cstdint>
#include <mutex>
#include <vector>

class CPhoneLine;
class CXTimer;

// The script type "PHONEEXT": a telephone line of the list (its place given
// by "INDEX", 0 by default), opened at init, whose calls and keys become
// events: "ONMODEMFOUND" or "ONMODEMNOTFOUND" at init, then "ONRINGING",
// "ONCONNECTED", "ONKEYDOWN^<digit>", "ONKEYUP^<digit>" and
// "ONDISCONNECTED" as calls come. The keys are reported from the moment a
// call is connected.
//
// While the line list is still being built (a baresip starting), init
// does not wait: the line is opened, and "ONMODEMFOUND" or
// "ONMODEMNOTFOUND" raised, in the first frame after the list is there;
// the run is held on the real clock meanwhile.
//
// The line reports on its own thread; the reports wait in a queue that the
// window's timer empties once a frame on the host's thread, where the
// events are raised in the order of the reports. Deleting the object stops
// the line's thread and closes the line (hanging up a call in progress);
// what it had not raised yet is dropped. Phone objects share one runner,
// kept until the plug-in is released.
class CMC_Phone : public CMC_Object, private CTimerNotificator {
public:
    enum { TYPE_ID = 10000 };

    CMC_Phone(CMC_ObjectsContainer* container, CMElement* element);
    // For a snapshot: no line (a box says the object is restored) until the
    // snapshot's state gives it the line's place in the list.
    explicit CMC_Phone(CMC_ObjectsContainer* container);
    ~CMC_Phone() override;

    CXString** getBehavioursList() override;
    CMC_Runner* getRunner() override;
    SnapshotState getSnapshotState() override { return &snapshotState; }
    // Opens the line and raises "ONMODEMFOUND", or raises "ONMODEMNOTFOUND"
    // when the index names no listed line; once the list is there.
    void init() override;

    // What the line reports, on its thread.
    virtual void onKeyDown(int digit);
    virtual void onKeyUp(int digit, uint32_t durationMs);
    virtual void onRinging();
    virtual void onConnected();
    virtual void onDisconnected();

    CPhoneLine* getLine() const { return line; }
    // The place of the line in the list; -1 when it names no listed line,
    // and while the list is not there.
    int getLineIndex() const { return lineIndex; }
    // The digit of the latest key raised as down; 0 before the first.
    char getLatestDigit() const { return latestDigit; }

private:
    struct Report {
        enum Kind { KEY_DOWN, KEY_UP, RINGING, CONNECTED, DISCONNECTED } kind;
        char digit;
    };

    static void snapshotState(CMC_Object* object, CXArchive* archive);
    void queue(Report::Kind kind, char digit = 0);
    // The index asked for, once the list is there: -1 when it names no
    // listed line.
    void placeLine();
    // Opens the line of the index, or says there is none.
    void openLine();
    // Raises the events of the queued reports.
    void onTimer(int id) override;

    CPhoneLine* line;
    // "INDEX" as the definition gives it, kept in a scene snapshot.
    int definedIndex;
    int lineIndex;
    bool listKnown;   // lineIndex is placed
    bool initWaiting; // init waits for the list
    char latestDigit;
    std::mutex reportsLock;
    std::vector<Report> reports;
    CXTimer* timer;
    int timerId;
    platform::RealTimeHold realTime; // while a line in real time is open or awaited
};
