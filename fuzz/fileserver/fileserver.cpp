// The serving side of file transfers as a title's server meets a peer (the
// scene updater's file server): file requests decoded from the frames a
// peer sends, naming any scene and any name of any length, answered by
// CFileSender_Manager::serve over a connection whose other end reads what
// is sent; the transfers go on a tick at a time, a file may be cut or
// removed between its request and its transfer or while it is sent, and the
// connection may go. The connection is served as a network peer serves its
// connections: what is sent is queued and written as the socket takes it
// (the target writes it as the peer's loop would, when the requester
// reads), so that a requester that stops reading fills the queue and the
// transfers wait for it. The title is fixed: the application GAME with the
// scene S (PATH \S), whose folder holds a small file, a file of two chunks
// and a byte, a file of 1.5 MiB (more than a tick sends), the update list
// and a file whose name has 255 bytes, the longest a file name can be.
//
// Each step of the input is an op byte and what it names:
//   bits 0-1  the subfolder: none, "S", "T" (no scene), or bytes up to a NUL
//             (such as "GAME", the application, which is no scene)
//   bits 2-4  the name: small.txt, two.bin, index.net, the 255-byte name,
//             that name and one byte more, missing.txt, a name of 'n'
//             repeated as many times as the next two bytes say (low first),
//             or bytes up to a NUL
//   bit 5     the transfers go on a tick after the request
//   bit 6     a byte of changes follows the op byte (before what the op
//             names), done after the request:
//               bits 0-1  two.bin is cut to 100 bytes (or made whole
//                         again); big.bin is cut to a length of bits 5-7
//                         times 192 KiB (or made whole again); big.bin is
//                         removed (or written again); or nothing
//               bit 2     the requester stops reading (or reads again)
//               bit 3     what is queued is written as far as the socket
//                         takes it, read or not
//               bit 4     the request names big.bin in place of the name
//                         of bits 2-4, whose bytes are not in the input
//   bit 7     the connection goes: its transfers are dropped, a new one comes
// Every answer is read back as the requester would: a file is answered
// with its size or with -1, a name longer than 255 bytes with -1 at once, a
// request for no file of the title (a name that is not one plain name, a
// folder that is empty or names no scene) with -2 at once, and the chunks of a transfer
// follow each other within its size. At the
// end the requester reads again, and what is left is sent or dropped.
#include "fuzz/InputFile.h"
#include "base/WindowPaths.h"
#include "net/FileTransfer.h"
#include "net/MessageStack.h"
#include "net/NetMessage.h"
#include "net/SocketLoop.h"
#include "net/XSocket.h"
#include "platform/Drives.h"
#include "script/Element.h"
#include "script/Scene.h"
#include "base/XArray.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const std::string longest = std::string(251, 'L') + ".txt";
const std::string twoChunks = std::string(2 * 10240 + 1, 't');
const std::string big = std::string(3 << 19, 'b');

// The application and its scene, made once: they hold only names.
CMC_Scene* title()
{
    static CMC_Scene* application = [] {
        CWindowPaths::setRootPath(CXString("F:\\"));
        CMElement appRecord("GAME");
        CMC_Scene* app = new CMC_Scene(nullptr, nullptr, &appRecord, MC_APPLICATION);
        CMElement sceneRecord("S");
        sceneRecord.addProperty("PATH", "\\S");
        app->getSubScenes()->add(new CMC_Scene(nullptr, app, &sceneRecord, MC_SCENE));
        return app;
    }();
    return application;
}

bool writeText(const std::string& name, const std::string& text)
{
    return fuzzinput::write(name.c_str(), reinterpret_cast<const uint8_t*>(text.data()), text.size());
}

// Text up to a NUL (or the end) of the input.
std::string upToNul(const uint8_t*& p, const uint8_t* end)
{
    const uint8_t* start = p;
    while (p < end && *p)
        ++p;
    std::string text(reinterpret_cast<const char*>(start), size_t(p - start));
    if (p < end)
        ++p;
    return text;
}

// The requester's end of a connection: reads what has been sent without
// waiting and checks each answer against the request it answers.
struct Requester {
    struct Asked {
        size_t nameLength;
        bool answered = false;
        int size = -1;
        long long received = 0;
    };
    explicit Requester(int end) : end(end) {}
    ~Requester() { close(end); }
    Requester(const Requester&) = delete;
    Requester& operator=(const Requester&) = delete;
    const int end;
    CMessageStack stack{nullptr};
    std::map<int, Asked> asked;
    bool reading = true;

    // Reads while it reads, the connection writing what it queued as the
    // socket takes it, as the peer's loop does.
    void takeWhatIsSent(CXSocket* connection)
    {
        if (!reading)
            return;
        bool left = true;
        for (int round = 0; left && round < 1024; ++round) {
            read();
            left = connection->writeQueued();
        }
        read();
    }

    void read()
    {
        if (!reading)
            return;
        char buffer[65536];
        for (;;) {
            const ssize_t n = recv(end, buffer, sizeof buffer, MSG_DONTWAIT);
            if (n <= 0)
                break;
            stack.push(buffer, int(n));
        }
        while (CNetMessage* m = stack.get()) {
            std::unique_ptr<CNetMessage> raw(m);
            if (raw->getType() == CNetMessage::FILE_RESPONSE) {
                CNetFileResponseMessage r(CXString(), raw.get());
                auto it = asked.find(r.getRequesterId());
                if (it == asked.end() || it->second.answered)
                    abort();
                it->second.answered = true;
                it->second.size = r.getSize();
                if (r.getSize() >= 0 && it->second.nameLength > CFileSender_Manager::LONGEST_NAME)
                    abort();
            } else if (raw->getType() == CNetMessage::FILE_DATA) {
                CNetFileDataMessage d(CXString(), raw.get());
                auto it = asked.find(d.getRequesterId());
                if (it == asked.end() || !it->second.answered || d.getOffset() != it->second.received ||
                    d.getChunkSize() <= 0 || it->second.received + d.getChunkSize() > it->second.size)
                    abort();
                it->second.received += d.getChunkSize();
            } else {
                abort();
            }
        }
        if (stack.isBroken())
            abort();
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CMC_Scene* application = title();
    // The files are written once; two.bin and big.bin are made whole again
    // after an input that changed them. Nothing else writes there.
    static const bool written = writeText("Rara/S/small.txt", "small") &&
                                writeText("Rara/S/index.net", "FILES=small.txt\n") &&
                                writeText("Rara/S/" + longest, "longest") &&
                                writeText("Rara/S/two.bin", twoChunks) && writeText("Rara/S/big.bin", big);
    static bool cut = false, bigChanged = false;
    if (!written || (cut && !writeText("Rara/S/two.bin", twoChunks)) ||
        (bigChanged && !writeText("Rara/S/big.bin", big)))
        return 0;
    cut = false;
    bigChanged = false;
    // Few requests wait per connection, so that the requester's checks
    // stay cheap.
    CFileSender_Manager files(4);
    // Never started: the target writes what the connection queued.
    CSocketLoop loop;
    std::unique_ptr<CXSocket> connection;
    std::unique_ptr<Requester> requester;
    // A connection of the server's and the requester's end of it.
    auto connect = [&] {
        if (connection)
            files.remove_files(connection.get());
        connection.reset();
        requester.reset();
        int ends[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, ends) != 0)
            return false;
        // Less room than a tick sends: the rest waits in the queue.
        const int room = 64 << 10;
        setsockopt(ends[0], SOL_SOCKET, SO_SNDBUF, &room, sizeof room);
        const bool reading = !requester || requester->reading;
        connection.reset(new CXSocket(nullptr, ends[0]));
        connection->servedBy(&loop);
        requester.reset(new Requester(ends[1]));
        requester->reading = reading;
        return true;
    };
    if (!connect())
        return 0;
    int id = 0;
    const uint8_t* p = data;
    const uint8_t* end = data + size;
    while (p < end) {
        const uint8_t op = *p++;
        const uint8_t changes = (op & 0x40) && p < end ? *p++ : 0;
        CXString subfolder;
        switch (op & 3) {
        case 1: subfolder = "S"; break;
        case 2: subfolder = "T"; break;
        case 3: subfolder = upToNul(p, end).c_str(); break;
        default: break;
        }
        std::string name;
        switch (changes & 0x10 ? -1 : (op >> 2) & 7) {
        case -1: name = "big.bin"; break;
        case 0: name = "small.txt"; break;
        case 1: name = "two.bin"; break;
        case 2: name = "index.net"; break;
        case 3: name = longest; break;
        case 4: name = longest + "x"; break;
        case 5: name = "missing.txt"; break;
        case 6: {
            size_t n = p < end ? *p++ : 0;
            n |= size_t(p < end ? *p++ : 0) << 8;
            name.assign(n, 'n');
            break;
        }
        default: name = upToNul(p, end); break;
        }
        // The request as the peer sends it and the connection hands it on.
        CNetFileRequestMessage sent(nullptr, ++id, CXString("GAME"), subfolder, CXString(name.data(), int(name.size())));
        if (!sent.getBuffer())
            continue;
        CNetMessage raw(nullptr, sent.getBuffer(), sent.getBufferLen());
        CNetFileRequestMessage request(CXString(), &raw);
        Requester::Asked& asked = requester->asked[id];
        asked.nameLength = size_t(request.getFileName().getLength());
        const int served = files.serve(connection.get(), application, request);
        requester->takeWhatIsSent(connection.get());
        // A name no file can have, of a folder there is, is answered at once
        // (seen when the requester reads).
        CMC_Scene* named = subfolder.IsString() ? application->getScene(subfolder) : nullptr;
        const bool known = named && named->getType() == MC_SCENE;
        if (known && isPlainName(request.getFileName()) && asked.nameLength > CFileSender_Manager::LONGEST_NAME &&
            (served != -1 || (requester->reading && !asked.answered)))
            abort();
        // A request for no file of the title is answered at once too.
        if ((!known || !isPlainName(request.getFileName())) &&
            (served != -1 || (requester->reading && (!asked.answered || asked.size != -2))))
            abort();
        bool changed = true;
        switch (changes & 3) {
        case 1:
            cut = !cut;
            changed = writeText("Rara/S/two.bin", cut ? twoChunks.substr(0, 100) : twoChunks);
            break;
        case 2:
            bigChanged = !bigChanged;
            changed = writeText("Rara/S/big.bin", bigChanged ? big.substr(0, size_t(changes >> 5) * (192 << 10)) : big);
            break;
        case 3:
            bigChanged = !bigChanged;
            changed = bigChanged ? ::unlink(platform::toHostPath("F:\\Rara\\S\\big.bin").c_str()) == 0
                                 : writeText("Rara/S/big.bin", big);
            break;
        default: break;
        }
        if (!changed)
            break;
        if (changes & 4)
            requester->reading = !requester->reading;
        if (changes & 8)
            connection->writeQueued();
        if (op & 0x20) {
            files.tick();
            requester->takeWhatIsSent(connection.get());
        }
        if ((op & 0x80) && !connect())
            break;
    }
    // What is left is sent whole or dropped, a tick at a time.
    requester->reading = true;
    requester->takeWhatIsSent(connection.get());
    for (int tick = 0; tick < 64 && files.getCount() > 0; ++tick) {
        files.tick();
        requester->takeWhatIsSent(connection.get());
    }
    files.clear();
    return 0;
}
