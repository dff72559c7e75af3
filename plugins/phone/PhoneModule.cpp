// The Phone plug-in: the module object CPhone with its one type, "PHONEEXT".
// Releasing the plug-in releases the line list with its telephony service.
#include "common/PluginModule.h"
#include "phone/Phone.h"
#include "phone/PhoneLine.h"

#include <new>

namespace {

const PluginType phoneTypes[] = {pluginType<CMC_Phone>("PHONEEXT")};

class CPhone : public CPluginModule {
public:
    explicit CPhone(CMC_ObjectsContainer* container) : CPluginModule(container, phoneTypes, 1) {}
    ~CPhone() override { PhoneLineList::release(); }
};

} // namespace

CPluginModule* makePluginModule(CMC_ObjectsContainer* container) { return new (std::nothrow) CPhone(container); }
