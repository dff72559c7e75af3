#include "script/RunnerFactory.h"

#include "script/Object.h"
#include "script/Runner.h"

#include <cstddef>
#include <unordered_map>
#include <vector>

namespace {

struct Registry {
    struct Entry {
        CMC_RunnerFactory::Maker maker;
        CMC_Runner* runner;
    };
    std::vector<Entry> entries;
    std::unordered_map<int, size_t> byType; // type id -> entry
    bool ready = false;
};

// Made on first use and kept for the life of the process, so that
// registrations from any library's static initialisers find it.
Registry& registry()
{
    static Registry* r = new Registry;
    return *r;
}

void build(Registry::Entry& e)
{
    if (e.runner || !e.maker)
        return;
    e.runner = e.maker();
    if (e.runner)
        e.runner->prepareMthHashSet();
}

} // namespace

void CMC_RunnerFactory::registerRunner(std::initializer_list<int> typeIds, Maker maker)
{
    Registry& r = registry();
    r.entries.push_back({maker, nullptr});
    size_t index = r.entries.size() - 1;
    for (int id : typeIds)
        r.byType[id] = index;
    if (r.ready)
        build(r.entries[index]);
}

void CMC_RunnerFactory::initialize()
{
    Registry& r = registry();
    for (Registry::Entry& e : r.entries)
        build(e);
    r.ready = true;
}

CMC_Runner* CMC_RunnerFactory::getRunner(int typeId)
{
    Registry& r = registry();
    if (!r.ready)
        return nullptr;
    auto it = r.byType.find(typeId);
    return it == r.byType.end() ? nullptr : r.entries[it->second].runner;
}

CMC_Runner* CMC_RunnerFactory::getRunner(CMC_Object* object)
{
    if (!object || isStopValue(object))
        return nullptr;
    CMC_Runner* runner = getRunner(object->getType());
    return runner ? runner : object->getRunner();
}

void CMC_RunnerFactory::done()
{
    Registry& r = registry();
    r.ready = false;
    for (Registry::Entry& e : r.entries) {
        delete e.runner;
        e.runner = nullptr;
    }
}

bool CMC_RunnerFactory::isReady() { return registry().ready; }
