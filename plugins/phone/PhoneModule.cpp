// The Phone plug-in: the module object CPhone with its one type, "PHONEEXT".
// Releasing the plug-in releases the line list with its telephony service.
#include "common/PluginModule.h"
#include "phone/Phone.h"
#include "phone/PhoneLine.h"

#include <new>

namespace {

CMC_Object* resolvePhone(CMC_ObjectsContainer* container, CMElement* element)
{
    return new (std::nothrow) CMC_Phone(container, element);
}

CMC_Object* restorePhone(CMC_ObjectsContainer* container) { return new (std::nothrow) CMC_Phone(container); }

const PluginType phoneTypes[] = {{"PHONEEXT", CMC_Phone::TYPE_ID, &resolvePhone, &restorePhone}};

class CPhone : public CPluginModule {
public:
    explicit CPhone(CMC_ObjectsContainer* container) : CPluginModule(container, phoneTypes, 1) {}
    ~CPhone() override { PhoneLineList::release(); }
};

} // namespace

CPluginModule* makePluginModule(CMC_ObjectsContainer* container) { return new (std::nothrow) CPhone(container); }
