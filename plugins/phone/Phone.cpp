#include "phone/Phone.h"

#include "base/Archive.h"
#include "base/FileReport.h"
#include "base/XTimer.h"
#include "common/PluginObjects.h"
#include "graphics/Window.h"
#include "phone/PhoneLine.h"
#include "phone/PhoneRunner.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"

#include <string>


CMC_Phone::CMC_Phone(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, TYPE_ID), line(nullptr), definedIndex(0), lineIndex(-1), listKnown(false),
      initWaiting(false), latestDigit(0), timer(nullptr), timerId(0)
{
    definedIndex = element ? element->getPropertyValue(CXString("INDEX")).toNumber() : 0;
    PhoneLineList::begin();
    if (PhoneLineList::isBuilt())
        placeLine();
    initializeBehaviours(container, element);
}

CMC_Phone::CMC_Phone(CMC_ObjectsContainer* container)
    : CMC_Object(CXString("temp"), TYPE_ID), line(nullptr), definedIndex(-1), lineIndex(-1), listKnown(true),
      initWaiting(false), latestDigit(0), timer(nullptr), timerId(0)
{
    scene = container;
    restoringNotice("Phone", "Phone");
}

// The line's place as the definition's "INDEX" gives it: the lines of the
// machine that plays the snapshot decide whether it names one.
void CMC_Phone::snapshotState(CMC_Object* object, CXArchive* archive)
{
    CMC_Phone* phone = static_cast<CMC_Phone*>(object);
    if (archive->isStoring()) {
        *archive << phone->definedIndex;
        return;
    }
    int index = -1;
    *archive >> &index;
    if (archive->LastError())
        return;
    phone->definedIndex = index;
    // Placed in init, or once the list is there.
    phone->lineIndex = -1;
    phone->listKnown = false;
    PhoneLineList::begin();
    if (PhoneLineList::isBuilt())
        phone->placeLine();
}

CMC_Phone::~CMC_Phone()
{
    if (line) {
        line->stopThread(600);
        line->shutdown();
        delete line;
        line = nullptr;
    }
    if (timer)
        timer->remove(timerId);
}

CXString** CMC_Phone::getBehavioursList() { return pluginEventList(); }

CMC_Runner* CMC_Phone::getRunner() { return PluginRunner<CMC_Phone_Runner>::get(); }

void CMC_Phone::init()
{
    if (line || initWaiting)
        return;
    // The reports are raised in the window's frames from now on.
    CMC_ObjectsContainer* container = getScene();
    CWindow* window = container && container->getWindow() ? container->getWindow() : CWindow::getWindow();
    if (!timer && window && window->GetTimerInterface()) {
        timer = window->GetTimerInterface();
        timerId = CXTimer::freshId();
        timer->add(timerId, 0, static_cast<CTimerNotificator*>(this));
    }
    if (!listKnown) {
        // Without frames to wait in, the list is waited for here. The
        // frames that go on meanwhile wait for a program living in real
        // time.
        initWaiting = timer != nullptr;
        realTime.set(initWaiting);
        if (initWaiting)
            return;
        placeLine();
    }
    openLine();
}

void CMC_Phone::placeLine()
{
    listKnown = true;
    const int lines = getLineCount();
    lineIndex = definedIndex < 0 || definedIndex >= lines ? -1 : definedIndex;
    // A list without lines has said why; a place past them is the title's.
    if (lineIndex < 0 && lines > 0)
        CFileReport::mistakeAt(CXString("phone \"") + getName() + "\"", CXString(),
                               "INDEX " + std::to_string(definedIndex) + " names no line: " +
                                   PhoneLineList::serviceName() + " has " + std::to_string(lines));
}

void CMC_Phone::openLine()
{
    if (lineIndex < 0) {
        realTime.set(false);
        onSignal(CXString("ONMODEMNOTFOUND"));
        return;
    }
    line = new CPhoneLine(this);
    if (line->openByIndex(lineIndex, 0) != 0) {
        realTime.set(false);
        return;
    }
    // A real line's caller lives in real time; a scripted one follows the
    // engine's clock.
    std::shared_ptr<platform::telephony::Telephony> service = PhoneLineList::getService();
    realTime.set(service && service->inRealTime());
    onSignal(CXString("ONMODEMFOUND"));
    line->openLine();
    line->startThread();
}

void CMC_Phone::queue(Report::Kind kind, char digit)
{
    {
        std::lock_guard<std::mutex> g(reportsLock);
        reports.push_back(Report{kind, digit});
    }
    platform::wakeFrame();
}

void CMC_Phone::onKeyDown(int digit) { queue(Report::KEY_DOWN, char(digit)); }
void CMC_Phone::onKeyUp(int digit, uint32_t) { queue(Report::KEY_UP, char(digit)); }
void CMC_Phone::onRinging() { queue(Report::RINGING); }
void CMC_Phone::onConnected() { queue(Report::CONNECTED); }
void CMC_Phone::onDisconnected() { queue(Report::DISCONNECTED); }

void CMC_Phone::onTimer(int id)
{
    if (id != timerId)
        return;
    if (initWaiting && PhoneLineList::isBuilt()) {
        initWaiting = false;
        placeLine();
        openLine();
    }
    std::vector<Report> due;
    {
        std::lock_guard<std::mutex> g(reportsLock);
        due.swap(reports);
    }
    for (const Report& r : due) {
        CXString key;
        key += r.digit;
        switch (r.kind) {
        case Report::KEY_DOWN:
            latestDigit = r.digit;
            onSignal(CXString("ONKEYDOWN^") + key);
            break;
        case Report::KEY_UP: onSignal(CXString("ONKEYUP^") + key); break;
        case Report::RINGING: onSignal(CXString("ONRINGING")); break;
        case Report::CONNECTED: onSignal(CXString("ONCONNECTED")); break;
        case Report::DISCONNECTED: onSignal(CXString("ONDISCONNECTED")); break;
        }
    }
}
