#include "net/FileTransfer.h"

#include "base/File.h"
#include "base/FileReport.h"
#include "base/Folder.h"
#include "base/ReplacingFile.h"
#include "base/WindowPaths.h"
#include "net/NetMessage.h"
#include "net/XSocket.h"
#include "platform/Cp1250.h"
#include "platform/Debug.h"
#include "platform/Drives.h"
#include "platform/FileIO.h"
#include "platform/Memory.h"
#include "script/Scene.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

std::atomic<int> CFileReceiver_Manager::unique_id{0};
std::atomic<int> CFileSender_Manager::unique_id{0};

const char* const UPDATE_LIST = "index.net";

namespace {

// A debugger line naming a file. Names may come from a peer: the callers
// cut them (CFileReport::cutName).
void refuse(const char* what, const CXString& shown)
{
    platform::OutputDebugString((CXString("Network: ") + what + ": \"" + shown + "\"").c_str());
}

// The same for a file named in engine form: by its path on this machine.
void refuseAt(const char* what, const CXString& enginePath)
{
    refuse(what, CXString(platform::toHostPath(CFileReport::cutPath(enginePath).c_str()).c_str()));
}

int popcount(uint64_t bits) { return __builtin_popcountll(bits); }

void logRefused(CFileReceiver_Entry* entry)
{
    refuse(("a file is not received: " + entry->whyRefused()).c_str(), CFileReport::cutName(entry->getFileName()));
}

} // namespace

void CFileReceiver_Listener::onFileRefused(CFileReceiver_Entry* entry) { logRefused(entry); }

bool isPlainName(const CXString& name)
{
    if (!name.IsString() || name == ".." || name == ".")
        return false;
    for (int i = 0; i < name.getLength(); ++i) {
        char c = name.c_str()[i];
        if (c == '\\' || c == '/' || c == ':')
            return false;
    }
    return true;
}

CXString sceneFile(CMC_Scene* scene, const CXString& fileName)
{
    return CFolder::dataPath(CWindowPaths::getRootPath(), scene ? scene->getPath() : CXString(), fileName);
}

bool writeWholeFile(const CXString& path, const char* bytes, int size)
{
    CReplacingFile file;
    bool saved = file.Open(nullptr, path, CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_BINARY) == 0 &&
                 (size <= 0 || file.Write(bytes, size)) && file.commit();
    if (!saved)
        refuseAt("a received file cannot be written", path);
    return saved;
}

CFileReceiver_Entry::CFileReceiver_Entry(CXSocket* h, int id, const CXString& f, const CXString& s,
                                         const CXString& n, int limit)
    : handle(h), transferId(id), serverId(-1), folder(f), subfolder(s), fileName(n), maxSize(limit),
      announcedSize(0), size(0), responded(false), refusal(NOT_REFUSED), received_(0)
{
}

bool CFileReceiver_Entry::equals(CXObject* other)
{
    return other && static_cast<CFileReceiver_Entry*>(other)->transferId == transferId;
}

bool CFileReceiver_Entry::received(CNetMessage* message)
{
    if (!message || isRefused())
        return !isRefused();
    if (message->getType() == CNetMessage::FILE_RESPONSE) {
        if (responded)
            return true;
        CNetFileResponseMessage* response = static_cast<CNetFileResponseMessage*>(message);
        responded = true;
        serverId = response->getServerId();
        announcedSize = response->getAnnouncedSize();
        size = response->getSize();
        if (size < 0 || size > maxSize) {
            refusal = size == SIZE_NOT_OFFERED ? NOT_OFFERED : size < 0 ? NOT_SENT : TOO_LARGE;
            return false;
        }
        // Not cleared: a transfer is complete only once every byte came.
        data = platform::allocateLarge(size_t(size) + 1);
        if (!data) {
            refusal = NO_MEMORY;
            return false;
        }
        covered.assign((size_t(size) + 63) / 64, 0);
        return size > 0;
    }
    if (message->getType() == CNetMessage::FILE_DATA && responded) {
        CNetFileDataMessage* chunk = static_cast<CNetFileDataMessage*>(message);
        long long from = chunk->getOffset(), n = chunk->getChunkSize();
        if (chunk->getData() && from >= 0 && n > 0 && from + n <= size) {
            std::memcpy(data.get() + from, chunk->getData(), size_t(n));
            received_ += cover(from, from + n);
        }
        return received_ < size;
    }
    return true;
}

std::string CFileReceiver_Entry::whyRefused() const
{
    switch (refusal) {
    case NOT_SENT: return "the server cannot send it";
    case NOT_OFFERED:
        if (isPlainName(fileName) && subfolder.IsString())
            return "the server's title has no scene \"" +
                   platform::cp1250ToUtf8(CFileReport::cutName(subfolder).c_str()) + "\"";
        return "the server's title has no file of that name";
    case TOO_LARGE: {
        std::string limit = std::to_string(maxSize) + " bytes";
        if (maxSize > 0 && maxSize % (1 << 20) == 0)
            limit += " (" + std::to_string(maxSize >> 20) + " MiB)";
        return "it is " + std::to_string(size) + " bytes, over the limit of " + limit;
    }
    case NO_MEMORY: return "there is no memory for its " + std::to_string(size) + " bytes";
    default: return std::string();
    }
}

long long CFileReceiver_Entry::cover(long long from, long long to)
{
    long long added = 0;
    while (from < to) {
        size_t word = size_t(from / 64);
        int first = int(from % 64);
        int last = to - (long long)word * 64 >= 64 ? 64 : int(to - (long long)word * 64);
        uint64_t mask = (last == 64 ? ~uint64_t(0) : (uint64_t(1) << last) - 1) & ~((uint64_t(1) << first) - 1);
        uint64_t fresh = mask & ~covered[word];
        // A whole word of new bytes, the common case, needs no count.
        added += fresh == ~uint64_t(0) ? 64 : popcount(fresh);
        covered[word] |= mask;
        from = (long long)word * 64 + last;
    }
    return added;
}

bool CFileReceiver_Entry::save_file()
{
    if ((folder.IsString() && !isPlainName(folder)) || (subfolder.IsString() && !isPlainName(subfolder)) ||
        !isPlainName(fileName)) {
        refuse("a received file's name leaves its folder; it is not saved",
               CFileReport::cutName(folder) + "\\" + CFileReport::cutName(subfolder) + "\\" +
                   CFileReport::cutName(fileName));
        return false;
    }
    CXString path = CFile::getCurrentDirectory();
    for (const CXString* part : {&folder, &subfolder}) {
        if (!part->IsString())
            continue;
        path += *part;
        if (!platform::makeDirectory(path.c_str())) {
            refuseAt("a folder for a received file cannot be made; it is not saved", path);
            return false;
        }
        path += "\\";
    }
    return writeWholeFile(path + fileName, data.get(), size);
}

CFileReceiver_Manager::CFileReceiver_Manager(CFileReceiver_Listener* l) : listener(l) {}

CFileReceiver_Manager::~CFileReceiver_Manager() {}

int CFileReceiver_Manager::add_file(CXSocket* socket, const CXString& folder, const CXString& subfolder,
                                    const CXString& fileName, int maxSize)
{
    int id = ++unique_id;
    entries[id].reset(new CFileReceiver_Entry(socket, id, folder, subfolder, fileName, maxSize));
    CNetMessage* request = new CNetFileRequestMessage(socket, id, folder, subfolder, fileName);
    if (socket)
        socket->send(request);
    else
        delete request;
    return id;
}

void CFileReceiver_Manager::received(CNetMessage* message)
{
    int type = message ? message->getType() : 0;
    int id;
    if (type == CNetMessage::FILE_RESPONSE)
        id = static_cast<CNetFileResponseMessage*>(message)->getRequesterId();
    else if (type == CNetMessage::FILE_DATA)
        id = static_cast<CNetFileDataMessage*>(message)->getRequesterId();
    else
        return;
    CFileReceiver_Entry* entry = find(id);
    if (!entry || entry->received(message))
        return;
    if (entry->isRefused()) {
        if (listener)
            listener->onFileRefused(entry);
        else
            logRefused(entry);
    } else if (!listener || !listener->onFileReceived(entry)) {
        entry->save_file();
    }
    remove_file(id);
}

void CFileReceiver_Manager::remove_file(int id) { entries.erase(id); }

CFileReceiver_Entry* CFileReceiver_Manager::find(int id)
{
    auto it = entries.find(id);
    return it == entries.end() ? nullptr : it->second.get();
}

CFileSender_Entry::CFileSender_Entry(CXSocket* h, int r, int s, const CXString& p)
    : handle(h), requesterId(r), serverId(s), path(p), started(false), size(0), sent(0)
{
}

CFileSender_Entry::~CFileSender_Entry() {}

bool CFileSender_Entry::equals(CXObject* other)
{
    return other && static_cast<CFileSender_Entry*>(other)->serverId == serverId;
}

CNetMessage* CFileSender_Entry::get_msg()
{
    if (!started) {
        started = true;
        file.reset(new CFile(nullptr, path, CFile::MODE_READ | CFile::MODE_BINARY));
        // Unbuffered: each chunk is read straight into its frame, one read
        // a chunk.
        if (FILE* stream = file->GetHandle())
            std::setvbuf(stream, nullptr, _IONBF, 0);
        size = file->LastError() ? -1 : file->Length();
        // Gone since it was asked for: the size -1 tells the requester, and
        // nothing follows it.
        if (size < 0) {
            size = -1;
            refuseAt("a requested file cannot be read", path);
        }
        return new CNetFileResponseMessage(handle, requesterId, serverId, size, size);
    }
    int n = size - sent;
    if (n > CHUNK)
        n = CHUNK;
    if (n <= 0)
        return nullptr;
    std::unique_ptr<CNetFileDataMessage> data(new CNetFileDataMessage(handle, requesterId, serverId, 0, sent, n));
    if (!data->getRoom() || file->Read(data->getRoom(), n) != n) {
        // The file changed under the transfer: the requester never
        // completes it, rather than getting bytes of another file.
        refuseAt("a file being sent can no longer be read; the transfer is dropped", path);
        return nullptr;
    }
    sent += n;
    return data.release();
}

bool CFileSender_Entry::send()
{
    CNetMessage* message = get_msg();
    if (!message)
        return false;
    handle->queue(message);
    return true;
}

int CFileSender_Manager::notServed(CXSocket* socket, int requesterId, int size)
{
    socket->send(new CNetFileResponseMessage(socket, requesterId, -1, size, size));
    return -1;
}

// The request's folder and subfolder found the path; they are not kept.
int CFileSender_Manager::add_file(CXSocket* socket, int requesterId, const CXString& /*folder*/,
                                  const CXString& /*subfolder*/, const CXString& fileName, const CXString& path)
{
    if (!socket)
        return -1;
    // No file has such a name: it is not looked for.
    if (fileName.getLength() > LONGEST_NAME) {
        refuseAt("a requested file's name is longer than any file's", path);
        CFileReport::peerFailedAt("requested file", fileName, "refused: longer than any file name", path);
        return notServed(socket, requesterId, SIZE_NOT_SENT);
    }
    CFile file(nullptr, path, CFile::MODE_READ | CFile::MODE_BINARY);
    if (file.LastError() || file.Length() < 0) {
        refuseAt("a requested file cannot be read", path);
        if (!fileName.equalsIgnoreCase(CXString(UPDATE_LIST)))
            CFileReport::peerFailedAt("requested file", fileName, "not found", path);
        return notServed(socket, requesterId, SIZE_NOT_SENT);
    }
    int waiting = 0;
    for (const auto& e : entries)
        waiting += e.second->getHandle() == socket;
    if (waiting >= ACTIVE_PER_CONNECTION + waitingLimit) {
        refuseAt("a connection has too many file requests waiting; this one is refused", path);
        if (toldOverBound.insert(socket).second) {
            const std::string problem = "refused: a connection may have " + std::to_string(ACTIVE_PER_CONNECTION) +
                                        " files sent and " + std::to_string(waitingLimit) +
                                        " waiting at once (its further refusals are not told)";
            CFileReport::peerFailedAt("requested file", fileName, problem.c_str(), path);
        }
        return notServed(socket, requesterId, SIZE_NOT_SENT);
    }
    int id = ++unique_id;
    entries[id].reset(new CFileSender_Entry(socket, requesterId, id, path));
    return id;
}

int CFileSender_Manager::serve(CXSocket* socket, CMC_Scene* application, const CNetFileRequestMessage& request)
{
    const CXString subfolder = request.getSubfolder(), name = request.getFileName();
    CMC_Scene* named = application && subfolder.IsString() ? application->getScene(subfolder) : nullptr;
    // The application's and the episodes' files are the data folder's (the
    // definitions): a peer reads those of the scenes' folders only.
    CMC_Scene* source = named && named->getType() == MC_SCENE ? named : nullptr;
    if (!socket)
        return -1;
    if (!isPlainName(name) || !source) {
        // Shown as subfolder\name, which is never empty.
        const CXString asked = CFileReport::cutName(subfolder) + "\\" + CFileReport::cutName(name);
        platform::OutputDebugString((CXString("Network: a file request names no file of this title: ") + asked).c_str());
        const std::string shown = "\"" + platform::cp1250ToUtf8(CFileReport::cutName(subfolder).c_str()) + "\"";
        std::string problem = "refused: ";
        if (!isPlainName(name))
            problem += "not one plain file name";
        else if (!subfolder.IsString())
            problem += "it names no scene";
        else if (named)
            problem += shown + (named->getType() == MC_EPISODE ? " is an episode" : " is the application") +
                       " of this title, not a scene";
        else
            problem += "this title has no scene " + shown;
        CFileReport::peerFailedAt("file request", asked, problem.c_str(), CXString());
        return notServed(socket, request.getRequesterId(), SIZE_NOT_OFFERED);
    }
    return add_file(socket, request.getRequesterId(), request.getFolder(), subfolder, name, sceneFile(source, name));
}

void CFileSender_Manager::remove_file(int id) { entries.erase(id); }

void CFileSender_Manager::remove_files(CXSocket* socket)
{
    for (auto it = entries.begin(); it != entries.end();)
        it = it->second->getHandle() == socket ? entries.erase(it) : std::next(it);
    toldOverBound.erase(socket);
}

void CFileSender_Manager::clear()
{
    entries.clear();
    toldOverBound.clear();
}

void CFileSender_Manager::tick()
{
    std::map<CXSocket*, std::vector<int>> byConnection;
    for (const auto& e : entries)
        byConnection[e.second->getHandle()].push_back(e.first);
    for (auto& connection : byConnection) {
        CXSocket* socket = connection.first;
        std::vector<int>& ids = connection.second;
        long long budget = FRAME_BUDGET;
        // Rounds over the active transfers, one message each; the chunks
        // are queued and written a batch at a time. What an earlier tick
        // left queued is the loop's to write.
        bool unwritten = false;
        while (!ids.empty() && budget > 0 && socket->isOpen() && socket->getQueuedBytes() < QUEUE_MARK) {
            size_t active = std::min(ids.size(), size_t(ACTIVE_PER_CONNECTION));
            for (size_t i = 0; i < active && budget > 0;) {
                if (entries[ids[i]]->send()) {
                    budget -= CFileSender_Entry::CHUNK;
                    unwritten = true;
                    ++i;
                    continue;
                }
                entries.erase(ids[i]);
                ids.erase(ids.begin() + long(i));
                --active;
            }
            if (unwritten && socket->getQueuedBytes() >= WRITE_BATCH) {
                socket->sendQueued();
                unwritten = false;
            }
        }
        if (unwritten)
            socket->sendQueued();
    }
}
