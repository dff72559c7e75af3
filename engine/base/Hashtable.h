#pragma once
#include "base/XObject.h"
#include "base/XString.h"

class CXVector;

// Maps key objects to value objects by the key's getHashcode and equals.
// Slot order is observable by scripts (object queries walk the table), so
// the hash, the slot rule, the colliding-slot buckets and the growth order
// are fixed. put never replaces an equal key; contains and remove take the
// value object; the table deletes keys only when made to own them, never
// values. The keys of one table are all of one kind.
class CHashtable : public CXObject {
public:
    CHashtable(int capacity, double loadFactor, bool ownsKeys);
    ~CHashtable() override;
    CHashtable(const CHashtable&) = delete;
    CHashtable& operator=(const CHashtable&) = delete;

    void put(CXObject* key, CXObject* value); // a null key is ignored
    CXObject* get(CXObject* key);
    void remove(CXObject* value);
    // The same, looking first in the slot of keyHint (the key the value is
    // stored under), so that a caller who knows the key avoids the scan.
    void remove(CXObject* value, CXObject* keyHint);
    bool contains(CXObject* value);
    // Null when empty; otherwise a new vector of the keys in slot order.
    // The caller deletes the vector, not the keys.
    CXVector* getKeys();
    int getSize() const { return count; }
    int getCapacity() const { return capacity; }
    void clear();
    // Same slots and objects, own buckets and value list; does not own keys.
    CXObject* clone() override;

    // The order getKeys walks a table in, kept without the table: by slot,
    // and within a slot in the order of the puts. Whoever keeps entries in
    // that order tells it of each put and removal, as the table would be
    // told, and compares two entries by their hash and their put number.
    class WalkOrder {
    public:
        WalkOrder(int capacity, double loadFactor);
        // An entry is about to be put: the slots grow as the table's do.
        void put();
        void removed();
        bool before(int hashA, unsigned long long putA, int hashB, unsigned long long putB) const;
        int getCapacity() const { return capacity; }

    private:
        int capacity;
        double loadFactor;
        int count = 0;
    };

private:
    static int slotFor(int hash, int slots)
    {
        int slot = hash % slots;
        return slot < 0 ? slot + slots : slot;
    }
    static int capacityAfterPut(int slots, double load, int entries);
    static int firstCapacity(int asked);
    static double firstLoadFactor(double asked);

    bool removeFromSlot(int slot, CXObject* value);
    int slotOf(int hash) const { return slotFor(hash, capacity); }
    void allocateSlots();
    void insert(CXObject* key, CXObject* value);
    void grow();

    int capacity;
    int count;
    double loadFactor;
    CXObject** values;
    CXObject** keys; // a slot marked collided holds two CXVector buckets
    unsigned char* collided;
    bool ownsKeys;
    CXVector* valueList;
};

// A string key; its hash is computed once, when the text is set.
class CStringHashCode : public CXObject {
public:
    explicit CStringHashCode(const CXString& text);
    void set(const char* text);
    // The whole text, NUL bytes included, as the constructor keys it.
    void set(const CXString& text);
    CXString getString() const { return text; }

    int getHashcode() override { return hash; }
    // Byte-wise, case-sensitive; the other object must be a CStringHashCode.
    bool equals(CXObject* other) override;
    CXObject* clone() override { return nullptr; }

    // Sum over i of 2^(i mod 16) + (i + 1) x byte (signed), wrapping at 32 bits.
    static int hashOf(const char* text, int length);

private:
    int hash;
    CXString text;
};

// An integer key.
class CInteger : public CXObject {
public:
    CInteger() : value(0) {}
    explicit CInteger(int v) : value(v) {}
    explicit CInteger(const CXString& text) : value(0) { parse(text); }

    void parse(const CXString& text) { value = text.toNumber(); }
    int toInt() const { return value; }
    void increment() { ++value; }
    void decrement() { --value; }
    static CXString toString(int v) { return CXString::toString(v); }
    using CXObject::toString;

    int getHashcode() override { return value; }
    // The other object must be a CInteger.
    bool equals(CXObject* other) override;
    CXObject* clone() override { return nullptr; }

private:
    int value;
};
