#include "platform/Signals.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <pthread.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <sys/syscall.h>
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
std::atomic<bool> ignoreAfterwards{false};
struct sigaction previous[COUNT];

using Clock = std::chrono::steady_clock;

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

// The thread that made the EndSignals that lives: it runs the title's end,
// and only its TeardownWaits are not counted.
std::atomic<pthread_t> endingThread{0};
std::atomic<bool> endingThreadKnown{false};

// The time spent in TeardownWaits set aside so far, the one under way
// included.
std::mutex teardownLock;
int teardownDepth = 0;
Clock::time_point teardownSince;
Clock::duration teardownTotal{0};

Clock::duration teardownTime(Clock::time_point now)
{
    std::lock_guard<std::mutex> guard(teardownLock);
    return teardownTotal + (teardownDepth > 0 ? now - teardownSince : Clock::duration(0));
}

// The ForkedWait that lives: the thread that made it, and where a child
// forked on that thread sends a pidfd of itself.
std::atomic<pthread_t> forkWaiter{0};
std::atomic<int> forkedPidWrite{-1};
std::atomic<pid_t> forkParent{0};
std::atomic<bool> forkWaitInUse{false};
static_assert(std::atomic<pthread_t>::is_always_lock_free && std::atomic<pid_t>::is_always_lock_free,
              "a forked child reads them");

// In every child the process forks, before fork returns there: the handler
// would note a request in the parent's pipe and act on no thread, so the
// three signals are back at their default. A child of a ForkedWait's
// thread dies with that thread and hands the waiter a pidfd of itself,
// opened while it surely runs: a pid read later might be another
// process's by then. Only calls that are safe after fork.
void afterForkInChild()
{
    for (int i = 0; i < COUNT; ++i) {
        struct sigaction now;
        if (::sigaction(ENDING[i], nullptr, &now) == 0 && !(now.sa_flags & SA_SIGINFO) &&
            now.sa_handler == onEndSignal) {
            now.sa_handler = SIG_DFL;
            ::sigaction(ENDING[i], &now, nullptr);
        }
    }
    const int pidWrite = forkedPidWrite.load();
    if (pidWrite < 0 || !::pthread_equal(::pthread_self(), forkWaiter.load()))
        return;
    ::prctl(PR_SET_PDEATHSIG, SIGKILL);
    if (::getppid() != forkParent.load())
        ::_exit(127);
    // Without a pidfd the waiter cannot end this child early; it still
    // dies with the thread.
#ifdef SYS_pidfd_open
    const int self = int(::syscall(SYS_pidfd_open, ::getpid(), 0));
    if (self < 0)
        return;
    char byte = 0;
    iovec data = {&byte, 1};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
    msghdr message = {};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    cmsghdr* rights = CMSG_FIRSTHDR(&message);
    rights->cmsg_level = SOL_SOCKET;
    rights->cmsg_type = SCM_RIGHTS;
    rights->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(rights), &self, sizeof self);
    while (::sendmsg(pidWrite, &message, MSG_NOSIGNAL) < 0 && errno == EINTR) {
    }
    ::close(self);
#endif
}

void registerAfterFork()
{
    static const bool registered = ::pthread_atfork(nullptr, nullptr, afterForkInChild) == 0;
    (void)registered;
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
    registerAfterFork();
    stopRead = stop[0];
    stopWrite = stop[1];
    firstSignal = 0;
    firstAt = 0;
    liveRequestRead = requestRead.load();
    endingThread = ::pthread_self();
    endingThreadKnown = true;
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
    struct sigaction ignore = {};
    ignore.sa_handler = SIG_IGN;
    sigemptyset(&ignore.sa_mask);
    for (int i = 0; i < COUNT; ++i)
        ::sigaction(ENDING[i], ignoreAfterwards ? &ignore : &previous[i], nullptr);
    liveRequestRead = -1;
    endingThreadKnown = false;
    // The watcher sees its pipe hang up; nothing has to be written.
    ::close(stopWrite);
    watcher.join();
    ::close(stopRead);
    inUse = false;
}

int EndSignals::requested() const { return installed ? firstSignal.load() : 0; }

void EndSignals::ended() { hasEnded = true; }

void EndSignals::ignoreWhenGone() { ignoreAfterwards = true; }

// Waits for the first request, tells it, then gives the end GRACE_MS of
// the title's own time to come; ends early when the object goes or the
// end has come.
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
    const Clock::time_point asked = Clock::now();
    const Clock::duration uncountedBefore = teardownTime(asked);
    for (;;) {
        if (hasEnded)
            return;
        const Clock::time_point now = Clock::now();
        const Clock::duration counted = now - asked - (teardownTime(now) - uncountedBefore);
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(std::chrono::milliseconds(GRACE_MS) - counted);
        if (left.count() <= 0)
            break;
        const int ready = ::poll(fds, 1, int(left.count()));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready != 0)
            return;
    }
    if (onOverdue && !hasEnded)
        onOverdue(firstSignal.load());
}

TeardownWait::TeardownWait()
    : setAside(endingThreadKnown && ::pthread_equal(::pthread_self(), endingThread.load()))
{
    if (!setAside)
        return;
    std::lock_guard<std::mutex> guard(teardownLock);
    if (teardownDepth++ == 0)
        teardownSince = Clock::now();
}

TeardownWait::~TeardownWait()
{
    if (!setAside)
        return;
    std::lock_guard<std::mutex> guard(teardownLock);
    if (--teardownDepth == 0)
        teardownTotal += Clock::now() - teardownSince;
}

ForkedWait::ForkedWait()
{
    bool idle = false;
    if (!forkWaitInUse.compare_exchange_strong(idle, true))
        return;
    int pids[2], stop[2];
    if (::socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, pids) != 0) {
        forkWaitInUse = false;
        return;
    }
    if (::pipe2(stop, O_CLOEXEC) != 0) {
        ::close(pids[0]);
        ::close(pids[1]);
        forkWaitInUse = false;
        return;
    }
    registerAfterFork();
    pidRead = pids[0];
    pidWrite = pids[1];
    stopRead = stop[0];
    stopWrite = stop[1];
    forkParent = ::getpid();
    forkWaiter = ::pthread_self();
    forkedPidWrite = pidWrite;
    active = true;
    // The library forks once this returns: by then the watcher is to be
    // waiting, holding no lock of the allocator's that the child could
    // inherit held (and wait on for ever).
    std::unique_lock<std::mutex> lock(startLock);
    watcher = std::thread([this] { watch(); });
    started.wait(lock, [this] { return watching; });
}

ForkedWait::~ForkedWait()
{
    if (!active)
        return;
    forkedPidWrite = -1;
    forkWaiter = pthread_t(0);
    ::close(stopWrite);
    watcher.join();
    ::close(stopRead);
    ::close(pidRead);
    ::close(pidWrite);
    forkWaitInUse = false;
}

bool ForkedWait::endAsked() const
{
    pollfd request = {endRequestHandle(), POLLIN, 0};
    return asked || (request.fd >= 0 && ::poll(&request, 1, 0) > 0);
}

namespace {
// The pidfd a child sent, -1 when the message held none. Never a pid: one
// read after the child was reaped may name another process.
int receiveChild(int from)
{
    char byte;
    iovec data = {&byte, 1};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))];
    msghdr message = {};
    message.msg_iov = &data;
    message.msg_iovlen = 1;
    message.msg_control = control;
    message.msg_controllen = sizeof control;
    if (::recvmsg(from, &message, MSG_CMSG_CLOEXEC | MSG_DONTWAIT) < 0)
        return -1;
    int handle = -1;
    for (cmsghdr* c = CMSG_FIRSTHDR(&message); c; c = CMSG_NXTHDR(&message, c))
        if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS && c->cmsg_len == CMSG_LEN(sizeof(int)))
            std::memcpy(&handle, CMSG_DATA(c), sizeof handle);
    return handle;
}

void killChild(int handle)
{
#ifdef SYS_pidfd_send_signal
    ::syscall(SYS_pidfd_send_signal, handle, SIGKILL, nullptr, 0);
#else
    (void)handle;
#endif
}
} // namespace

// Collects the children's pidfds as they come; once a request to end
// came, kills each, those that come later too. Allocates nothing.
void ForkedWait::watch()
{
    enum { MOST = 8 };
    int children[MOST];
    int count = 0;
    pollfd fds[3] = {{stopRead, POLLIN, 0}, {pidRead, POLLIN, 0}, {endRequestHandle(), POLLIN, 0}};
    {
        std::lock_guard<std::mutex> lock(startLock);
        watching = true;
    }
    started.notify_all();
    for (;;) {
        const int ready = ::poll(fds, 3, -1);
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready < 0 || fds[0].revents)
            break;
        if (fds[1].revents & POLLIN) {
            const int child = receiveChild(pidRead);
            if (child >= 0 && count < MOST)
                children[count++] = child;
            else if (child >= 0)
                ::close(child);
        }
        if (fds[2].revents) {
            asked = true;
            fds[2].fd = -1; // stays readable
        }
        if (asked) {
            for (int i = 0; i < count; ++i) {
                killChild(children[i]);
                ::close(children[i]);
            }
            count = 0;
        }
    }
    for (int i = 0; i < count; ++i)
        ::close(children[i]);
}

int endRequestHandle() { return liveRequestRead.load(); }

} // namespace platform
