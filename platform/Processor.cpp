#include "platform/Processor.h"

#include <cerrno>
#include <chrono>
#include <ctime>
#include <pthread.h>
#include <sched.h>
#include <sys/resource.h>
#include <thread>
#if defined(__x86_64__) || defined(__i386__)
#include <x86intrin.h>
#endif

namespace platform {

namespace {

int64_t monotonicNanoseconds()
{
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

const struct {
    uint32_t priorityClass;
    int nice;
} classes[] = {
    {IDLE_PRIORITY_CLASS, 19},  {BELOW_NORMAL_PRIORITY_CLASS, 10}, {NORMAL_PRIORITY_CLASS, 0},
    {ABOVE_NORMAL_PRIORITY_CLASS, -5}, {HIGH_PRIORITY_CLASS, -10},   {REALTIME_PRIORITY_CLASS, -20},
};

} // namespace

uint64_t ReadTimeStampCounter()
{
#if defined(__x86_64__) || defined(__i386__)
    return __rdtsc();
#else
    return uint64_t(monotonicNanoseconds());
#endif
}

bool QueryPerformanceFrequency(int64_t* frequency)
{
    if (frequency)
        *frequency = 1000000000;
    return frequency != nullptr;
}

bool QueryPerformanceCounter(int64_t* count)
{
    if (count)
        *count = monotonicNanoseconds();
    return count != nullptr;
}

uint32_t GetPriorityClass()
{
    errno = 0;
    int nice = getpriority(PRIO_PROCESS, 0); // -1 is a valid answer: errno tells
    if (errno != 0)
        return 0;
    for (const auto& c : classes)
        if (c.nice == nice)
            return c.priorityClass;
    return 0;
}

bool SetPriorityClass(uint32_t priorityClass)
{
    for (const auto& c : classes)
        if (c.priorityClass == priorityClass)
            return setpriority(PRIO_PROCESS, 0, c.nice) == 0;
    return false;
}

int GetThreadPriority()
{
    int policy = 0;
    sched_param param{};
    if (pthread_getschedparam(pthread_self(), &policy, &param) != 0)
        return THREAD_PRIORITY_ERROR_RETURN;
    if (policy == SCHED_OTHER)
        return THREAD_PRIORITY_NORMAL;
    if (policy == SCHED_FIFO && param.sched_priority == sched_get_priority_max(SCHED_FIFO))
        return THREAD_PRIORITY_TIME_CRITICAL;
    return THREAD_PRIORITY_ERROR_RETURN;
}

bool SetThreadPriority(int priority)
{
    sched_param param{};
    int policy;
    if (priority == THREAD_PRIORITY_NORMAL) {
        policy = SCHED_OTHER;
    } else if (priority == THREAD_PRIORITY_TIME_CRITICAL) {
        policy = SCHED_FIFO;
        param.sched_priority = sched_get_priority_max(SCHED_FIFO);
    } else {
        return false;
    }
    return pthread_setschedparam(pthread_self(), policy, &param) == 0;
}

void Sleep(uint32_t ms)
{
    if (ms == 0)
        std::this_thread::yield();
    else
        std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace platform
