#include "platform/Signals.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <ctime>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace platform {

namespace {

const int ENDING[] = {SIGTERM, SIGINT, SIGHUP};
const int COUNT = int(sizeof ENDING / sizeof ENDING[0]);

// What the handler touches: lock-free atomics, and a pipe that is made once
// and never closed, so that a handler still running on another thread
// while an EndSignals goes never writes to a closed (or reused) descriptor.
static_assert(ATOMIC_INT_LOCK_FREE == 2 && ATOMIC_LLONG_LOCK_FREE == 2, "the signal handler needs lock-free atomics");
std::atomic<int> firstSignal{0};
std::atomic<long long> firstAt{0}; // monotonic ns of the first; 0 while it is being noted
std::atomic<int> requestWrite{-1};
std::atomic<int> requestRead{-1};
std::atomic<int> liveRequestRead{-1}; // requestRead while an EndSignals lives
std::atomic<bool> inUse{false};
struct sigaction previous[COUNT];

long long monotonicNs()
{
    timespec t;
    ::clock_gettime(CLOCK_MONOTONIC, &t);
    return (long long)t.tv_sec * 1000000000LL + t.tv_nsec;
}

void onEndSignal(int number)
{
    const int savedErrno = errno;
    const long long now = monotonicNs();
    int first = 0;
    if (firstSignal.compare_exchange_strong(first, number)) {
        firstAt = now > 0 ? now : 1;
        const char request = 1;
        if (::write(requestWrite.load(), &request, 1) < 0) {
            // The pipe already holds a request.
        }
    } else {
        // 0: the first is being noted on another thread right now.
        const long long at = firstAt.load();
        if (number != first || (at != 0 && now - at >= EndSignals::REPEAT_MS * 1000000LL)) {
            // Asked again: the program ends now, as the signal ends it by
            // default (it is delivered once this handler returns).
            struct sigaction byDefault = {};
            byDefault.sa_handler = SIG_DFL;
            sigemptyset(&byDefault.sa_mask);
            ::sigaction(number, &byDefault, nullptr);
            ::raise(number);
        }
    }
    errno = savedErrno;
}

// The request pipe, made by the first EndSignals; emptied of an earlier
// one's request.
bool openRequests()
{
    if (requestRead.load() < 0) {
        int fds[2];
        if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
            return false;
        requestRead = fds[0];
        requestWrite = fds[1];
    }
    char bytes[16];
    while (::read(requestRead.load(), bytes, sizeof bytes) > 0) {
    }
    return true;
}

} // namespace

EndSignals::EndSignals(std::function<void()> wake, std::function<void(int)> overdue)
    : onRequest(std::move(wake)), onOverdue(std::move(overdue))
{
    bool idle = false;
    if (!inUse.compare_exchange_strong(idle, true))
        return;
    int stop[2];
    if (!openRequests() || ::pipe2(stop, O_CLOEXEC) != 0) {
        inUse = false;
        return;
    }
    stopRead = stop[0];
    stopWrite = stop[1];
    firstSignal = 0;
    firstAt = 0;
    liveRequestRead = requestRead.load();
    watcher = std::thread([this] { watch(); });
    struct sigaction handler = {};
    handler.sa_handler = onEndSignal;
    sigemptyset(&handler.sa_mask);
    handler.sa_flags = SA_RESTART;
    for (int i = 0; i < COUNT; ++i) {
        ::sigaction(ENDING[i], &handler, &previous[i]);
        // A signal ignored when the program began (nohup) stays ignored.
        if (!(previous[i].sa_flags & SA_SIGINFO) && previous[i].sa_handler == SIG_IGN)
            ::sigaction(ENDING[i], &previous[i], nullptr);
    }
    installed = true;
}

EndSignals::~EndSignals()
{
    if (!installed)
        return;
    for (int i = 0; i < COUNT; ++i)
        ::sigaction(ENDING[i], &previous[i], nullptr);
    liveRequestRead = -1;
    // The watcher sees its pipe hang up; nothing has to be written.
    ::close(stopWrite);
    watcher.join();
    ::close(stopRead);
    inUse = false;
}

int EndSignals::requested() const { return installed ? firstSignal.load() : 0; }

// Waits for the first request, tells it, then gives the end GRACE_MS to
// come; ends early when the object goes.
void EndSignals::watch()
{
    pollfd fds[2] = {{stopRead, POLLIN, 0}, {requestRead.load(), POLLIN, 0}};
    for (;;) {
        const int ready = ::poll(fds, 2, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || fds[0].revents)
            return;
        if (fds[1].revents)
            break;
    }
    if (onRequest)
        onRequest();
    const auto due = std::chrono::steady_clock::now() + std::chrono::milliseconds(GRACE_MS);
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
        const int ready = ::poll(fds, 1, left.count() > 0 ? int(left.count()) + 1 : 0);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready != 0)
            return;
        if (std::chrono::steady_clock::now() >= due)
            break;
    }
    if (onOverdue)
        onOverdue(firstSignal.load());
}

int endRequestHandle() { return liveRequestRead.load(); }

} // namespace platform
