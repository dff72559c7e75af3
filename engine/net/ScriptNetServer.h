#pragma once
#include "net/FileTransfer.h"
#include "net/ScriptNetPeer.h"
#include "platform/RealTime.h"

#include <functional>

class CNetFileRequestMessage;
class CNetPlayerInfo;
class CNetworkServer;
class CXSocket;
class CWindow;

// Script "NETSERVER" (type 2011): lets other copies connect to this one as
// players, announces them ("ONNEWPLAYER" on their hello) and their leaving
// ("ONDESTROYPLAYER", on their disconnect notice or when their connection
// ends), and sends to one player or to all. It comes only from a scene
// snapshot.
//
// Players are told apart by their connection, not their name: two clients
// of one address are two players, and a message to all reaches each once.
//
// It answers the players' file requests from its own title: the subfolder
// names one of the title's scenes, whose folder holds the file (an empty
// subfolder means the data folder itself); the folder is not used. Each
// frame sends as much of the transfers as the players' connections take
// (CFileSender_Manager). Only players that said hello are served.
class CMC_NetServer : public CMC_NetPeer {
public:
    CMC_NetServer(CWindow* window, CMC_Scene* application);
    // Deletes the network server, which stops with the notice.
    ~CMC_NetServer() override;
    CMC_NetServer(const CMC_NetServer&) = delete;
    CMC_NetServer& operator=(const CMC_NetServer&) = delete;

    CXString** getBehavioursList() override;

    // Listens on the scripts' port and address (CMC_NetPeer); a port that
    // cannot be had leaves the server stopped, and is told on standard
    // error once for the same port and reason.
    void start();
    // Drops every player with the disconnect notice.
    void stop();
    int getPlayersNo();
    CNetPlayerInfo* getPlayer(int index);
    CNetworkServer* getServerIfc() { return server; }
    CXString getLoggedPlayerName() const { return loggedPlayerName; }

    // to: the first player of that name, or "" for every player, each once.
    void sendCmd(const CXString& to, const CXString& command, CXArray* arguments) override;
    void sendVar(const CXString& to, CMC_Variable* variable) override;
    void sendText(const CXString& to, const CXString& text) override;
    void sendBehaviour(const CXString& to, CMC_Behaviour* behaviour) override;
    bool canSend() override;

    // Hello: the player of that connection takes the name and is announced.
    // Disconnect notice: the player of that connection is taken off. File
    // request: the file is served when it can be found.
    void onMessage(CNetMessage* message) override;
    void onNewPlayer(CNetPlayerInfo* player) override;
    void onDestroyPlayer(CNetPlayerInfo* player) override;

private:
    // Sends what make builds on each addressed player's socket.
    void sendTo(const CXString& to, const std::function<CNetMessage*(CXSocket*)>& make);
    // The player a message came from: by its connection; by its sender's
    // name when it has none.
    CNetPlayerInfo* playerOf(CNetMessage* message);
    void serve(CNetFileRequestMessage* request);

    CWindow* window;
    CFileSender_Manager files;
    CNetworkServer* server;
    CXString loggedPlayerName;
    platform::RealTimeHold realTime; // while started (and taken by every START)
};

// "START", "STOP", "ISSTARTED", "GETLOGGEDPLAYERNAME", "GETPLAYERSNO",
// "GETPLAYERNAME" (index; "" out of range), and the peer's methods.
class CMC_NetServer_Runner : public CMC_NetPeer_Runner {
public:
    enum { START = 1, STOP = 2, ISSTARTED = 3, GETLOGGEDPLAYERNAME = 4, GETPLAYERSNO = 5, GETPLAYERNAME = 6 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
