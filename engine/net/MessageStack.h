#pragma once
#include <cstddef>
#include <vector>

class CNetMessage;
class CXSocket;

// The bytes a socket has received and not yet cut into frames. Frames may
// arrive split and merged anywhere in the stream; get yields them whole and
// in order. The buffered bytes always begin at a frame boundary.
//
// A header whose length field is below 8 or above the frame limit cannot
// begin a frame: the stream is broken from there on (nothing more is
// yielded or kept), and the owner closes the connection.
class CMessageStack {
public:
    explicit CMessageStack(CXSocket* owner) : owner(owner), start(0), used(0), broken(false) {}
    CMessageStack(const CMessageStack&) = delete;
    CMessageStack& operator=(const CMessageStack&) = delete;

    // Appends n bytes.
    void push(const char* bytes, int n);
    // Room for n more bytes at the end, to receive into without a copy;
    // commit then appends the first of them that were written. Null once
    // broken.
    char* reserve(int n);
    void commit(int n);
    // The first complete frame as a new message whose handle is the owner,
    // taken out of the buffer; null while none is complete or once broken.
    CNetMessage* get();
    bool isBroken() const { return broken; }
    // The number of bytes buffered.
    int getLength() const { return int(used - start); }

private:
    CXSocket* owner;
    // The bytes from start to used are buffered; those before start are
    // taken and dropped when the buffer is compacted; those past used are
    // room to receive into.
    std::vector<char> data;
    size_t start;
    size_t used;
    bool broken;
};
