#pragma once
#include <cstdint>

class CXString;
class CMessage;

// Root of the engine's classes: an error code, a to-delete mark for deferred
// deletion, and identity-based hashing and equality that the containers use.
class CXObject {
public:
    CXObject();
    CXObject(const CXObject& other);
    CXObject& operator=(const CXObject& other);
    virtual ~CXObject();

    virtual bool isToDelete();
    // Marks the object for the window's deferred-deletion list; final.
    virtual void setToDelete();
    virtual int getHashcode();
    virtual bool equals(CXObject* other);
    virtual int compare(CXObject* other);
    virtual CXObject* clone();
    virtual CXString toString();
    virtual void notifyMessageReceive(CMessage* message);
    virtual int processMessage(CMessage* message);

    void setErrorCode(int code) { errorCode = code; }
    int LastError() const { return errorCode; }

    static short swap_word(short value);
    static int swap_dword(int value);

    // Hands the text to the log sink (CWindow::toLog once the window exists).
    void log(const char* text, bool flag);

    // One-slot stopwatch: a name starts a measurement, null ends it and
    // writes "Time spend in %s: %d ms." to the debugger output.
    static void profile(const char* name, bool toLog);

    // The system's log sink. The window installs its own; the default
    // discards the text.
    using LogSink = void (*)(const CXString& text, bool flag);
    static void setLogSink(LogSink sink);
    static void toLog(const CXString& text, bool flag);

protected:
    bool flag;
    int errorCode;
    bool toDelete;
};

// A stand-alone error code value.
class CError {
public:
    enum _errtype { ERR_DEFAULT = 1 };

    CError() : lastError(0), type(ERR_DEFAULT) {}
    ~CError() {}
    void Type(_errtype t) { type = t; }
    int LastError() const { return lastError; }
    int operator<<(int code)
    {
        lastError = code;
        return code;
    }
    int operator<<(const char*) { return 0; }

private:
    int lastError;
    int type;
};

// A plain diagnostic record of 26 words.
struct CMemoryDbg {
    uint32_t words[26];
};
