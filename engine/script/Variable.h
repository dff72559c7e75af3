#pragma once
#include "script/Object.h"

#include <cstdint>

class CConfig;
class CXArchive;

// What a variable needs of the network objects "NETSERVER" and "NETCLIENT"
// to send a changed value to the other running copies. The network script
// objects implement it.
class CMC_VariableSender {
public:
    // The server has been started, or the client is connected.
    virtual bool canSend() = 0;
    // player "" means every connected player.
    virtual void sendVar(const CXString& player, CMC_Variable* variable) = 0;

protected:
    ~CMC_VariableSender() {}
};

// The base of every script value (INTEGER, STRING, BOOL, DOUBLE, and the
// expression and structure types): the literal reader, the "TOINI" and
// "NETNOTIFY" options, the change events and what follows a change, and the
// value operations every value type implements.
//
// Ownership of values handed between statements: pooled temporaries (id 0
// or more) belong to CMC_VariableFactory and go back with CMC_Object::flush;
// convert() and calculate() return temporaries, and convert() gives the
// variable itself back first when it is a temporary. A declared variable
// (id -1) belongs to its container.
class CMC_Variable : public CMC_Object {
public:
    // Positions in getBehavioursList that onChange and onNetChange test.
    enum { EVENT_CHANGED = 3, EVENT_BRUTALCHANGED = 4, EVENT_NETCHANGE = 5 };

    CMC_Variable(const CXString& name, int typeId);
    CMC_Variable(const CXString& name, int typeId, int poolSlot);
    // Reads "TOINI" and "NETNOTIFY" (TOINI implies it) and binds the record's
    // events; the value types then read "VALUE" and "DEFAULT".
    CMC_Variable(CMC_ObjectsContainer* container, CMElement* element, int typeId);
    CMC_Variable(const CMC_Variable& other) = default;

    // Orders by value; other must be a script value.
    int compare(CXObject* other) override;
    using CXObject::equals;
    // With "TOINI": takes the stored value (reported as an assignment), or
    // stores the current one when there is none; then raises "ONINIT".
    void init() override;
    CXString** getBehavioursList() override;
    void serialize(CXArchive* archive) override;

    // The value contract. A null argument is never dereferenced: it acts as
    // a value that cannot be converted.
    virtual void set(CMC_Variable*) {}
    virtual void clear() {}
    virtual void swap(CMC_Variable*, CMC_Variable*) {}
    virtual void inc() {}
    virtual void dec() {}
    virtual bool equals(CMC_Variable*) { return false; }
    virtual int compare(CMC_Variable*) { return -1; }
    virtual CMC_Variable* convert(int) { return nullptr; }
    virtual CMC_Variable* calculate(CMC_Variable*, int) { return nullptr; }
    // Every assignment ends here: "ONBRUTALCHANGED" when bound, then, only
    // when changed, "ONCHANGED", the write to the title's settings file and
    // the send to the other running copies.
    virtual void onChange(bool changed);
    // A value received from the network: "ONNETCHANGE" while the old value
    // is in place, then set() without sending it back.
    virtual void onNetChange(CMC_Variable* received);
    virtual void setDefault(CMC_Variable*) {}
    virtual void resetINI() {}
    // The network value: a little-endian uint32 type id, then the value.
    virtual int getBufferLen() { return 4; }
    // Writes getBufferLen() bytes.
    virtual void netstore(void*) {}
    // Reads the value part of a network value of length bytes; false (and
    // no change) when it is too short.
    virtual bool netrestore(const void*, int) { return false; }
    // The typed archive value: int32 type id, then the value.
    virtual void store(CXArchive*) {}
    // Reads the value of a typed archive value whose type id was read.
    virtual void restore(CXArchive*) {}
    // Takes the value from text without a report.
    virtual void fromString(const CXString&) {}
    // What the variable stands for as a method argument: itself; an
    // expression computes and gives its result.
    virtual CMC_Variable* evaluate() { return this; }

    int getId() const { return id; }
    bool isToIni() const { return toIni; }
    bool isNetNotify() const { return netNotify; }

    // Literal text of a script to a pooled temporary: "" and quoted text are
    // STRING, numbers INTEGER or DOUBLE, exactly "TRUE" and "FALSE" BOOL,
    // anything else STRING.
    static CMC_Variable* resolve(const CXString& text) { return resolve(text.c_str(), text.getLength()); }
    // The same for the first length bytes of a NUL-terminated text.
    static CMC_Variable* resolve(const char* text, int length);
    static bool isNumber(const CXString& text) { return isNumber(text.c_str(), text.getLength()); }
    static bool isNumber(const char* text, int length);
    // Whether objects of that type are CMC_Variables.
    static bool isVariableType(int typeId)
    {
        return (typeId >= MC_INTEGER && typeId <= MC_VARIABLE) || typeId == MC_EXPRESSION || typeId == MC_STRUCTURE;
    }
    static bool isBasicType(int typeId) { return typeId >= MC_INTEGER && typeId <= MC_DOUBLE; }

    // The title's settings file that holds the "TOINI" values of a
    // container's variables; the application installs it. Without it (or
    // when it answers null) nothing is read or written.
    using SettingsSource = CConfig* (*)(CMC_ObjectsContainer* container);
    static void setSettingsSource(SettingsSource source);
    // The settings file of a container's objects; null when there is none.
    static CConfig* getSettings(CMC_ObjectsContainer* container);
    // How an object found under "NETSERVER" or "NETCLIENT" sends values;
    // null for an object that cannot. The network objects install it.
    using SenderAccess = CMC_VariableSender* (*)(CMC_Object* object);
    static void setSenderAccess(SenderAccess access);

protected:
    // Another value as this type: other itself for the same type, else its
    // convert() (a temporary); null when it has no such form.
    static CMC_Variable* converted(CMC_Variable* other, int typeId)
    {
        return other && other->getType() == typeId ? other : convertedOther(other, typeId);
    }
    // Gives back what converted() made (nothing when it was other itself).
    static void releaseConverted(CMC_Variable* made, CMC_Variable* other)
    {
        if (made && made != other)
            flush(made);
    }
    // onChange, when anything follows the assignment: a bound change event,
    // or, for a change, the settings file or the network.
    void reportChange(bool changed)
    {
        if (isEventBound(EVENT_BRUTALCHANGED) || (changed && (isEventBound(EVENT_CHANGED) || toIni || netNotify)))
            onChange(changed);
    }
    // The settings file for this variable; null when there is none.
    CConfig* settings();

    static void putLE32(void* buffer, uint32_t value);
    static uint32_t getLE32(const void* buffer);

    int id;
    bool toIni;
    bool netNotify;

private:
    static CMC_Variable* convertedOther(CMC_Variable* other, int typeId);
    void sendChange();
};
