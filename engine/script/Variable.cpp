#include "script/Variable.h"

#include "base/Archive.h"
#include "base/Config.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/String.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

#include <cstring>
#include <initializer_list>

namespace {
CMC_Variable::SettingsSource settingsSource = nullptr;
CMC_Variable::SenderAccess senderAccess = nullptr;
} // namespace

CMC_Variable::CMC_Variable(const CXString& n, int type) : CMC_Object(n, type), id(-1), toIni(false), netNotify(false)
{
}

CMC_Variable::CMC_Variable(const CXString& n, int type, int poolSlot)
    : CMC_Object(n, type), id(poolSlot), toIni(false), netNotify(false)
{
}

CMC_Variable::CMC_Variable(CMC_ObjectsContainer* container, CMElement* element, int type)
    : CMC_Object(container, element, type), id(-1), toIni(false), netNotify(false)
{
    if (element) {
        toIni = element->getPropertyBoolValue(CXString("TOINI"));
        netNotify = toIni || element->getPropertyBoolValue(CXString("NETNOTIFY"));
    }
    initializeBehaviours(container, element);
}

int CMC_Variable::compare(CXObject* other) { return compare(static_cast<CMC_Variable*>(other)); }

void CMC_Variable::setSettingsSource(SettingsSource source) { settingsSource = source; }

void CMC_Variable::setSenderAccess(SenderAccess access) { senderAccess = access; }

CConfig* CMC_Variable::getSettings(CMC_ObjectsContainer* container)
{
    return settingsSource && container ? settingsSource(container) : nullptr;
}

CConfig* CMC_Variable::settings() { return getSettings(scene); }

CXString** CMC_Variable::getBehavioursList()
{
    static const char* const names[] = {"ONINIT",          "ONDONE",      "ONSIGNAL", "ONCHANGED",
                                        "ONBRUTALCHANGED", "ONNETCHANGE", nullptr};
    return makeEventList(names);
}

void CMC_Variable::init()
{
    CConfig* config = toIni ? settings() : nullptr;
    if (config) {
        // The key is the variable's name: a string's toString is its text.
        CXString section = scene->getName();
        CXString stored = config->GetString(section, name);
        if (stored.IsString()) {
            CMC_String* text = CMC_String::temporary(stored);
            set(text);
            flush(text);
        } else {
            config->PutString(section, name, toString());
        }
    }
    CMC_Object::init();
}

void CMC_Variable::onChange(bool changed)
{
    bool brutal = isEventBound(EVENT_BRUTALCHANGED);
    bool change = isEventBound(EVENT_CHANGED);
    // The texts are taken at each step: a behaviour may assign again.
    if (brutal && !onSignal(CXString("ONBRUTALCHANGED^") + toString()))
        onSignal(CXString("ONBRUTALCHANGED"));
    if (change && changed && !onSignal(CXString("ONCHANGED^") + toString()))
        onSignal(CXString("ONCHANGED"));
    if (!changed)
        return;
    if (toIni) {
        CConfig* config = settings();
        if (config)
            config->PutString(scene->getName(), name, toString());
    }
    if (netNotify)
        sendChange();
}

// The server is preferred; a missing, stopped or unconnected object sends
// nothing.
void CMC_Variable::sendChange()
{
    if (!senderAccess || !scene)
        return;
    for (const char* objectName : {"NETSERVER", "NETCLIENT"}) {
        CMC_Object* obj = scene->getObject(objectName);
        CMC_VariableSender* sender = obj ? senderAccess(obj) : nullptr;
        if (sender && sender->canSend()) {
            sender->sendVar(CXString(), this);
            return;
        }
    }
}

void CMC_Variable::onNetChange(CMC_Variable* received)
{
    bool keep = netNotify;
    if (isEventBound(EVENT_NETCHANGE))
        onSignal(CXString("ONNETCHANGE"));
    netNotify = false;
    set(received);
    netNotify = keep;
}

void CMC_Variable::serialize(CXArchive* ar)
{
    if (!ar)
        return;
    CMC_Object::serialize(ar);
    if (ar->isStoring()) {
        *ar << toIni << netNotify;
    } else {
        *ar >> &toIni;
        *ar >> &netNotify;
    }
}

CMC_Variable* CMC_Variable::convertedOther(CMC_Variable* other, int type)
{
    if (!other)
        return nullptr;
    CMC_Variable* made = other->convert(type);
    // A conversion that answers with another type counts as none.
    if (made && made->getType() != type) {
        if (made != other)
            flush(made);
        return nullptr;
    }
    return made;
}

void CMC_Variable::putLE32(void* buffer, uint32_t v)
{
    unsigned char* b = static_cast<unsigned char*>(buffer);
    b[0] = (unsigned char)(v);
    b[1] = (unsigned char)(v >> 8);
    b[2] = (unsigned char)(v >> 16);
    b[3] = (unsigned char)(v >> 24);
}

uint32_t CMC_Variable::getLE32(const void* buffer)
{
    const unsigned char* b = static_cast<const unsigned char*>(buffer);
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

bool CMC_Variable::isNumber(const char* s, int n)
{
    if (n == 0 || !(s[0] == '-' || (s[0] >= '0' && s[0] <= '9')))
        return false;
    if (n >= 2 && s[0] == '0' && s[1] != '.')
        return false;
    for (int i = 1; i < n; ++i)
        if (!((s[i] >= '0' && s[i] <= '9') || s[i] == '.'))
            return false;
    return true;
}

CMC_Variable* CMC_Variable::resolve(const char* s, int n)
{
    if (n > 0 && s[0] == '"') {
        int rest = n - 1;
        if (rest > 0 && s[n - 1] == '"')
            --rest;
        return CMC_String::temporary(CXString(s + 1, rest));
    }
    if (isNumber(s, n)) {
        if (!std::memchr(s, '.', size_t(n)))
            return CMC_Integer::temporary(CXString::atoi(s));
        return CMC_Double::temporary(CXString::atof(s));
    }
    if ((n == 4 && std::memcmp(s, "TRUE", 4) == 0) || (n == 5 && std::memcmp(s, "FALSE", 5) == 0))
        return CMC_Bool::temporary(n == 4);
    return CMC_String::temporary(CXString(s, n));
}

CMC_Variable* CMC_ObjectsContainer::getVariable(const char* n)
{
    CMC_Object* obj = getObject(n);
    return obj && CMC_Variable::isBasicType(obj->getType()) ? static_cast<CMC_Variable*>(obj) : nullptr;
}
