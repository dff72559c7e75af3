#include "platform/print/PrintSpooler.h"

#include "platform/print/PdfPrint.h"

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <string>
#include <utility>

namespace platform {

struct PrintSpooler::State {
    struct Document {
        std::function<void(PrintJob&)> draw;
        PrintDeadline deadline;
        std::string folder; // host path
    };
    std::mutex lock;
    std::condition_variable changed;
    std::deque<Document> waiting;
    int printing = 0;
    bool closing = false;
    bool finished = false; // the thread is past its last document
    std::atomic<bool> stop{false};
};

void PrintSpooler::serve(std::shared_ptr<State> s)
{
    std::unique_lock<std::mutex> guard(s->lock);
    for (;;) {
        s->changed.wait(guard, [&s] { return s->closing || !s->waiting.empty(); });
        if (s->waiting.empty())
            break;
        {
            State::Document d = std::move(s->waiting.front());
            s->waiting.pop_front();
            ++s->printing;
            guard.unlock();
            if (std::unique_ptr<PrintJob> job = createSystemPrintJob(d.deadline, d.folder))
                d.draw(*job);
        }
        guard.lock();
        --s->printing;
    }
    s->finished = true;
    s->changed.notify_all();
}

PrintSpooler::PrintSpooler() : state(std::make_shared<State>()) {}

PrintSpooler::~PrintSpooler()
{
    if (!worker.joinable())
        return;
    bool finished;
    {
        std::unique_lock<std::mutex> guard(state->lock);
        state->closing = true;
        state->stop = true;
        state->changed.notify_all();
        finished = state->changed.wait_for(guard, std::chrono::milliseconds(CLOSING_GRACE_MS),
                                           [this] { return state->finished; });
    }
    if (finished)
        worker.join();
    else
        worker.detach();
}

bool PrintSpooler::print(std::function<void(PrintJob&)> draw)
{
    State::Document d{std::move(draw), PrintDeadline::after(printServerLimitMs(), &state->stop), hostPrintFolder()};
    std::lock_guard<std::mutex> guard(state->lock);
    if (int(state->waiting.size()) + state->printing >= MAX_PENDING) {
        std::fprintf(stderr, "Quarnel: %d documents are waiting for the printer; this one is not printed\n",
                     int(MAX_PENDING));
        return false;
    }
    state->waiting.push_back(std::move(d));
    if (!worker.joinable())
        worker = std::thread(serve, state);
    state->changed.notify_all();
    return true;
}

int PrintSpooler::pending()
{
    std::lock_guard<std::mutex> guard(state->lock);
    return int(state->waiting.size()) + state->printing;
}

} // namespace platform
