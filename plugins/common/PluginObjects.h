#pragma once
#include "script/Object.h"
#include "script/Runner.h"

#include <cstddef>
#include <vector>

class CMC_ObjectsContainer;

// Runner singletons of a plug-in: each is made on first use and filled at
// once, and all of them are deleted when the library is released, since
// statements bound while a scene loaded keep the runner they found.
class PluginRunners {
public:
    using Drop = void (*)();
    // Remembers a singleton's drop function (once per making).
    static void add(Drop drop);
    // Drops every singleton made since the last release.
    static void releaseAll();
};

template <class R>
class PluginRunner {
public:
    static R* get()
    {
        if (!instance) {
            instance = new R;
            instance->prepareMthHashSet();
            PluginRunners::add(&drop);
        }
        return instance;
    }
    // Deletes the singleton now (the next get makes a new one).
    static void drop()
    {
        delete instance;
        instance = nullptr;
    }

private:
    static inline R* instance = nullptr;
};

// The credits box of the "SHOW" methods.
void showCredits();

// A runner whose methods sit in a dispatch array beside the method table:
// one entry per id from 1 to the highest, each a method of the runner R or
// none ("EMPTY": does nothing, returns no value). Every other id, and any
// object of another type, goes to the common methods.
template <class R>
class CDispatchRunner : public CMC_Runner {
public:
    using Method = CMC_Variable* (R::*)(CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args);

    explicit CDispatchRunner(int type) : typeId(type) {}

    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override
    {
        if (id < 1 || id >= int(methods.size()) || !object || object->getType() != typeId)
            return CMC_Runner::run(id, object, container, args);
        Method m = methods[std::size_t(id)];
        return m ? (static_cast<R*>(this)->*m)(object, container ? container : object->getScene(), args) : nullptr;
    }
    using CMC_Runner::run;

protected:
    // Registers name -> id in the table and the method (null for "EMPTY")
    // at that id in the array.
    void registerHandler(const char* name, int id, Method method)
    {
        registerMethod(name, id);
        if (id >= int(methods.size()))
            methods.resize(std::size_t(id) + 1, nullptr);
        methods[std::size_t(id)] = method;
    }
    // The "SHOW" method of every such runner: the credits box.
    CMC_Variable* show(CMC_Object*, CMC_ObjectsContainer*, CXVector*)
    {
        showCredits();
        return nullptr;
    }

private:
    int typeId;
    std::vector<Method> methods;
};

// The ten event names every plug-in object but the physics world lists, in
// their order; the objects of the second plug-in raise only the first three.
CXString** pluginEventList();

// What a restoring constructor tells the debugger output:
// "<caption>: CMC_<name>::CMC_<name>( CMS_Scene )".
void restoringNotice(const char* className, const char* caption);
