#pragma once
// Small script types for the object model's tests: a behaviour that records
// its runs, an object type with an event list, and a guard that installs
// factories for the test and puts the earlier ones back.
#include "script/Behaviour.h"
#include "script/BehaviourBase.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/TypeRegistry.h"

#include <functional>
#include <initializer_list>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace scripttest {

// What ran, in order: "BEHAVIOUR@OWNER" plus "(p1,p2)" when it had parameters.
inline std::vector<std::string>& runs()
{
    static std::vector<std::string> log;
    return log;
}

class FakeBehaviour : public CMC_BehaviourBase {
public:
    FakeBehaviour(CMC_ObjectsContainer* c, CMElement* e) : CMC_BehaviourBase(c, e) {}
    FakeBehaviour(CMC_ObjectsContainer* c, const CXString& n, const CXString& code)
        : CMC_BehaviourBase(c, n), code(code.c_str())
    {
    }

    bool run(CMC_Object* owner, CXArray* params, bool) override
    {
        std::string entry = std::string(name.c_str()) + "@" + (owner ? owner->getName().c_str() : "-");
        if (params) {
            entry += "(";
            for (int i = 0; i < params->getSize(); ++i)
                entry += std::string(i ? "," : "") + static_cast<CXString*>((*params)[i])->c_str();
            entry += ")";
        }
        runs().push_back(entry);
        // Script code is evaluated meanwhile, as in a behaviour.
        CMC_Behaviour::Nesting evaluating;
        ++running;
        if (action)
            action(owner);
        --running;
        return false;
    }
    void resolveCondition() override { ++conditionsResolved; }
    bool isRunning() const override { return running > 0; }

    int running = 0;
    std::string code;
    int conditionsResolved = 0;
    std::function<void(CMC_Object*)> action;
};

inline CMC_BehaviourBase* makeInline(CMC_ObjectsContainer* c, const CXString& n, const CXString& code)
{
    return new FakeBehaviour(c, n, code);
}

inline std::vector<std::string>& lifecycle()
{
    static std::vector<std::string> log;
    return log;
}

// An object type with events; logs done() and its destruction.
class Thing : public CMC_Object {
public:
    Thing(const CXString& n, int type = 2006) : CMC_Object(n, type) {}
    Thing(CMC_ObjectsContainer* c, CMElement* e, int type = 2006) : CMC_Object(c, e, type)
    {
        initializeBehaviours(c, e);
    }
    Thing(const Thing& other) = default;
    ~Thing() override { lifecycle().push_back(std::string("~") + name.c_str()); }

    CXString** getBehavioursList() override
    {
        static const char* const names[] = {"ONINIT",    "ONDONE",          "ONSIGNAL", "ONCLICK",
                                            "ONCLICKED", "ONINITIALUPDATE", nullptr};
        return makeEventList(names);
    }
    CXObject* clone() override { return new Thing(*this); }
    using CMC_Object::clone;
    bool done(bool final) override
    {
        lifecycle().push_back(std::string("done ") + name.c_str());
        return CMC_Object::done(final);
    }
    bool doneFirst() override { return first; }

    bool first = false;
    using CMC_Object::addPlaceholderBinding;
};

// A scene stand-in: its own scene, events of its own, and plug-ins asked
// through `plugin`. It deletes its objects when it goes.
class TestScene : public CMC_ObjectsContainer {
public:
    explicit TestScene(const char* n, int type = MC_SCENE) : CMC_ObjectsContainer(nullptr, nullptr, CXString(n), type)
    {
        scene = this;
    }
    ~TestScene() override
    {
        flushBehList();
        unload();
    }
    CXString** getBehavioursList() override
    {
        static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", nullptr};
        return makeEventList(names);
    }
    CMC_Object* resolveEx(CMElement* e) override
    {
        asked.push_back(e->getName().c_str());
        return plugin ? plugin(this, e) : nullptr;
    }

    std::vector<std::string> asked;
    std::function<CMC_Object*(CMC_ObjectsContainer*, CMElement*)> plugin;
};

// Installs factories and the inline behaviour maker for one test.
class Types {
public:
    Types() : maker(CMC_BehaviourBase::getMaker()) { CMC_BehaviourBase::setMaker(&makeInline); }
    ~Types()
    {
        for (auto it = saved.rbegin(); it != saved.rend(); ++it)
            CMC_TypeRegistry::registerType(it->first, CMC_TypeRegistry::getPass(it->first), it->second);
        CMC_BehaviourBase::setMaker(maker);
    }
    void add(const char* word, CMC_TypeRegistry::Factory factory)
    {
        saved.emplace_back(CXString(word), CMC_TypeRegistry::getFactory(word));
        CMC_TypeRegistry::registerType(word, CMC_TypeRegistry::getPass(word), factory);
    }

private:
    CMC_BehaviourBase::Maker maker;
    std::vector<std::pair<CXString, CMC_TypeRegistry::Factory>> saved;
};

inline CMC_Object* makeBehaviour(CMC_ObjectsContainer* c, CMElement* e) { return new FakeBehaviour(c, e); }
template <int TypeId>
CMC_Object* makeThing(CMC_ObjectsContainer* c, CMElement* e)
{
    return new Thing(c, e, TypeId);
}

// A definition record: name then key/value pairs.
inline CMElement* record(const char* name, std::vector<std::pair<const char*, const char*>> properties)
{
    CMElement* e = new CMElement(name);
    for (auto& p : properties)
        e->addProperty(p.first, p.second);
    return e;
}

// An owning list of records.
struct Records {
    std::unique_ptr<CMElements> list{new CMElements(true)};
    Records(std::initializer_list<CMElement*> records)
    {
        for (CMElement* r : records)
            list->add(r);
    }
};

inline std::vector<std::string> names(CMElements* list)
{
    std::vector<std::string> out;
    for (int i = 0; i < list->getSize(); ++i)
        out.push_back(list->getAt(i)->getName().c_str());
    return out;
}

} // namespace scripttest
