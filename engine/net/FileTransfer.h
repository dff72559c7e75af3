#pragma once
#include "base/XObject.h"
#include "base/XString.h"
#include "platform/Memory.h"

#include <atomic>
#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

class CMC_Scene;
class CNetFileRequestMessage;
class CNetMessage;
class CWindow;
class CXSocket;

// Files asked for by folder, subfolder and name: the requester sends a file
// request (type 8); the serving side answers with the file's size (type 9)
// and then its bytes in chunks of at most 10,240 (type 10). Every frame of
// a transfer carries the requester's transfer id and the server's.
//
// Names that come from a peer never leave their folder: each of folder,
// subfolder and file name is one plain component (isPlainName), or the
// transfer is refused.

// One component of a path that stays where it is put: not empty, not "."
// or "..", with no separator ('\' or '/') and no drive (':').
bool isPlainName(const CXString& name);

// A file of a scene's folder (the folder itself for an empty name): the
// data folder below the folder the engine started in, then the scene's
// "PATH" in any of its forms; the data folder itself for no scene.
CXString sceneFile(CMC_Scene* scene, const CXString& fileName);

// Writes a file named in engine form whole or not at all: a write cut off
// leaves the file as it was. False (logged) when it cannot be written.
bool writeWholeFile(const CXString& path, const char* bytes, int size);

// The name of a scene's update list. A scene without updates has none, so
// the serving side does not name a request for a missing one.
extern const char* const UPDATE_LIST;

// The size, in both size words of the response, with which the serving
// side answers a request it does not serve, so that the requester does not
// wait: a file that cannot be sent (as a file that cannot be opened is
// answered), or a request that names no file of the serving title (its
// name is not one plain name, or no scene has its subfolder's name).
enum { SIZE_NOT_SENT = -1, SIZE_NOT_OFFERED = -2 };

class CFileReceiver_Entry;

// Told of every completed transfer: true when it has taken care of the
// file, false to have the manager save it (CFileReceiver_Entry::save_file).
// Told too of every transfer that ends without the file (the entry says
// why); by default that is only logged.
class CFileReceiver_Listener {
public:
    virtual bool onFileReceived(CFileReceiver_Entry* entry) = 0;
    virtual void onFileRefused(CFileReceiver_Entry* entry);

protected:
    ~CFileReceiver_Listener() {}
};

// One transfer the requester is waiting for. Chunks may come in any order;
// only bytes not covered before count, so a repeated or overlapping chunk
// never completes a file with holes. A size above the entry's limit (or
// below 0, the server's answer for a request it does not serve) refuses
// the transfer before anything is allocated.
class CFileReceiver_Entry : public CXObject {
public:
    // Why a transfer ended without the file. NOT_OFFERED: the request names
    // no file of the server's title (SIZE_NOT_OFFERED).
    enum Refusal { NOT_REFUSED, NOT_SENT, NOT_OFFERED, TOO_LARGE, NO_MEMORY };

    CFileReceiver_Entry(CXSocket* handle, int transferId, const CXString& folder, const CXString& subfolder,
                        const CXString& fileName, int maxSize);
    CFileReceiver_Entry(const CFileReceiver_Entry&) = delete;
    CFileReceiver_Entry& operator=(const CFileReceiver_Entry&) = delete;

    int getHashcode() override { return transferId; }
    bool equals(CXObject* other) override;

    // A response or chunk of this transfer; true while more is expected.
    // A second response, a chunk before the response or one that would end
    // beyond the size is ignored.
    bool received(CNetMessage* message);
    // Writes the file as folder\subfolder\name below the current directory
    // (an empty part is left out; missing folders are made), whole or not at
    // all; the working directory is not changed. False when a part is not a
    // plain name or the file cannot be written.
    bool save_file();

    // The server announced no file, a size over the limit, or one there is
    // no memory for: the transfer is over.
    bool isRefused() const { return refusal != NOT_REFUSED; }
    Refusal getRefusal() const { return refusal; }
    // Why, in words (UTF-8): "the server cannot send it", "the server's
    // title has no scene \"S\"", "it is 300000000 bytes, over the limit of
    // 268435456 bytes (256 MiB)".
    std::string whyRefused() const;
    CXSocket* getHandle() const { return handle; }
    int getTransferId() const { return transferId; }
    int getServerId() const { return serverId; }
    CXString getFolder() const { return folder; }
    CXString getSubfolder() const { return subfolder; }
    CXString getFileName() const { return fileName; }
    int getAnnouncedSize() const { return announcedSize; }
    int getSize() const { return size; }
    // Null until the response came.
    const char* getData() const { return data.get(); }
    // Distinct bytes received so far.
    long long getReceived() const { return received_; }

private:
    // Marks [from, to) as covered; the number of bytes not covered before.
    long long cover(long long from, long long to);

    CXSocket* handle;
    int transferId;
    int serverId;
    CXString folder;
    CXString subfolder;
    CXString fileName;
    int maxSize;
    int announcedSize;
    int size;
    bool responded;
    Refusal refusal;
    platform::LargeBlock data;
    std::vector<uint64_t> covered; // one bit per byte of the file
    long long received_;
};

// The requester's transfers on one connection. Runs on the thread that
// dispatches the connection's messages; add_file and remove_file too.
class CFileReceiver_Manager {
public:
    // The largest file a transfer takes unless asked otherwise: the file
    // is held whole in memory until it is complete.
    enum { DEFAULT_MAX_SIZE = 256 << 20 };

    explicit CFileReceiver_Manager(CFileReceiver_Listener* listener);
    ~CFileReceiver_Manager();
    CFileReceiver_Manager(const CFileReceiver_Manager&) = delete;
    CFileReceiver_Manager& operator=(const CFileReceiver_Manager&) = delete;

    // Sends the request on the socket and records the transfer under a new
    // id (1, 2, 3, ... across every requester of the process), returned.
    int add_file(CXSocket* socket, const CXString& folder, const CXString& subfolder, const CXString& fileName,
                 int maxSize = DEFAULT_MAX_SIZE);
    // A response or chunk of one of the transfers (others are ignored). A
    // completed transfer goes to the listener, and when it does not take
    // the file, to save_file; a refused one to the listener's
    // onFileRefused. Either is then forgotten.
    void received(CNetMessage* message);
    void remove_file(int id);
    // The transfer of that id; null when there is none.
    CFileReceiver_Entry* find(int id);
    int getCount() const { return int(entries.size()); }

private:
    std::map<int, std::unique_ptr<CFileReceiver_Entry>> entries;
    CFileReceiver_Listener* listener;
    static std::atomic<int> unique_id;
};

class CFile;

// One transfer the serving side answers: the response, then the file's
// bytes read from the file chunk by chunk as they are sent. It keeps the
// file's path and none of the names the request gave (a waiting request
// would hold a peer's folder name, up to a frame long, for nothing).
class CFileSender_Entry : public CXObject {
public:
    enum { CHUNK = 10240 };

    // path: the file in engine form, opened at the first send.
    CFileSender_Entry(CXSocket* handle, int requesterId, int serverId, const CXString& path);
    ~CFileSender_Entry() override;
    CFileSender_Entry(const CFileSender_Entry&) = delete;
    CFileSender_Entry& operator=(const CFileSender_Entry&) = delete;

    int getHashcode() override { return serverId; }
    bool equals(CXObject* other) override;

    // Sends the next message; false when there was none (finished, or the
    // file can no longer be read).
    bool send();
    CXSocket* getHandle() const { return handle; }
    int getServerId() const { return serverId; }

private:
    // The response first (the size -1 for a file that cannot be opened),
    // then the chunks; null when all is sent or the file fails.
    CNetMessage* get_msg();

    CXSocket* handle;
    int requesterId;
    int serverId;
    CXString path;
    std::unique_ptr<CFile> file;
    bool started;
    int size;
    int sent;
};

// The serving side's transfers, driven by its owner's tick. Each connection
// has at most ACTIVE_PER_CONNECTION transfers going at once, which take
// turns a chunk at a time; further requests wait, in order, up to
// WAITING_PER_CONNECTION (more are refused). A tick sends as much as the
// connection takes: while less than QUEUE_MARK bytes wait in its queue
// unwritten, and at most FRAME_BUDGET bytes per connection.
//
// Every request is answered. One that is not served gets a response of
// size SIZE_NOT_SENT, as for a file that cannot be opened, or, from serve,
// SIZE_NOT_OFFERED for a request that names no file of the title, so that
// the requester does not wait for it: so, at once, does a name longer than
// LONGEST_NAME. A missing file (other than an update list), such a name,
// a request that names no file of the title and the first request a
// connection makes over the bound are named on standard error, as names
// from a peer are (CFileReport::peerFailedAt).
class CFileSender_Manager {
public:
    enum { ACTIVE_PER_CONNECTION = 4, WAITING_PER_CONNECTION = 1024 };
    // The longest name of a file the system allows, in bytes (one code
    // page 1250 byte is at least one byte of the host's name).
    enum { LONGEST_NAME = 255 };
    enum { FRAME_BUDGET = 1 << 20, QUEUE_MARK = 256 << 10 };
    // Queued chunks written at once.
    enum { WRITE_BATCH = 64 << 10 };

    // waitingLimit: requests that may wait per connection (tests ask fewer).
    explicit CFileSender_Manager(int waitingLimit = WAITING_PER_CONNECTION) : waitingLimit(waitingLimit) {}
    CFileSender_Manager(const CFileSender_Manager&) = delete;
    CFileSender_Manager& operator=(const CFileSender_Manager&) = delete;

    // Records a transfer of the file found by the engine's file lookup at
    // path (a name in engine form); its server id, or -1 when the file
    // cannot be read, is larger than a transfer can announce, or the
    // connection has too many requests waiting: then the request is
    // answered with the size -1 (an empty answer would make the requester
    // write an empty file).
    int add_file(CXSocket* socket, int requesterId, const CXString& folder, const CXString& subfolder,
                 const CXString& fileName, const CXString& path);
    // A peer's request on that connection as a title's server answers it:
    // for a file of the folder of the application's scene that the
    // subfolder names. Only scenes' folders are served: a name that is not
    // one plain component, or a subfolder that is empty or names no scene
    // (scene names match in their case; the application and its episodes,
    // whose definitions lie in the data folder, are no scenes here), is
    // answered as not offered; else add_file. The transfer's id, -1 when
    // none.
    int serve(CXSocket* socket, CMC_Scene* application, const CNetFileRequestMessage& request);
    void remove_file(int id);
    // Forgets every transfer on that connection (it is going).
    void remove_files(CXSocket* socket);
    void clear();
    void tick();
    int getCount() const { return int(entries.size()); }

private:
    // Answers a request that is not served with that size; -1.
    static int notServed(CXSocket* socket, int requesterId, int size);

    // In order of request, so the first of a connection's are the active.
    std::map<int, std::unique_ptr<CFileSender_Entry>> entries;
    const int waitingLimit;
    // Connections whose refusal over the bound has been told.
    std::set<CXSocket*> toldOverBound;
    static std::atomic<int> unique_id;
};
