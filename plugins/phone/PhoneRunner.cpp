#include "phone/PhoneRunner.h"

#include "phone/Phone.h"
#include "phone/PhoneLine.h"
#include "script/String.h"
#include "script/Values.h"

CMC_Phone_Runner::CMC_Phone_Runner() : CDispatchRunner(CMC_Phone::TYPE_ID) {}

void CMC_Phone_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerHandler("SHOW", SHOW, &CMC_Phone_Runner::show);
    registerHandler("DIAL", DIAL, &CMC_Phone_Runner::dial);
    registerHandler("GETLATESTKEY", GETLATESTKEY, &CMC_Phone_Runner::getLatestKey);
    registerHandler("EMPTY", EMPTY, nullptr);
}

CMC_Variable* CMC_Phone_Runner::dial(CMC_Object* object, CMC_ObjectsContainer*, CXVector* args)
{
    CPhoneLine* line = static_cast<CMC_Phone*>(object)->getLine();
    const bool placed =
        line && getArgCount(args) > 0 && line->dial(getParameterString(args, 0)->getValue().c_str()) == 0;
    return CMC_Bool::temporary(placed);
}

CMC_Variable* CMC_Phone_Runner::getLatestKey(CMC_Object* object, CMC_ObjectsContainer*, CXVector*)
{
    CXString digit;
    if (char d = static_cast<CMC_Phone*>(object)->getLatestDigit())
        digit += d;
    return CMC_String::temporary(digit);
}
