#pragma once
#include "net/NetworkPeer.h"
#include "script/Object.h"
#include "script/Runner.h"
#include "script/Variable.h"

class CMC_Behaviour;
class CMC_Scene;

// What the script network objects "NETCLIENT" and "NETSERVER" share: the
// receiving side, which turns messages into script effects in the running
// scene, and the four sends, which each of them implements.
//
// A connected peer may raise command events, set any variable of the
// running scene (and its parents) by name and run behaviour code of its own
// choosing here: the wire allows it, and titles rely on it.
//
// Received messages reach onMessage only on the main thread: both objects
// make their network peers in queued mode, and the application's frame
// dispatches them.
class CMC_NetPeer : public CMC_Object, public CNetListener, public CMC_VariableSender {
public:
    // application: the scene's application, in whose running scene received
    // names are looked up and behaviours run.
    CMC_NetPeer(CMC_Scene* application, const CXString& name, int typeId);

    CXString getLatestText() const { return latestText; }

    // Command: "ONCOMMAND^" and the command word, with the arguments (no
    // fall-back to "ONCOMMAND"). Variable: the named script variable gets
    // the value through onNetChange; an unknown name, an object that is no
    // variable or a value that cannot be read changes nothing. Behaviour:
    // the code runs once with this object as its owner. Text: the latest
    // text becomes "Received text message: '<text>' from <sender>.\n" and
    // "ONTEXT" is raised.
    void onMessage(CNetMessage* message) override;

    // to names one player; "" means every player (a server) or is not used
    // (a client). arguments: null or CXString*, copied.
    virtual void sendCmd(const CXString& to, const CXString& command, CXArray* arguments) = 0;
    void sendVar(const CXString& to, CMC_Variable* variable) override = 0;
    virtual void sendText(const CXString& to, const CXString& text) = 0;
    virtual void sendBehaviour(const CXString& to, CMC_Behaviour* behaviour) = 0;

    // The port and address the script objects use; the host sets them from
    // its switches. Defaults: 4661 and every address of the machine.
    static void setPort(int port);
    static int getPort();
    static void setBindAddress(const CXString& address);
    static CXString getBindAddress();

protected:
    // The scene where received names are found: the application's running
    // scene, else this object's own.
    CMC_ObjectsContainer* runningScene();

    CMC_Scene* application;
    CXString latestText;
};

// "SENDCMD", "SENDVARIABLE", "SENDTEXT", "SENDBEHAVIOUR" and
// "GETLATESTTEXT". The sends read every argument as a string; without one
// they do nothing. SENDVARIABLE and SENDBEHAVIOUR send only a variable or a
// behaviour found by the name from the calling scene.
class CMC_NetPeer_Runner : public CMC_Runner {
public:
    enum { SENDCMD = 257, SENDVARIABLE = 258, SENDTEXT = 259, SENDBEHAVIOUR = 260, GETLATESTTEXT = 261 };

    void prepareMthHashSet() override;
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;
};
