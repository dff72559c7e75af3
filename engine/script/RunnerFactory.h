#pragma once
#include <initializer_list>

class CMC_Object;
class CMC_Runner;

// The one runner of every script type the engine defines, by type id.
// Each subsystem registers its runners (usually with CMC_RegisterRunner
// when the library loads); initialize makes one instance of each and builds
// its method table, done deletes them. Plug-in types are not here: their
// objects answer getRunner themselves.
class CMC_RunnerFactory {
public:
    using Maker = CMC_Runner* (*)();

    // The runner that maker makes serves these type ids (one instance for
    // all of them). An id registered before moves to the new runner. When
    // the factory is ready the runner is made at once.
    static void registerRunner(std::initializer_list<int> typeIds, Maker maker);

    // Makes every registered runner and calls its prepareMthHashSet.
    static void initialize();
    // The runner of a type id; null for an id without one, and before
    // initialize and after done.
    static CMC_Runner* getRunner(int typeId);
    // The runner that serves an object: the factory's for its type, else the
    // object's own getRunner (plug-in types); null for none.
    static CMC_Runner* getRunner(CMC_Object* object);
    // Deletes every runner; the registrations stay.
    static void done();
    static bool isReady();

    template <class T>
    static CMC_Runner* make();
};

// Registers a runner class when the library is loaded:
//   static CMC_RegisterRunner<CMC_Variable_Runner> reg({1, 2, 3, 4, 12});
template <class T>
struct CMC_RegisterRunner {
    explicit CMC_RegisterRunner(std::initializer_list<int> typeIds)
    {
        CMC_RunnerFactory::registerRunner(typeIds, &CMC_RunnerFactory::make<T>);
    }
};

template <class T>
CMC_Runner* CMC_RunnerFactory::make()
{
    return new T();
}
