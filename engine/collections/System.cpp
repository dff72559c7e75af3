#include "collections/System.h"

#include "base/Path.h"
#include "platform/Clock.h"
#include "platform/FileIO.h"
#include "platform/Processor.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/Values.h"

#include <cstdio>

namespace {

CMC_RegisterRunner<CMC_System_Runner> registration({MC_SYSTEM});

const struct {
    const char* name;
    int id;
} methodNames[] = {
    {"GETDATE", CMC_System_Runner::GETDATE},
    {"GETDATESTRING", CMC_System_Runner::GETDATESTRING},
    {"GETDAY", CMC_System_Runner::GETDAY},
    {"GETDAYOFWEEK", CMC_System_Runner::GETDAYOFWEEK},
    {"GETDAYOFWEEKSTRING", CMC_System_Runner::GETDAYOFWEEKSTRING},
    {"GETMONTH", CMC_System_Runner::GETMONTH},
    {"GETMONTHSTRING", CMC_System_Runner::GETMONTHSTRING},
    {"GETYEAR", CMC_System_Runner::GETYEAR},
    {"GETTIMESTRING", CMC_System_Runner::GETTIMESTRING},
    {"GETHOUR", CMC_System_Runner::GETHOUR},
    {"GETMINUTES", CMC_System_Runner::GETMINUTES},
    {"GETSECONDS", CMC_System_Runner::GETSECONDS},
    {"GETSYSTEMTIME", CMC_System_Runner::GETSYSTEMTIME},
    {"GETMHZ", CMC_System_Runner::GETMHZ},
    {"DELAY", CMC_System_Runner::DELAY},
    {"COPYFILE", CMC_System_Runner::COPYFILE},
};

// A busy wait of ms milliseconds on the high-resolution counter. The
// overhead variant has the same calls but ends after one comparison, so
// its cycle count is the fixed cost that the measurement subtracts.
void measureCpuTicks(int ms, bool overheadOnly)
{
    int64_t frequency = 0;
    if (!platform::QueryPerformanceFrequency(&frequency))
        return;
    int64_t limit = (frequency / 1000) * ms;
    int64_t start = 0, now = 0;
    platform::QueryPerformanceCounter(&start);
    do {
        platform::QueryPerformanceCounter(&now);
    } while (overheadOnly ? now - start == limit : now - start < limit);
}

} // namespace

const char* const CMC_System::dayNames[7] = {"Niedziela", "Poniedzialek", "Wtorek", "Sroda",
                                             "Czwartek",  "Piatek",       "Sobota"};
const char* const CMC_System::monthNames[12] = {"Styczen",  "Luty",     "Marzec",   "Kwiecien",
                                                "Maj",      "Czerwiec", "Lipiec",   "Sierpien",
                                                "Wrzesien", "Pazdziernik", "Listopad", "Grudzien"};

CMC_System::CMC_System(CMC_ObjectsContainer* container) : CMC_Object(CXString("SYSTEM"), MC_SYSTEM)
{
    scene = container;
}

CMC_System::~CMC_System() {}

std::tm CMC_System::getCurTime()
{
    std::tm t{};
    std::time_t now = std::time_t(platform::GetUnixTime());
    if (!gmtime_r(&now, &t))
        t = std::tm{};
    return t;
}

int CMC_System::getSystemTime() { return int(platform::GetTickCount()); }

int CMC_System::getMHz()
{
    return measureCpuMHz(1, 50, platform::THREAD_PRIORITY_TIME_CRITICAL, platform::REALTIME_PRIORITY_CLASS);
}

int CMC_System::getDate()
{
    std::tm t = getCurTime();
    return (t.tm_year + 1900 - 2000) * 10000 + (t.tm_mon + 1) * 100 + t.tm_mday;
}

// The numbers are the day and year that GETDAY and GETYEAR give.
CXString CMC_System::getDateString()
{
    std::tm t = getCurTime();
    char text[64];
    std::snprintf(text, sizeof text, "%d/%s/%d", t.tm_mday, monthNames[t.tm_mon], t.tm_year + 1900);
    return CXString(text);
}

int CMC_System::getDay() { return getCurTime().tm_mday; }
int CMC_System::getDayOfWeek() { return getCurTime().tm_wday + 1; }
CXString CMC_System::getDayOfWeekString() { return CXString(dayNames[getCurTime().tm_wday]); }
int CMC_System::getMonth() { return getCurTime().tm_mon + 1; }
CXString CMC_System::getMonthString() { return CXString(monthNames[getCurTime().tm_mon]); }
int CMC_System::getYear() { return getCurTime().tm_year + 1900; }
int CMC_System::getHour() { return getCurTime().tm_hour; }
int CMC_System::getMinutes() { return getCurTime().tm_min; }
int CMC_System::getSeconds() { return getCurTime().tm_sec; }

CXString CMC_System::getTimeString()
{
    std::tm t = getCurTime();
    CXString text;
    text.Format("%d:%d", t.tm_hour, t.tm_min);
    return text;
}

// A priority that cannot be read is neither changed nor restored.
int CMC_System::measureCpuMHz(int repetitions, int ms, int threadPriority, uint32_t priorityClass)
{
    if (repetitions == 0 || ms == 0)
        return 0;
    uint32_t oldClass = 0;
    if (priorityClass != 0) {
        oldClass = platform::GetPriorityClass();
        if (oldClass != 0)
            platform::SetPriorityClass(priorityClass);
    }
    int oldPriority = platform::THREAD_PRIORITY_ERROR_RETURN;
    if (threadPriority != platform::THREAD_PRIORITY_ERROR_RETURN) {
        oldPriority = platform::GetThreadPriority();
        if (oldPriority != platform::THREAD_PRIORITY_ERROR_RETURN)
            platform::SetThreadPriority(threadPriority);
    }
    int64_t total = 0, overhead = 0;
    for (int i = 0; i < repetitions; ++i) {
        uint64_t t0 = platform::ReadTimeStampCounter();
        measureCpuTicks(ms, false);
        uint64_t t1 = platform::ReadTimeStampCounter();
        total += int64_t(t1 - t0);
        uint64_t t2 = platform::ReadTimeStampCounter();
        measureCpuTicks(ms, true);
        uint64_t t3 = platform::ReadTimeStampCounter();
        overhead += int64_t(t3 - t2);
    }
    if (oldPriority != platform::THREAD_PRIORITY_ERROR_RETURN)
        platform::SetThreadPriority(oldPriority);
    if (oldClass != 0)
        platform::SetPriorityClass(oldClass);
    return int(((total - overhead) / repetitions / ms) / 1000);
}

void CMC_System_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (const auto& m : methodNames)
        registerMethod(m.name, m.id);
}

CMC_Variable* CMC_System_Runner::run(int id, CMC_Object*, CMC_ObjectsContainer* container, CXVector* args)
{
    switch (id) {
    case GETDATE: return CMC_Integer::temporary(CMC_System::getDate());
    case GETDATESTRING: return CMC_String::temporary(CMC_System::getDateString());
    case GETDAY: return CMC_Integer::temporary(CMC_System::getDay());
    case GETDAYOFWEEK: return CMC_Integer::temporary(CMC_System::getDayOfWeek());
    case GETDAYOFWEEKSTRING: return CMC_String::temporary(CMC_System::getDayOfWeekString());
    case GETMONTH: return CMC_Integer::temporary(CMC_System::getMonth());
    case GETMONTHSTRING: return CMC_String::temporary(CMC_System::getMonthString());
    case GETYEAR: return CMC_Integer::temporary(CMC_System::getYear());
    case GETTIMESTRING: return CMC_String::temporary(CMC_System::getTimeString());
    case GETHOUR: return CMC_Integer::temporary(CMC_System::getHour());
    case GETMINUTES: return CMC_Integer::temporary(CMC_System::getMinutes());
    case GETSECONDS: return CMC_Integer::temporary(CMC_System::getSeconds());
    case GETSYSTEMTIME: return CMC_Integer::temporary(CMC_System::getSystemTime());
    case GETMHZ: return CMC_Integer::temporary(CMC_System::getMHz());
    case DELAY: return delay(args);
    case COPYFILE: return copyFile(container, args);
    default: return nullptr;
    }
}

// A negative time would be a wait of weeks (or for ever): it waits nothing.
CMC_Variable* CMC_System_Runner::delay(CXVector* args)
{
    if (getArgCount(args) < 1)
        return nullptr;
    int ms = getParameterInteger(args, 0)->getValue();
    platform::Sleep(ms > 0 ? uint32_t(ms) : 0u);
    return nullptr;
}

// An existing target is replaced.
CMC_Variable* CMC_System_Runner::copyFile(CMC_ObjectsContainer* container, CXVector* args)
{
    if (getArgCount(args) < 2)
        return nullptr;
    CWindow* window = container ? container->getWindow() : nullptr;
    CXString source = CPath::resolveFileName(window, getParameterString(args, 0)->getValue());
    CXString target = CPath::resolveFileName(window, getParameterString(args, 1)->getValue());
    return CMC_Bool::temporary(platform::copyFile(source.c_str(), target.c_str()));
}
