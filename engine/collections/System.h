#pragma once
#include "script/Object.h"
#include "script/Runner.h"

#include <cstdint>
#include <ctime>

// The application's "SYSTEM" object (type 11000): the calendar, a
// millisecond clock, a processor clock estimate, a blocking pause and a file
// copy. It has no state, so its operations are static; every call reads
// the clock anew. Calendar values are in UTC.
class CMC_System : public CMC_Object {
public:
    explicit CMC_System(CMC_ObjectsContainer* container);
    ~CMC_System() override;

    // Milliseconds since the system started, as a signed 32-bit value.
    static int getSystemTime();
    // The processor clock in MHz from one busy wait of 50 ms.
    static int getMHz();
    // (year - 2000) * 10000 + month * 100 + day: 50415 on 15 April 2005.
    static int getDate();
    // Day, month name and year as "%d/%s/%d".
    static CXString getDateString();
    static int getDay();
    // 1 = Sunday to 7 = Saturday.
    static int getDayOfWeek();
    static CXString getDayOfWeekString();
    static int getMonth();
    static CXString getMonthString();
    static int getYear();
    // Hour and minute without padding: "9:5".
    static CXString getTimeString();
    static int getHour();
    static int getMinutes();
    static int getSeconds();

    // Clock cycles per millisecond over ms milliseconds, averaged over
    // repetitions and divided by 1000, measured at a raised process and
    // thread priority that is restored afterwards; 0 for no repetition or
    // no time.
    static int measureCpuMHz(int repetitions, int ms, int threadPriority, uint32_t priorityClass);

    static const char* const dayNames[7];
    static const char* const monthNames[12];

private:
    static std::tm getCurTime();
};

class CMC_System_Runner : public CMC_Runner {
public:
    enum {
        GETDATE = 1,
        GETDATESTRING = 2,
        GETDAY = 3,
        GETDAYOFWEEK = 4,
        GETDAYOFWEEKSTRING = 5,
        GETMONTH = 6,
        GETMONTHSTRING = 7,
        GETYEAR = 8,
        GETTIMESTRING = 9,
        GETHOUR = 10,
        GETMINUTES = 11,
        GETSECONDS = 12,
        GETSYSTEMTIME = 13,
        GETMHZ = 14,
        DELAY = 15,
        COPYFILE = 16
    };

    void prepareMthHashSet() override;
    // Only the ids above; the common methods are registered but answer
    // nothing on this object.
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;

private:
    CMC_Variable* delay(CXVector* args);
    CMC_Variable* copyFile(CMC_ObjectsContainer* container, CXVector* args);
};
