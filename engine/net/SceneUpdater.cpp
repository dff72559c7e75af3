#include "net/SceneUpdater.h"

#include "base/FileReport.h"
#include "base/TextFileReader.h"
#include "base/Version.h"
#include "net/NetworkClient.h"
#include "net/XSocket.h"
#include "platform/Debug.h"
#include "platform/FileIO.h"
#include "script/Element.h"
#include "script/ElementsLoader.h"
#include "script/Scene.h"

#include <algorithm>
#include <mutex>

namespace {

const char* const INDEX = UPDATE_LIST;

std::mutex registryLock;
std::vector<CMC_SceneUpdater*>& liveUpdaters()
{
    static std::vector<CMC_SceneUpdater*> updaters;
    return updaters;
}

CNetworkClient* makingFor = nullptr;

CMC_SceneUpdate* makeUpdater(CMC_Scene* scene) { return makingFor ? new CMC_SceneUpdater(makingFor, scene) : nullptr; }

struct Registration {
    Registration() { CMC_Scene::setUpdaterMaker(&makeUpdater); }
} registration;

std::string lowered(const CXString& name)
{
    CXString copy = name;
    return copy.Lower().c_str();
}

CXString property(CMProperties* properties, const char* key)
{
    CMProperty* p = properties->get(CXString(key));
    CXString value = p ? p->getValue() : CXString();
    return value.RTrim('\r');
}

} // namespace

CMC_SceneUpdater::CMC_SceneUpdater(CNetworkClient* c, CMC_Scene* s)
    : client(c), scene(s), handing(0), packedSize(0), dataSize(0), received(0), upgraded(false)
{
    {
        std::lock_guard<std::mutex> lock(registryLock);
        liveUpdaters().push_back(this);
    }
    if (!client)
        return;
    client->addNotifier(this);
    if (client->isConnected()) {
        receiver.reset(new CFileReceiver_Manager(this));
        requestIndex();
    }
}

CMC_SceneUpdater::~CMC_SceneUpdater()
{
    {
        std::lock_guard<std::mutex> lock(registryLock);
        std::vector<CMC_SceneUpdater*>& all = liveUpdaters();
        all.erase(std::remove(all.begin(), all.end(), this), all.end());
    }
    if (client)
        client->removeNotifier(this);
}

void CMC_SceneUpdater::clientGone(CNetworkClient* gone)
{
    std::lock_guard<std::mutex> lock(registryLock);
    for (CMC_SceneUpdater* updater : liveUpdaters())
        if (updater->client == gone) {
            gone->removeNotifier(updater);
            updater->client = nullptr;
            updater->dropReceiver();
        }
}

void CMC_SceneUpdater::createUpdates(CMC_Scene* application, CNetworkClient* c)
{
    if (!application || !c)
        return;
    // Updaters whose client went (with the scene that held it) take this one.
    std::vector<CMC_SceneUpdater*> orphans;
    {
        std::lock_guard<std::mutex> lock(registryLock);
        for (CMC_SceneUpdater* updater : liveUpdaters())
            if (!updater->client)
                orphans.push_back(updater);
    }
    for (CMC_SceneUpdater* updater : orphans) {
        updater->client = c;
        c->addNotifier(updater);
        updater->onConnected(c->getHostName());
    }
    makingFor = c;
    application->createUpdates();
    makingFor = nullptr;
}

void CMC_SceneUpdater::requestIndex()
{
    CMC_Scene* application = scene->getMCApplication();
    CXString folder = application ? application->getDesc() : CXString();
    receiver->add_file(client->getHandle(), folder, scene->getName(), CXString(INDEX), INDEX_MAX_SIZE);
}

void CMC_SceneUpdater::clearIndex()
{
    fileNames.clear();
    indexVersion.reset();
}

bool CMC_SceneUpdater::needsUpgrade()
{
    if (received > 0 || !written.empty() || !indexVersion)
        return false;
    CVersion none;
    CVersion* own = scene->getVersion();
    return indexVersion->compare(own ? own : &none) > 0;
}

int CMC_SceneUpdater::getUpgradeProgress()
{
    if (packedSize <= 0)
        return 0;
    return int(std::min<long long>(100, received * 100 / packedSize));
}

void CMC_SceneUpdater::upgrade()
{
    if (!needsUpgrade() || fileNames.empty() || !receiver || !client)
        return;
    CMC_Scene* application = scene->getMCApplication();
    CXString folder = application ? application->getDesc() : CXString();
    for (const CXString& name : fileNames)
        receiver->add_file(client->getHandle(), folder, scene->getName(), name, FILE_MAX_SIZE);
}

void CMC_SceneUpdater::onMessage(CNetMessage* message)
{
    if (!receiver)
        return;
    CFileReceiver_Manager* handed = receiver.get();
    ++handing;
    handed->received(message);
    if (--handing == 0)
        dropped.clear();
}

void CMC_SceneUpdater::dropReceiver()
{
    if (handing > 0 && receiver)
        dropped.push_back(std::move(receiver));
    receiver.reset();
}

void CMC_SceneUpdater::onConnected(CXString)
{
    dropReceiver();
    receiver.reset(new CFileReceiver_Manager(this));
    requestIndex();
}

void CMC_SceneUpdater::onConnectionClosed()
{
    platform::OutputDebugString("DovirAvura server has disconnected.");
    dropReceiver();
}

bool CMC_SceneUpdater::onFileReceived(CFileReceiver_Entry* entry)
{
    if (entry->getFileName().equalsIgnoreCase(CXString(INDEX))) {
        readIndex(entry);
        return true;
    }
    bool saved = writeFile(entry);
    if (saved && !written.count(lowered(entry->getFileName())))
        received += entry->getSize();
    ended(entry->getFileName(), saved);
    return true;
}

void CMC_SceneUpdater::onFileRefused(CFileReceiver_Entry* entry)
{
    const CXString name = entry->getFileName();
    if (name.equalsIgnoreCase(CXString(INDEX))) {
        // A scene the server has no updates for has no list; one its title
        // lacks, or a list too large, is named.
        if (entry->getRefusal() != CFileReceiver_Entry::NOT_SENT)
            CFileReport::failedAt("update list", name, ("not fetched: " + entry->whyRefused()).c_str(),
                                  sceneFile(scene, name));
        return;
    }
    if (isPlainName(name))
        CFileReport::peerFailedAt("update file", name, ("not fetched: " + entry->whyRefused()).c_str(),
                                  sceneFile(scene, name));
    ended(name, false);
}

void CMC_SceneUpdater::ended(const CXString& fileName, bool saved)
{
    std::string key = lowered(fileName);
    // A file asked for twice counts once; written the second time, it is
    // no longer missing.
    if (saved && written.insert(key).second)
        failed.erase(key);
    else if (!saved && !written.count(key))
        failed.insert(key);
    bool all = std::all_of(fileNames.begin(), fileNames.end(), [this](const CXString& name) {
        std::string k = lowered(name);
        return written.count(k) > 0 || failed.count(k) > 0;
    });
    if (!upgraded && ((packedSize > 0 && received >= packedSize) || all)) {
        upgraded = true;
        scene->onSignal(CXString("ONUPGRADED"));
    }
}

void CMC_SceneUpdater::readIndex(CFileReceiver_Entry* entry)
{
    std::vector<char> text(entry->getData(), entry->getData() + entry->getSize());
    text.push_back(0);
    CTextFileReader reader(scene->getWindow(), text.data(), entry->getSize());
    std::unique_ptr<CMProperties> properties(CPropertiesLoader::load(scene->getWindow(), &reader));
    clearIndex();
    description = property(properties.get(), "DESCRIPTION");
    indexVersion.reset(new CVersion(property(properties.get(), "VERSION")));
    CXArray* list = property(properties.get(), "FILES").toVector();
    for (int i = 0; list && i < list->getSize(); ++i) {
        CXString name = *list->stringAt(i);
        if (isPlainName(name))
            fileNames.push_back(name);
        else
            platform::OutputDebugString(
                (CXString("Network: a listed file's name leaves the scene's folder; it is not fetched: ") +
                 CFileReport::cutName(name))
                    .c_str());
    }
    if (list)
        CXString::releaseToVector(list);
    packedSize = property(properties.get(), "PACKED_SIZE").toNumber();
    dataSize = property(properties.get(), "DATA_SIZE").toNumber();
    received = 0;
    written.clear();
    failed.clear();
    upgraded = false;
}

bool CMC_SceneUpdater::writeFile(CFileReceiver_Entry* entry)
{
    CXString path = sceneFile(scene, entry->getFileName());
    if (!isPlainName(entry->getFileName())) {
        platform::OutputDebugString(
            (CXString("Network: a received file's name leaves the scene's folder: ") + CFileReport::cutPath(path))
                .c_str());
        return false;
    }
    platform::makeDirectory(sceneFile(scene, CXString()).c_str());
    if (writeWholeFile(path, entry->getData(), entry->getSize()))
        return true;
    CFileReport::peerFailedAt("update file", entry->getFileName(), "cannot be written", path);
    return false;
}
