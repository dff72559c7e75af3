#include "net/ScriptNetClient.h"

#include "net/NetMessage.h"
#include "net/NetworkClient.h"
#include "net/SceneUpdater.h"
#include "net/XSocket.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/Values.h"

namespace {
CMC_RegisterRunner<CMC_NetClient_Runner> runnerRegistration({MC_NETCLIENT});
}

CMC_NetClient::CMC_NetClient(CWindow* window, CMC_Scene* app)
    : CMC_NetPeer(app, CXString("NETCLIENT"), MC_NETCLIENT), client(new CNetworkClient(window, true, false))
{
    client->addNotifier(this);
    client->setFrameDispatch(true);
    initializeBehaviours(nullptr, nullptr);
}

CMC_NetClient::~CMC_NetClient()
{
    CMC_SceneUpdater::clientGone(client);
    delete client;
}

CXString** CMC_NetClient::getBehavioursList()
{
    static const char* const names[] = {"ONINIT",    "ONDONE",    "ONSIGNAL",           "ONCONNECTED",
                                        "ONCOMMAND", "ONTEXT", "ONCONNECTIONCLOSED", nullptr};
    return makeEventList(names);
}

// A try reaches for a peer that lives in real time, answered or not: the
// hold is taken for it, so that the host's clock follows the real one from
// the next frame, and kept only while connected. A title retrying a server
// that is not up then tries at the pace of its timers.
void CMC_NetClient::connect(const CXString& host)
{
    realTime.set(true);
    client->connect(host, getPort());
    realTime.set(client->isConnected());
}

void CMC_NetClient::disconnect()
{
    client->disconnect(true);
    realTime.set(false);
}

bool CMC_NetClient::isConnected() { return client->isConnected(); }

void CMC_NetClient::sendCmd(const CXString&, const CXString& command, CXArray* arguments)
{
    if (CXSocket* socket = client->getHandle())
        socket->send(new CNetCmdMessage(socket, command, arguments));
}

void CMC_NetClient::sendVar(const CXString&, CMC_Variable* variable)
{
    if (CXSocket* socket = client->getHandle())
        socket->send(new CNetVariableMessage(socket, variable));
}

void CMC_NetClient::sendText(const CXString&, const CXString& text)
{
    if (CXSocket* socket = client->getHandle())
        socket->send(new CNetTextMessage(socket, text));
}

void CMC_NetClient::sendBehaviour(const CXString&, CMC_Behaviour* behaviour)
{
    if (CXSocket* socket = client->getHandle())
        socket->send(new CNetBehaviourMessage(socket, behaviour));
}

// The scenes get their updaters over the first connection (those that have
// one keep it; it asks for its list again itself).
void CMC_NetClient::onConnected(CXString)
{
    CMC_SceneUpdater::createUpdates(application, client);
    onSignal(CXString("ONCONNECTED"));
}

void CMC_NetClient::onConnectionClosed()
{
    realTime.set(false);
    onSignal(CXString("ONCONNECTIONCLOSED"));
}

void CMC_NetClient_Runner::prepareMthHashSet()
{
    CMC_NetPeer_Runner::prepareMthHashSet();
    registerMethod("CONNECT", CONNECT);
    registerMethod("DISCONNECT", DISCONNECT);
    registerMethod("ISCONNECTED", ISCONNECTED);
}

CMC_Variable* CMC_NetClient_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_NETCLIENT)
        return CMC_NetPeer_Runner::run(id, object, container, args);
    CMC_NetClient* client = static_cast<CMC_NetClient*>(object);
    switch (id) {
    case CONNECT:
        if (getArgCount(args) > 0)
            client->connect(getParameterString(args, 0)->getValue());
        return nullptr;
    case DISCONNECT: client->disconnect(); return nullptr;
    case ISCONNECTED: return CMC_Bool::temporary(client->isConnected());
    default: return CMC_NetPeer_Runner::run(id, object, container, args);
    }
}
