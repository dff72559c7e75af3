#include "net/ScriptNetPeer.h"

#include "net/NetMessage.h"
#include "script/Behaviour.h"
#include "script/Disposal.h"
#include "script/Scene.h"
#include "script/String.h"

namespace {

int scriptPort = CNetworkPeer::DEFAULT_PORT;
CXString& bindAddress()
{
    static CXString address;
    return address;
}

const struct {
    const char* name;
    int id;
} methodNames[] = {
    {"SENDCMD", CMC_NetPeer_Runner::SENDCMD},
    {"SENDVARIABLE", CMC_NetPeer_Runner::SENDVARIABLE},
    {"SENDTEXT", CMC_NetPeer_Runner::SENDTEXT},
    {"SENDBEHAVIOUR", CMC_NetPeer_Runner::SENDBEHAVIOUR},
    {"GETLATESTTEXT", CMC_NetPeer_Runner::GETLATESTTEXT},
};

} // namespace

CMC_NetPeer::CMC_NetPeer(CMC_Scene* app, const CXString& n, int type) : CMC_Object(n, type), application(app) {}

void CMC_NetPeer::setPort(int port) { scriptPort = port; }
int CMC_NetPeer::getPort() { return scriptPort; }
void CMC_NetPeer::setBindAddress(const CXString& address) { bindAddress() = address; }
CXString CMC_NetPeer::getBindAddress() { return bindAddress(); }

CMC_ObjectsContainer* CMC_NetPeer::runningScene()
{
    CMC_Scene* episode = application ? application->getCurrentScene() : nullptr;
    CMC_Scene* running = episode ? episode->getCurrentScene() : nullptr;
    return running ? running : scene;
}

void CMC_NetPeer::onMessage(CNetMessage* message)
{
    // What a message runs may delete this object; the delivery goes on.
    CMC_Hold hold(this);
    CMC_ObjectsContainer* where = runningScene();
    switch (message->getType()) {
    case CNetMessage::CMD: {
        CNetCmdMessage* cmd = static_cast<CNetCmdMessage*>(message);
        onSignal(CXString("ONCOMMAND^") + cmd->getCommand(), cmd->getParams());
        break;
    }
    case CNetMessage::VARIABLE: {
        CNetVariableMessage* var = static_cast<CNetVariableMessage*>(message);
        CMC_Object* target = where ? where->getObject(CXString(var->getVariableName())) : nullptr;
        if (!target || !CMC_Variable::isVariableType(target->getType()))
            break;
        CMC_Variable* value = var->getVariable();
        if (value)
            static_cast<CMC_Variable*>(target)->onNetChange(value);
        flush(value);
        break;
    }
    case CNetMessage::BEHAVIOUR: {
        CXString code(static_cast<CNetBehaviourMessage*>(message)->getCode());
        CMC_Behaviour* behaviour = new CMC_Behaviour(where, CXString("temp"), code);
        behaviour->init();
        behaviour->run(this, nullptr, false);
        CMC_Disposal::dispose(behaviour, CMC_Disposal::WITHOUT_DONE);
        break;
    }
    case CNetMessage::TEXT:
        latestText = CXString("Received text message: '") + static_cast<CNetTextMessage*>(message)->getText() +
                     "' from " + message->getSenderName() + ".\n";
        onSignal(CXString("ONTEXT"));
        break;
    default: break;
    }
}

void CMC_NetPeer_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (const auto& m : methodNames)
        registerMethod(m.name, m.id);
}

CMC_Variable* CMC_NetPeer_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || (object->getType() != MC_NETCLIENT && object->getType() != MC_NETSERVER))
        return CMC_Runner::run(id, object, container, args);
    CMC_NetPeer* peer = static_cast<CMC_NetPeer*>(object);
    int argc = getArgCount(args);
    if (id == GETLATESTTEXT)
        return CMC_String::temporary(peer->getLatestText());
    if (id < SENDCMD || id > SENDBEHAVIOUR)
        return CMC_Runner::run(id, object, container, args);
    if (argc < 1)
        return nullptr;
    if (id == SENDCMD) {
        CXString command = getParameterString(args, 0)->getValue();
        CXArray* list = argc > 1 ? new CXArray(argc - 1, 0.75f) : nullptr;
        for (int i = 1; i < argc; ++i)
            list->add(new CXString(getParameterString(args, i)->getValue()));
        peer->sendCmd(CXString(), command, list);
        if (list)
            CXString::releaseToVector(list);
        return nullptr;
    }
    CXString to = argc == 1 ? CXString() : getParameterString(args, 0)->getValue();
    CXString what = getParameterString(args, argc == 1 ? 0 : 1)->getValue();
    if (id == SENDTEXT) {
        peer->sendText(to, what);
        return nullptr;
    }
    CMC_Object* found = container ? container->getObject(what) : nullptr;
    if (id == SENDVARIABLE && found && CMC_Variable::isVariableType(found->getType()))
        peer->sendVar(to, static_cast<CMC_Variable*>(found));
    else if (id == SENDBEHAVIOUR && found && found->getType() == MC_BEHAVIOUR)
        peer->sendBehaviour(to, static_cast<CMC_Behaviour*>(found));
    return nullptr;
}
