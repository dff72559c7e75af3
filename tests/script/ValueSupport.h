#pragma once
// Helpers for the tests of script values: the pools for one test, archive
// bytes written and read in memory, a settings file in a temp folder and a
// network object that records what it is asked to send.
#include "ScriptTypes.h"
#include "base/Archive.h"
#include "base/Config.h"
#include "base/File.h"
#include "base/FileStream.h"
#include "platform/Drives.h"
#include "script/String.h"
#include "script/Values.h"
#include "script/VariableFactory.h"
#include "support/TestSupport.h"

#include <functional>
#include <string>
#include <vector>

namespace scripttest {

// Builds the pools for a test and tears them down after it.
struct Pools {
    Pools() { CMC_VariableFactory::initialize(); }
    ~Pools() { CMC_VariableFactory::done(); }
};

// What a serialize/store call writes, as bytes.
inline std::string archived(const std::function<void(CXArchive*)>& write)
{
    testsupport::TempDir tmp;
    platform::ScopedDriveMap drives;
    platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk);
    {
        CFile f(nullptr, "T:\\value.bin", 0x16);
        CXArchive ar(&f, true);
        write(&ar);
        ar.Close();
    }
    return tmp.read("value.bin");
}

// Reads bytes through an archive; returns the archive's error code.
inline int unarchive(std::string bytes, const std::function<void(CXArchive*)>& read)
{
    bytes += '\0';
    CFile_Stream stream(&bytes[0], int(bytes.size() - 1));
    CXArchive ar(&stream, false);
    read(&ar);
    return ar.LastError();
}

// The title's settings file, in a temp folder, for every container.
class Settings {
public:
    Settings()
    {
        drives.reset(new platform::ScopedDriveMap);
        platform::mapDrive('S', tmp.path(), platform::DriveKind::FixedDisk);
        config.reset(new CConfig("S:\\title.ini"));
        current() = config.get();
        CMC_Variable::setSettingsSource([](CMC_ObjectsContainer*) { return current(); });
    }
    ~Settings()
    {
        CMC_Variable::setSettingsSource(nullptr);
        current() = nullptr;
    }
    std::string get(const char* section, const char* key) { return config->GetString(section, key).c_str(); }
    void put(const char* section, const char* key, const char* value) { config->PutString(section, key, value); }

private:
    static CConfig*& current()
    {
        static CConfig* c = nullptr;
        return c;
    }
    testsupport::TempDir tmp;
    std::unique_ptr<platform::ScopedDriveMap> drives;
    std::unique_ptr<CConfig> config;
};

// A "NETSERVER" or "NETCLIENT" object that records each send, with what
// `probe` says at that moment.
class FakeNet : public CMC_Object, public CMC_VariableSender {
public:
    FakeNet(const char* name, int type, bool ready) : CMC_Object(CXString(name), type), ready(ready) {}
    bool canSend() override { return ready; }
    void sendVar(const CXString& player, CMC_Variable* v) override
    {
        std::string entry = std::string(name.c_str()) + ":" + player.c_str() + v->getName().c_str() + "=" +
                            v->toString().c_str();
        if (probe)
            entry += " " + probe();
        sent.push_back(entry);
    }
    static CMC_VariableSender* access(CMC_Object* o)
    {
        int t = o->getType();
        return t == MC_NETSERVER || t == MC_NETCLIENT ? static_cast<FakeNet*>(o) : nullptr;
    }

    bool ready;
    std::vector<std::string> sent;
    std::function<std::string()> probe;
};

// Installs FakeNet::access for one test.
struct NetAccess {
    NetAccess() { CMC_Variable::setSenderAccess(&FakeNet::access); }
    ~NetAccess() { CMC_Variable::setSenderAccess(nullptr); }
};

} // namespace scripttest
