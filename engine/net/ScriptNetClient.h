#pragma once
#include "net/ScriptNetPeer.h"
#include "platform/RealTime.h"

class CNetworkClient;
class CWindow;

// Script "NETCLIENT" (type 2012): connects this copy to a server copy and
// exchanges commands, variables, texts and behaviours with it. It comes
// only from a scene snapshot; its record holds what every object's does
// (name and bindings).
//
// "ONCONNECTED" is raised when CONNECT has connected, "ONCONNECTIONCLOSED"
// when the server closes the connection or it fails (not on DISCONNECT).
// Once connected, every scene of the title that has no updater gets one
// over this client (CMC_SceneUpdater), so that "NEEDSUPGRADE" and "UPGRADE"
// can bring scenes up to date from the server.
class CMC_NetClient : public CMC_NetPeer {
public:
    CMC_NetClient(CWindow* window, CMC_Scene* application);
    // Deletes the network client, which disconnects with the notice.
    ~CMC_NetClient() override;
    CMC_NetClient(const CMC_NetClient&) = delete;
    CMC_NetClient& operator=(const CMC_NetClient&) = delete;

    CXString** getBehavioursList() override;

    // To the host on the scripts' port (CMC_NetPeer::getPort); a failure
    // shows as isConnected staying false.
    void connect(const CXString& host);
    // With the disconnect notice.
    void disconnect();
    bool isConnected();
    CNetworkClient* getClientIfc() { return client; }

    // Everything goes to the server (to is not used); nothing while not
    // connected.
    void sendCmd(const CXString& to, const CXString& command, CXArray* arguments) override;
    void sendVar(const CXString& to, CMC_Variable* variable) override;
    void sendText(const CXString& to, const CXString& text) override;
    void sendBehaviour(const CXString& to, CMC_Behaviour* behaviour) override;
    bool canSend() override { return isConnected(); }

    void onConnected(CXString host) override;
    void onConnectionClosed() override;

private:
    CNetworkClient* client;
    platform::RealTimeHold realTime; // while connected (and taken by every CONNECT)
};

// "CONNECT" (host), "DISCONNECT", "ISCONNECTED", and the peer's methods.
class CMC_NetClient_Runner : public CMC_NetPeer_Runner {
public:
    enum { CONNECT = 1, DISCONNECT = 2, ISCONNECTED = 3 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
