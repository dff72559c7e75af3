#include "plugins/phone/PhoneRunner.h"

#include "platform/Platform.h"
#include "plugins/phone/Phone.h"
#include "plugins/phone/PhoneLine.h"
#include "script/String.h"
#include "script/Values.h"

void CMC_Phone_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("SHOW", SHOW);
    registerMethod("DIAL", DIAL);
    registerMethod("GETLATESTKEY", GETLATESTKEY);
    registerMethod("EMPTY", EMPTY);
}

CMC_Variable* CMC_Phone_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != CMC_Phone::TYPE_ID || id < SHOW || id > EMPTY)
        return CMC_Runner::run(id, object, container, args);
    CMC_Phone* phone = static_cast<CMC_Phone*>(object);
    switch (id) {
    case SHOW:
        if (platform::Platform* p = platform::currentPlatform())
            p->messageBox("Phone", "Phone: telephone lines for Quarnel titles");
        return nullptr;
    case DIAL: {
        CPhoneLine* line = phone->getLine();
        const bool placed = line && getArgCount(args) > 0 &&
                            line->dial(getParameterString(args, 0)->getValue().c_str()) == 0;
        return CMC_Bool::temporary(placed);
    }
    case GETLATESTKEY: {
        CXString digit;
        if (phone->getLatestDigit())
            digit += phone->getLatestDigit();
        return CMC_String::temporary(digit);
    }
    default: return nullptr;
    }
}
