#include "platform/Signals.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace platform {

namespace {

const int ENDING[] = {SIGTERM, SIGINT, SIGHUP};
const int COUNT = int(sizeof ENDING / sizeof ENDING[0]);

// What the handler touches: lock-free atomics only.
static_assert(ATOMIC_INT_LOCK_FREE == 2, "the signal handler needs lock-free atomics");
std::atomic<int> firstSignal{0};
std::atomic<int> wakeWrite{-1};
std::atomic<bool> inUse{false};
struct sigaction previous[COUNT];

void onEndSignal(int number)
{
    const int savedErrno = errno;
    int none = 0;
    if (firstSignal.compare_exchange_strong(none, number)) {
        const int fd = wakeWrite.load();
        const char request = 1;
        if (fd >= 0 && ::write(fd, &request, 1) < 0) {
            // A full pipe already holds a request.
        }
    } else {
        // Asked again: the program ends now, as the signal ends it by
        // default (it is delivered once this handler returns).
        struct sigaction byDefault = {};
        byDefault.sa_handler = SIG_DFL;
        sigemptyset(&byDefault.sa_mask);
        ::sigaction(number, &byDefault, nullptr);
        ::raise(number);
    }
    errno = savedErrno;
}

} // namespace

EndSignals::EndSignals(std::function<void()> wake) : onRequest(std::move(wake))
{
    bool idle = false;
    if (!inUse.compare_exchange_strong(idle, true))
        return;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0) {
        inUse = false;
        return;
    }
    // The handler never blocks on its end; the watcher waits on its own.
    ::fcntl(fds[0], F_SETFL, ::fcntl(fds[0], F_GETFL) & ~O_NONBLOCK);
    readEnd = fds[0];
    firstSignal = 0;
    wakeWrite = fds[1];
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
    const int fd = wakeWrite.exchange(-1);
    const char stop = 0;
    while (::write(fd, &stop, 1) < 0 && errno == EINTR) {
    }
    watcher.join();
    ::close(fd);
    ::close(readEnd);
    inUse = false;
}

int EndSignals::requested() const { return installed ? firstSignal.load() : 0; }

void EndSignals::watch()
{
    for (;;) {
        char byte;
        const ssize_t n = ::read(readEnd, &byte, 1);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || byte == 0)
            return;
        if (onRequest)
            onRequest();
    }
}

} // namespace platform
