#include "base/Hashtable.h"

#include "base/XArray.h"

#include <cstdint>
#include <cstring>

namespace {
const int maxCapacity = 1 << 28;

CXVector* bucket(CXObject* slotEntry) { return static_cast<CXVector*>(slotEntry); }
} // namespace

CHashtable::CHashtable(int cap, double factor, bool owns)
    : capacity(firstCapacity(cap)), count(0), loadFactor(firstLoadFactor(factor)), values(nullptr), keys(nullptr),
      collided(nullptr), ownsKeys(owns), valueList(new CXVector(101, 0.75f))
{
    allocateSlots();
}

int CHashtable::firstCapacity(int asked)
{
    if (asked <= 0)
        return 1;
    return asked > maxCapacity ? maxCapacity : asked;
}

double CHashtable::firstLoadFactor(double asked) { return asked > 0 ? asked : 0.75; }

CHashtable::~CHashtable()
{
    clear();
    delete[] values;
    delete[] keys;
    delete[] collided;
    delete valueList;
}

void CHashtable::allocateSlots()
{
    values = new CXObject*[capacity]();
    keys = new CXObject*[capacity]();
    collided = new unsigned char[capacity]();
}

void CHashtable::put(CXObject* key, CXObject* value)
{
    if (!key)
        return;
    if (capacityAfterPut(capacity, loadFactor, count) != capacity)
        grow();
    insert(key, value);
}

int CHashtable::capacityAfterPut(int slots, double load, int entries)
{
    return slots * load < entries + 1 && slots <= maxCapacity / 2 ? slots * 2 : slots;
}

void CHashtable::insert(CXObject* key, CXObject* value)
{
    int slot = slotOf(key->getHashcode());
    if (!keys[slot]) {
        keys[slot] = key;
        values[slot] = value;
    } else if (!collided[slot]) {
        CXVector* keyBucket = new CXVector(101, 0.75f);
        CXVector* valueBucket = new CXVector(101, 0.75f);
        keyBucket->add(keys[slot]);
        valueBucket->add(values[slot]);
        keyBucket->add(key);
        valueBucket->add(value);
        keys[slot] = keyBucket;
        values[slot] = valueBucket;
        collided[slot] = 1;
    } else {
        bucket(keys[slot])->add(key);
        bucket(values[slot])->add(value);
    }
    ++count;
    valueList->add(value);
}

// Doubles the slots and puts every entry again in old slot order (a
// bucket's pairs in bucket order), which also rebuilds the value list.
// Two entries that share a slot after it shared one before (h mod 2c fixes
// h mod c), so a bucket keeps the order of its puts: what WalkOrder relies
// on.
void CHashtable::grow()
{
    int oldCapacity = capacity;
    CXObject** oldValues = values;
    CXObject** oldKeys = keys;
    unsigned char* oldCollided = collided;

    capacity *= 2;
    count = 0;
    valueList->removeAll();
    allocateSlots();
    for (int s = 0; s < oldCapacity; ++s) {
        if (!oldKeys[s])
            continue;
        if (!oldCollided[s]) {
            insert(oldKeys[s], oldValues[s]);
            continue;
        }
        CXVector* keyBucket = bucket(oldKeys[s]);
        CXVector* valueBucket = bucket(oldValues[s]);
        for (int i = 0; i < keyBucket->getSize(); ++i)
            insert((*keyBucket)[i], (*valueBucket)[i]);
        delete keyBucket;
        delete valueBucket;
    }
    delete[] oldValues;
    delete[] oldKeys;
    delete[] oldCollided;
}

CXObject* CHashtable::get(CXObject* key)
{
    if (!key)
        return nullptr;
    int h = key->getHashcode();
    int slot = slotOf(h);
    CXObject* stored = keys[slot];
    if (!stored)
        return nullptr;
    if (!collided[slot])
        return stored->getHashcode() == h && key->equals(stored) ? values[slot] : nullptr;
    CXVector* keyBucket = bucket(stored);
    for (int i = 0; i < keyBucket->getSize(); ++i) {
        CXObject* k = (*keyBucket)[i];
        if (k->getHashcode() == h && key->equals(k))
            return (*bucket(values[slot]))[i];
    }
    return nullptr;
}

void CHashtable::remove(CXObject* value)
{
    for (int s = 0; s < capacity; ++s)
        if (removeFromSlot(s, value))
            return;
}

void CHashtable::remove(CXObject* value, CXObject* keyHint)
{
    if (keyHint && removeFromSlot(slotOf(keyHint->getHashcode()), value))
        return;
    remove(value);
}

bool CHashtable::removeFromSlot(int s, CXObject* value)
{
    if (!keys[s])
        return false;
    CXObject* removedKey = nullptr;
    if (!collided[s]) {
        if (values[s] != value)
            return false;
        removedKey = keys[s];
        keys[s] = nullptr;
        values[s] = nullptr;
    } else {
        CXVector* keyBucket = bucket(keys[s]);
        CXVector* valueBucket = bucket(values[s]);
        int i = valueBucket->find(value);
        if (i < 0)
            return false;
        removedKey = (*keyBucket)[i];
        keyBucket->removeAt(i);
        valueBucket->removeAt(i);
        if (keyBucket->getSize() == 0) {
            delete keyBucket;
            delete valueBucket;
            keys[s] = nullptr;
            values[s] = nullptr;
            collided[s] = 0;
        }
    }
    valueList->remove(value);
    --count;
    if (ownsKeys)
        delete removedKey;
    return true;
}

bool CHashtable::contains(CXObject* value) { return valueList->contains(value); }

CXVector* CHashtable::getKeys()
{
    if (count == 0)
        return nullptr;
    CXVector* list = new CXVector(count, 0.75f);
    for (int s = 0; s < capacity; ++s) {
        if (!keys[s])
            continue;
        if (!collided[s]) {
            list->add(keys[s]);
            continue;
        }
        CXVector* keyBucket = bucket(keys[s]);
        for (int i = 0; i < keyBucket->getSize(); ++i)
            list->add((*keyBucket)[i]);
    }
    return list;
}

// Keys are deleted only by a table that owns them: a clone or any other
// non-owning table shares its keys with their owner.
void CHashtable::clear()
{
    for (int s = 0; s < capacity; ++s) {
        if (!keys[s])
            continue;
        if (collided[s]) {
            CXVector* keyBucket = bucket(keys[s]);
            if (ownsKeys)
                for (int i = 0; i < keyBucket->getSize(); ++i)
                    delete (*keyBucket)[i];
            delete keyBucket;
            delete bucket(values[s]);
            collided[s] = 0;
        } else if (ownsKeys) {
            delete keys[s];
        }
        keys[s] = nullptr;
        values[s] = nullptr;
    }
    count = 0;
    valueList->removeAll();
}

CXObject* CHashtable::clone()
{
    CHashtable* copy = new CHashtable(capacity, loadFactor, false);
    for (int s = 0; s < capacity; ++s) {
        copy->collided[s] = collided[s];
        if (collided[s]) {
            copy->keys[s] = keys[s] ? keys[s]->clone() : nullptr;
            copy->values[s] = values[s] ? values[s]->clone() : nullptr;
        } else {
            copy->keys[s] = keys[s];
            copy->values[s] = values[s];
        }
    }
    copy->count = count;
    valueList->copyInto(copy->valueList);
    return copy;
}

CHashtable::WalkOrder::WalkOrder(int cap, double factor)
    : capacity(firstCapacity(cap)), loadFactor(firstLoadFactor(factor))
{
}

void CHashtable::WalkOrder::put()
{
    capacity = capacityAfterPut(capacity, loadFactor, count);
    ++count;
}

void CHashtable::WalkOrder::removed()
{
    if (count > 0)
        --count;
}

bool CHashtable::WalkOrder::before(int hashA, unsigned long long putA, int hashB, unsigned long long putB) const
{
    int slotA = slotFor(hashA, capacity);
    int slotB = slotFor(hashB, capacity);
    return slotA != slotB ? slotA < slotB : putA < putB;
}

int CStringHashCode::hashOf(const char* s, int length)
{
    uint32_t h = 0;
    for (int i = 0; i < length; ++i)
        h += (1u << (i % 16)) + uint32_t(i + 1) * uint32_t(int32_t(static_cast<signed char>(s[i])));
    return int32_t(h);
}

CStringHashCode::CStringHashCode(const CXString& t) : hash(hashOf(t.c_str(), t.getLength())), text(t) {}

void CStringHashCode::set(const char* t)
{
    text = t ? t : "";
    hash = hashOf(text.c_str(), text.getLength());
}

void CStringHashCode::set(const CXString& t)
{
    text = t;
    hash = hashOf(text.c_str(), text.getLength());
}

bool CStringHashCode::equals(CXObject* other)
{
    if (!other)
        return false;
    const CXString& o = static_cast<CStringHashCode*>(other)->text;
    return o.getLength() == text.getLength() && std::memcmp(o.c_str(), text.c_str(), size_t(text.getLength())) == 0;
}

bool CInteger::equals(CXObject* other) { return other && static_cast<CInteger*>(other)->value == value; }
