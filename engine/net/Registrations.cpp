// What the network layer gives the script runtime: the network objects a
// scene snapshot restores, how variables marked "NETNOTIFY" reach them, the
// per-frame dispatch of what they received, and the sockets' shutdown.
#include "net/NetworkPeer.h"
#include "net/ScriptNetClient.h"
#include "net/ScriptNetServer.h"
#include "net/XSocket.h"
#include "script/Application.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"

namespace {

CMC_Object* restoreClient(CMC_Scene* scene) { return new CMC_NetClient(scene->getWindow(), scene->getMCApplication()); }
CMC_Object* restoreServer(CMC_Scene* scene) { return new CMC_NetServer(scene->getWindow(), scene->getMCApplication()); }

CMC_RegisterSnapshotType clientRestorer(MC_NETCLIENT, &restoreClient);
CMC_RegisterSnapshotType serverRestorer(MC_NETSERVER, &restoreServer);

CMC_VariableSender* senderOf(CMC_Object* object)
{
    int type = object ? object->getType() : 0;
    return type == MC_NETCLIENT || type == MC_NETSERVER ? static_cast<CMC_NetPeer*>(object) : nullptr;
}

struct Registration {
    Registration()
    {
        CMC_Variable::setSenderAccess(&senderOf);
        CApplication::layers().dispatchNetwork = &CNetworkPeer::dispatchQueued;
        CApplication::layers().doneSockets = &CXSocket::done;
    }
} registration;

} // namespace
