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
// (or, without one, when every listed file is written).
//
// A scene without a "VERSION" (every scene of a title started from its
// snapshot) counts as version 0. Names in the list that would leave the
// scene's folder are refused and logged; so is the list itself when it is
// larger than INDEX_MAX_SIZE.
//
// Everything runs on the thread that dispatches the client's messages, the
// main thread for the script objects.
class CMC_SceneUpdater : public CMC_SceneUpdate, public CNetListener, public CFileReceiver_Listener {
public:
    enum { INDEX_MAX_SIZE = 1 << 20 };

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
    std::set<std::string> written;
    bool upgraded;
};
