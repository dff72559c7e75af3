// Frames through a loopback connection: the engine's socket sends each
// message whole and its receive cuts the stream into messages, against a
// plain send of the same bytes per frame and a receive loop that only
// counts them. "x_plain" is the engine's frame rate over the plain one
// (the aim is at least 0.5).
#include "net/NetMessage.h"
#include "net/XSocket.h"
#include "platform/Socket.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace {

const int FRAMES = 20000;

// A connected pair of sockets on 127.0.0.1.
struct Pair : CXSocket::Acceptor {
    Pair() : listener(nullptr), client(nullptr)
    {
        listener.start(0, 5, this, CXString("127.0.0.1"));
        client.connect(CXString("127.0.0.1"), listener.getPort());
        std::unique_lock<std::mutex> lock(mutex);
        arrived.wait(lock, [this] { return server != nullptr; });
    }
    void onConnected(CXSocket* s, const CXString&) override
    {
        std::lock_guard<std::mutex> lock(mutex);
        server.reset(s);
        arrived.notify_all();
    }

    CXSocket listener;
    CXSocket client;
    std::unique_ptr<CXSocket> server;
    std::mutex mutex;
    std::condition_variable arrived;
};

// Seconds to send FRAMES text frames of frameSize bytes and receive them.
double run(Pair& pair, bool engine, int frameSize)
{
    std::string text(size_t(frameSize - 9), 't');
    CNetTextMessage sample(nullptr, CXString(text.c_str()));
    std::string frame(sample.getBuffer(), size_t(sample.getBufferLen()));
    auto start = std::chrono::steady_clock::now();
    std::thread reader([&] {
        if (engine) {
            int got = 0;
            while (got < FRAMES) {
                CXArray* list = pair.server->receive();
                for (int i = 0; i < list->getSize(); ++i)
                    delete static_cast<CNetMessage*>((*list)[i]);
                got += list->getSize();
            }
            return;
        }
        std::unique_ptr<char[]> buffer(new char[65536]);
        long long left = (long long)FRAMES * frameSize;
        while (left > 0)
            left -= platform::receiveSome(pair.server->getHandle(), buffer.get(), 65536);
    });
    CXString body(text.c_str());
    for (int i = 0; i < FRAMES; ++i) {
        if (engine)
            pair.client.send(new CNetTextMessage(&pair.client, body));
        else
            platform::sendAll(pair.client.getHandle(), frame.data(), frame.size());
    }
    reader.join();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_FramesThroughLoopback(benchmark::State& state)
{
    Pair pair;
    int size = int(state.range(0));
    double engineBest = 1e300, plainBest = 1e300;
    for (auto _ : state) {
        engineBest = std::min(engineBest, run(pair, true, size));
        plainBest = std::min(plainBest, run(pair, false, size));
    }
    state.counters["frames_per_s"] = FRAMES / engineBest;
    state.counters["plain_frames_per_s"] = FRAMES / plainBest;
    state.counters["x_plain"] = plainBest / engineBest;
}
BENCHMARK(BM_FramesThroughLoopback)->Arg(32)->Arg(1024)->Arg(10268)->Iterations(5)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
