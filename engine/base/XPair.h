#pragma once
#include "base/XObject.h"
#include "base/XString.h"

// Small tuples of pointers; they never own what they point to.
class CXPair : public CXObject {
public:
    CXPair(const CXString& pairName, void* value) : name(pairName), first(value), second(value) {}
    CXPair(void* a, void* b) : first(a), second(b) {}
    CXPair(const CXPair&) = default;
    CXPair& operator=(const CXPair&) = default;

    CXObject* clone() override
    {
        CXPair* copy = new CXPair(CXString("cloned"), second);
        return copy;
    }
    CXString getName() const { return name; }
    void* getFirst() const { return first; }
    void* getSecond() const { return second; }
    void setFirst(void* p) { first = p; }
    void setSecond(void* p) { second = p; }

private:
    CXString name;
    void* first;
    void* second;
};

class CXTriple : public CXObject {
public:
    CXTriple(void* a, void* b, void* c) : first(a), second(b), third(c) {}
    CXTriple(const CXTriple&) = default;
    CXTriple& operator=(const CXTriple&) = default;

    CXObject* clone() override { return new CXTriple(first, second, third); }
    void* getFirst() const { return first; }
    void* getSecond() const { return second; }
    void* getThird() const { return third; }
    void setFirst(void* p) { first = p; }
    void setSecond(void* p) { second = p; }
    void setThird(void* p) { third = p; }

private:
    void* first;
    void* second;
    void* third;
};
