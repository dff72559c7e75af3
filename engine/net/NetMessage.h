#pragma once
#include "base/XArray.h"
#include "base/XString.h"

#include <cstdint>

class CXSocket;

// One network message: a frame of a little-endian 32-bit type, a 32-bit
// total length (the 8 header bytes included) and the payload laid out by
// type. Strings in payloads are zero-terminated code page 1250 text with no
// length prefix.
//
// The frame is held with one zero byte past its end, so that every text an
// accessor returns ends inside the message even when the peer left out its
// terminating zero; decoders never read past the frame's length.
//
// A message handed to CXSocket::send is deleted by the socket. A received
// message belongs to its peer's queue; the typed messages that the
// processor makes from it read its frame in place and live while the
// listeners run.
class CNetMessage {
public:
    enum {
        CMD = 1,
        VARIABLE = 2,
        BEHAVIOUR = 3,
        DISCONNECT = 4,
        TEXT = 5,
        PING = 6,
        HELLO = 7,
        FILE_REQUEST = 8,
        FILE_RESPONSE = 9,
        FILE_DATA = 10
    };
    enum { HEADER_LENGTH = 8 };
    // The longest frame sent or accepted: far above the largest the engine
    // makes (a file chunk of 10,268 bytes, a behaviour's code), and a bound
    // on what a peer can make a receiver allocate.
    enum { MAX_FRAME_LENGTH = 1 << 20 };

    // No frame yet (length 0).
    explicit CNetMessage(CXSocket* handle);
    // A header-only frame of that type: the disconnect notice.
    CNetMessage(CXSocket* handle, int type);
    // A copy of a frame whose header gives its length; length bytes must be
    // readable there.
    CNetMessage(CXSocket* handle, const char* frame, int length);
    // A received message (frame and handle) under a sender name; every
    // decoding constructor starts from it. The frame is raw's, read in
    // place without a copy: raw must outlive the message.
    CNetMessage(const CXString& sender, CNetMessage* raw);
    virtual ~CNetMessage();
    CNetMessage(const CNetMessage&) = delete;
    CNetMessage& operator=(const CNetMessage&) = delete;

    int getType() const { return type; }
    int getBufferLen() const { return length; }
    const char* getBuffer() const { return buffer; }
    CXSocket* getHandle() const { return handle; }
    CXString getSenderName() const { return sender; }
    void setSender(const CXString& name) { sender = name; }

    // The memory the message holds while it waits to be handled: the
    // object, its frame and its sender's name.
    long getFootprint() const { return long(sizeof(CNetMessage)) + length + 1 + sender.getLength() + 1; }

    // A note the receiving side queues when a connection ends without a
    // frame saying so; it never travels and is never given to listeners.
    static CNetMessage* connectionLost(CXSocket* handle);
    bool isConnectionLost() const { return lost; }

    // Whether length bytes at frame make a frame that its type's decoder
    // takes whole: a header in range whose length field equals length, every
    // string ending inside the frame, every fixed field and chunk fitting.
    // Frames of unknown types pass; their payload is nobody's business.
    static bool isWellFormed(const char* frame, int length);

    static uint32_t getLE32(const void* bytes);
    static void putLE32(void* bytes, uint32_t value);

protected:
    // The same with a frame of its own, copied from raw's (one to change).
    CNetMessage(const CXString& sender, CNetMessage* raw, bool copy);
    // Makes the frame: length bytes (plus the zero past them), the header
    // written; the payload is left to the caller.
    char* allocate(int frameType, int frameLength);
    // A frame of one text (behaviour, text and hello messages); none when
    // it would be longer than the limit.
    void buildText(int frameType, const CXString& text);
    // The text at offset, bounded by the frame; next is set to the offset
    // past its zero (past the frame when it has none). Empty past the end.
    const char* textAt(int offset, int* next) const;
    // The word at offset; 0 when it does not fit in the frame.
    uint32_t wordAt(int offset) const;
    // The first text of the payload; "" without a frame.
    const char* payloadText() const { return buffer ? buffer + HEADER_LENGTH : ""; }

    int type;
    int length;
    char* buffer;
    CXSocket* handle;
    CXString sender;

private:
    bool lost;
    // The frame is another message's (see the decoding constructor).
    bool borrowed;
};

// Type 1: a command word and its arguments.
class CNetCmdMessage : public CNetMessage {
public:
    // arguments: null or CXString*, copied.
    CNetCmdMessage(CXSocket* handle, const CXString& command, CXArray* arguments);
    CNetCmdMessage(const CXString& sender, CNetMessage* raw);
    ~CNetCmdMessage() override;

    CXString getCommand() const { return command; }
    // The arguments in frame order (CXString*, owned by the message); null
    // when the frame ends after the command.
    CXArray* getParams() const { return params; }

private:
    CXString command;
    CXArray* params;
};

class CMC_Variable;
class CMC_Behaviour;

// Type 2: a variable's name and its network value.
class CNetVariableMessage : public CNetMessage {
public:
    CNetVariableMessage(CXSocket* handle, CMC_Variable* variable);
    CNetVariableMessage(const CXString& sender, CNetMessage* raw);

    const char* getVariableName() const { return payloadText(); }
    // The value's type word; 0 when the frame holds none.
    int getVariableType() const;
    // The value as a pooled temporary (1 integer, 2 string, 3 bool, 4
    // double); null for another type word or a value cut short.
    CMC_Variable* getVariable() const;

private:
    int valueOffset;
};

// Type 3: behaviour code to run once.
class CNetBehaviourMessage : public CNetMessage {
public:
    CNetBehaviourMessage(CXSocket* handle, const CXString& code);
    CNetBehaviourMessage(CXSocket* handle, CMC_Behaviour* behaviour);
    CNetBehaviourMessage(const CXString& sender, CNetMessage* raw) : CNetMessage(sender, raw) {}

    const char* getCode() const { return payloadText(); }
};

// Type 5: a text.
class CNetTextMessage : public CNetMessage {
public:
    CNetTextMessage(CXSocket* handle, const CXString& text);
    CNetTextMessage(const CXString& sender, CNetMessage* raw) : CNetMessage(sender, raw) {}

    const char* getText() const { return payloadText(); }
};

// Type 6: a ping request or its answer, always 1,024 bytes: the
// requester's time, echoed back, and the answer flag.
class CNetPingMessage : public CNetMessage {
public:
    enum { PING_LENGTH = 1024 };

    // A request.
    CNetPingMessage(CXSocket* handle, long time);
    CNetPingMessage(const CXString& sender, CNetMessage* raw) : CNetMessage(sender, raw) {}
    // A copy of a received ping, frame and all, with its answer flag set to
    // 1 (answer) or 0.
    CNetPingMessage(const CXString& sender, CNetMessage* raw, bool answer);

    int getTime() const { return int(wordAt(8)); }
    bool isResponse() const { return wordAt(12) == 1; }
};

// Type 7: the player name a client announces once connected.
class CNetHelloMessage : public CNetMessage {
public:
    CNetHelloMessage(CXSocket* handle, const CXString& name);
    CNetHelloMessage(const CXString& sender, CNetMessage* raw) : CNetMessage(sender, raw) {}

    const char* getName() const { return payloadText(); }
};

// Type 8: a request for a file by folder, subfolder and name.
class CNetFileRequestMessage : public CNetMessage {
public:
    // The server's id word is 0xFFFFFFFF: not known yet.
    CNetFileRequestMessage(CXSocket* handle, int transferId, const CXString& folder, const CXString& subfolder,
                           const CXString& fileName);
    CNetFileRequestMessage(const CXString& sender, CNetMessage* raw);

    int getRequesterId() const { return requesterId; }
    int getServerId() const { return serverId; }
    CXString getFolder() const { return folder; }
    CXString getSubfolder() const { return subfolder; }
    CXString getFileName() const { return fileName; }

private:
    int requesterId;
    int serverId;
    CXString folder;
    CXString subfolder;
    CXString fileName;
};

// Type 9: the start of a transfer: both ids and the file's size, twice.
class CNetFileResponseMessage : public CNetMessage {
public:
    CNetFileResponseMessage(CXSocket* handle, int requesterId, int serverId, int announcedSize, int size);
    CNetFileResponseMessage(const CXString& sender, CNetMessage* raw);

    int getRequesterId() const { return requesterId; }
    int getServerId() const { return serverId; }
    int getAnnouncedSize() const { return announcedSize; }
    int getSize() const { return size; }

private:
    int requesterId;
    int serverId;
    int announcedSize;
    int size;
};

// Type 10: one chunk of a file at its offset.
class CNetFileDataMessage : public CNetMessage {
public:
    enum { DATA_OFFSET = 28 };

    // n bytes are copied from data.
    CNetFileDataMessage(CXSocket* handle, int requesterId, int serverId, int reserved, int offset, int n,
                        const char* data);
    // Room for a chunk of n bytes that the maker fills through getRoom
    // before it sends the frame (a file read straight into it).
    CNetFileDataMessage(CXSocket* handle, int requesterId, int serverId, int reserved, int offset, int n);
    CNetFileDataMessage(const CXString& sender, CNetMessage* raw);

    int getRequesterId() const { return requesterId; }
    int getServerId() const { return serverId; }
    int getReserved() const { return reserved; }
    int getOffset() const { return offset; }
    // The chunk's length; 0 (and no data) when the frame does not hold the
    // length it claims.
    int getChunkSize() const { return chunkSize; }
    const char* getData() const { return data; }
    // The chunk's bytes to fill; null when there is no frame.
    char* getRoom() { return buffer ? buffer + DATA_OFFSET : nullptr; }

private:
    int requesterId;
    int serverId;
    int reserved;
    int offset;
    int chunkSize;
    const char* data;
};
