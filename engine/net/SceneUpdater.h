#pragma once
#include "net/FileTransfer.h"
#include "net/NetworkPeer.h"
#include "script/SceneServices.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

class CMC_Scene;
class CNetworkClient;
class CVersion;

// Brings one scene's files up to date from the server a client is connected
// to. It asks for the scene's list "index.net" (folder: the application's
// description, subfolder: the scene's name) as soon as it is made, and again
// whenever its client connects anew. The list names the scene's new
// "VERSION", its "FILES", their total "PACKED_SIZE" and a "DESCRIPTION".
// upgrade fetches the files into the scene's folder below the data folder,
// each written whole (a transfer cut off leaves the old file); "ONUPGRADED"
// is raised on the scene once, when the written files reach the packed size
// or every listed file has ended.
//
// A listed file ends unwritten when the server cannot send it, when it is
// larger than FILE_MAX_SIZE (it would be held whole in memory) or when it
// cannot be written here: it is named on standard error and does not count
// as written, so "NEEDSUPGRADE" stays TRUE when no listed file came.
//
// A list the server does not have means a scene without updates; one the
// server refuses because its title has no scene of this scene's name is
// named on standard error, and the updater waits for it no more.
//
// A scene without a "VERSION" (every scene of a title started from its
// snapshot) counts as version 0. Names in the list that would leave the
// scene's folder are refused and logged; the list itself is refused, and
// named, when it is larger than INDEX_MAX_SIZE.
//
// Everything runs on the thread that dispatches the client's messages, the
// main thread for the script objects.
class CMC_SceneUpdater : public CMC_SceneUpdate, public CNetListener, public CFileReceiver_Listener {
public:
    enum { INDEX_MAX_SIZE = 1 << 20 };
    // The largest listed file fetched.
    enum { FILE_MAX_SIZE = CFileReceiver_Manager::DEFAULT_MAX_SIZE };

    // Listens to the client; asks for the list when it is connected.
    CMC_SceneUpdater(CNetworkClient* client, CMC_Scene* scene);
    ~CMC_SceneUpdater() override;
    CMC_SceneUpdater(const CMC_SceneUpdater&) = delete;
    CMC_SceneUpdater& operator=(const CMC_SceneUpdater&) = delete;

    void clearIndex() override;
    bool needsUpgrade() override;
    int getUpgradeProgress() override;
    // When needsUpgrade: asks for every listed file, in list order.
    void upgrade() override;

    // Hands file responses and chunks to the transfers.
    void onMessage(CNetMessage* message) override;
    // A new connection: the list is asked for again.
    void onConnected(CXString host) override;
    // The transfers are dropped.
    void onConnectionClosed() override;
    // The list is read, or a listed file written; always true.
    bool onFileReceived(CFileReceiver_Entry* entry) override;
    // A listed file, or the list, that the server did not send or that is
    // too large: named, and a listed file has ended.
    void onFileRefused(CFileReceiver_Entry* entry) override;

    CXString getDescription() const { return description; }
    // The list's file names, in order.
    const std::vector<CXString>& getFileNames() const { return fileNames; }

    // The client is going: every updater that uses it lets go of it.
    static void clientGone(CNetworkClient* client);
    // Gives every scene of the application without an updater one over
    // the client (a connected one), and the client to every updater that
    // lost its own.
    static void createUpdates(CMC_Scene* application, CNetworkClient* client);

private:
    void requestIndex();
    // Lets go of the transfers; while they are being handed a message (a
    // behaviour run by "ONUPGRADED" may connect anew) the manager is kept
    // until that is over.
    void dropReceiver();
    void readIndex(CFileReceiver_Entry* entry);
    // Writes a listed file into the scene's folder; false when it cannot.
    bool writeFile(CFileReceiver_Entry* entry);
    // A listed file has ended, written or not: "ONUPGRADED" when that
    // completes the update.
    void ended(const CXString& fileName, bool written);

    CNetworkClient* client;
    CMC_Scene* scene;
    std::unique_ptr<CFileReceiver_Manager> receiver;
    std::vector<std::unique_ptr<CFileReceiver_Manager>> dropped;
    int handing;
    CXString description;
    std::unique_ptr<CVersion> indexVersion;
    long long packedSize;
    int dataSize;
    std::vector<CXString> fileNames;
    // Bytes of listed files written since the list came, each file once.
    long long received;
    // Lower-case names of the files written, and of those that ended
    // unwritten, since the list came.
    std::set<std::string> written;
    std::set<std::string> failed;
    bool upgraded;
};
