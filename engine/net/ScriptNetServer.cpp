#include "net/ScriptNetServer.h"

#include "base/FileReport.h"
#include "net/NetMessage.h"
#include "net/NetworkServer.h"
#include "script/Scene.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/Values.h"

namespace {

CMC_RegisterRunner<CMC_NetServer_Runner> runnerRegistration({MC_NETSERVER});

const struct {
    const char* name;
    int id;
} methodNames[] = {
    {"START", CMC_NetServer_Runner::START},
    {"STOP", CMC_NetServer_Runner::STOP},
    {"ISSTARTED", CMC_NetServer_Runner::ISSTARTED},
    {"GETLOGGEDPLAYERNAME", CMC_NetServer_Runner::GETLOGGEDPLAYERNAME},
    {"GETPLAYERSNO", CMC_NetServer_Runner::GETPLAYERSNO},
    {"GETPLAYERNAME", CMC_NetServer_Runner::GETPLAYERNAME},
};

// A server whose every tick also sends the next chunk of each transfer.
class ServingServer : public CNetworkServer {
public:
    ServingServer(CWindow* w, CFileSender_Manager* f) : CNetworkServer(w, false), files(f) {}
    // The network thread calls into the server: it stops while all of the
    // server is still there.
    ~ServingServer() override { stop(true); }
    void tick() override
    {
        CNetworkServer::tick();
        files->tick();
    }

private:
    CFileSender_Manager* files;
};

} // namespace

CMC_NetServer::CMC_NetServer(CWindow* w, CMC_Scene* app)
    : CMC_NetPeer(app, CXString("NETSERVER"), MC_NETSERVER), window(w), server(new ServingServer(w, &files))
{
    server->addNotifier(this);
    server->setFrameDispatch(true);
    initializeBehaviours(nullptr, nullptr);
}

CMC_NetServer::~CMC_NetServer() { delete server; }

CXString** CMC_NetServer::getBehavioursList()
{
    static const char* const names[] = {"ONINIT",          "ONDONE",    "ONSIGNAL", "ONNEWPLAYER",
                                        "ONDESTROYPLAYER", "ONCOMMAND", "ONTEXT",   nullptr};
    return makeEventList(names);
}

// As a client's CONNECT: a start tried, started or not, puts the host on
// the real clock; the hold is kept while started.
void CMC_NetServer::start()
{
    realTime.set(true);
    server->start(getPort(), getBindAddress());
    realTime.set(server->isStarted());
    if (server->isStarted())
        return;
    CXString where("port ");
    where += getPort();
    if (getBindAddress().IsString())
        where += CXString(" of ") + getBindAddress();
    CFileReport::tellOnce(CXString("NETSERVER cannot listen on ") + where + ": " + server->getStartProblem() +
                          "; no player can join, and ISSTARTED answers FALSE");
}

void CMC_NetServer::stop()
{
    server->stop(true);
    realTime.set(false);
    files.clear();
}

int CMC_NetServer::getPlayersNo() { return server->getPlayersNo(); }

CNetPlayerInfo* CMC_NetServer::getPlayer(int index) { return server->getPlayer(index); }

bool CMC_NetServer::canSend() { return server->isStarted(); }

void CMC_NetServer::sendTo(const CXString& to, const std::function<CNetMessage*(CXSocket*)>& make)
{
    if (to.IsString()) {
        if (CNetPlayerInfo* player = server->find(to))
            player->getHandle()->send(make(player->getHandle()));
        return;
    }
    for (int i = 0; CNetPlayerInfo* player = server->getPlayer(i); ++i)
        player->getHandle()->send(make(player->getHandle()));
}

void CMC_NetServer::sendCmd(const CXString& to, const CXString& command, CXArray* arguments)
{
    sendTo(to, [&](CXSocket* s) { return new CNetCmdMessage(s, command, arguments); });
}

void CMC_NetServer::sendVar(const CXString& to, CMC_Variable* variable)
{
    sendTo(to, [&](CXSocket* s) { return new CNetVariableMessage(s, variable); });
}

void CMC_NetServer::sendText(const CXString& to, const CXString& text)
{
    sendTo(to, [&](CXSocket* s) { return new CNetTextMessage(s, text); });
}

void CMC_NetServer::sendBehaviour(const CXString& to, CMC_Behaviour* behaviour)
{
    sendTo(to, [&](CXSocket* s) { return new CNetBehaviourMessage(s, behaviour); });
}

// A message that came on a connection that is no player's any more (one
// sent after its disconnect notice, in the same dispatch) names nobody:
// its sender's name would be another player's.
CNetPlayerInfo* CMC_NetServer::playerOf(CNetMessage* message)
{
    if (message->getHandle())
        return server->findByHandle(message->getHandle());
    return server->find(message->getSenderName());
}

void CMC_NetServer::onMessage(CNetMessage* message)
{
    switch (message->getType()) {
    case CNetMessage::DISCONNECT:
        if (CNetPlayerInfo* player = playerOf(message))
            server->removePlayer(player);
        break;
    case CNetMessage::HELLO:
        if (CNetPlayerInfo* player = playerOf(message)) {
            player->setName(CXString(static_cast<CNetHelloMessage*>(message)->getName()));
            server->newPlayer(player);
        }
        break;
    case CNetMessage::FILE_REQUEST: serve(static_cast<CNetFileRequestMessage*>(message)); break;
    default: CMC_NetPeer::onMessage(message); break;
    }
}

void CMC_NetServer::serve(CNetFileRequestMessage* request)
{
    // The transfer keeps the connection to send on in later frames: one
    // whose player is gone is deleted once this dispatch ends.
    if (server->findByHandle(request->getHandle()))
        files.serve(request->getHandle(), application, *request);
}

void CMC_NetServer::onNewPlayer(CNetPlayerInfo* player)
{
    loggedPlayerName = player->getName();
    onSignal(CXString("ONNEWPLAYER"));
}

void CMC_NetServer::onDestroyPlayer(CNetPlayerInfo* player)
{
    files.remove_files(player->getHandle());
    onSignal(CXString("ONDESTROYPLAYER"));
}

void CMC_NetServer_Runner::prepareMthHashSet()
{
    CMC_NetPeer_Runner::prepareMthHashSet();
    for (const auto& m : methodNames)
        registerMethod(m.name, m.id);
}

CMC_Variable* CMC_NetServer_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_NETSERVER)
        return CMC_NetPeer_Runner::run(id, object, container, args);
    CMC_NetServer* server = static_cast<CMC_NetServer*>(object);
    switch (id) {
    case START: server->start(); return nullptr;
    case STOP: server->stop(); return nullptr;
    case ISSTARTED: return CMC_Bool::temporary(server->canSend());
    case GETLOGGEDPLAYERNAME: return CMC_String::temporary(server->getLoggedPlayerName());
    case GETPLAYERSNO: return CMC_Integer::temporary(server->getPlayersNo());
    case GETPLAYERNAME: {
        CNetPlayerInfo* player =
            getArgCount(args) > 0 ? server->getPlayer(getParameterInteger(args, 0)->getValue()) : nullptr;
        return CMC_String::temporary(player ? player->getName() : CXString());
    }
    default: return CMC_NetPeer_Runner::run(id, object, container, args);
    }
}
