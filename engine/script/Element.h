#pragma once
#include "base/XArray.h"
#include "base/XString.h"

class CWindow;
class CPlayable;

// One name/value pair of a definition record.
class CMProperty : public CXObject {
public:
    CMProperty() {}
    explicit CMProperty(const CXString& n) : name(n) {}
    CMProperty(const CXString& n, const CXString& v) : name(n), value(v) {}

    bool equals(CXObject* other) override { return other && name == static_cast<CMProperty*>(other)->name; }

    CXString getName() const { return name; }
    void setName(const CXString& n) { name = n; }
    CXString getValue() const { return value; }
    void setValue(const CXString& v) { value = v; }

    int getIntValue() const { return value.toNumber(); }
    bool getBoolValue() const { return value.toBool(); }
    double getDoubleValue() const { return value.toDouble(); }
    // New list of new strings split at ',', blank, CR and LF; the caller
    // releases it with CXString::releaseToVector.
    CXArray* getListValue() const { return value.toVector(); }
    CXPoint getPointValue() const;
    CXSize getSizeValue() const;
    CXRect getRectValue() const;

private:
    CXString name;
    CXString value;
};

// Ordered properties of a record; the same name may occur more than once.
// Owns its properties. A record has a handful; the list starts small and
// grows, so that a file of many records does not hold mostly empty slots.
class CMProperties : public CXVector {
public:
    CMProperties() : CXVector(8, 0.75f) {}
    ~CMProperties() override;
    // Takes the property out and deletes it.
    void remove(CXObject* item) override;
    CMProperty* get(const CXString& name) const;
    CMProperty* getAt(int index) const { return static_cast<CMProperty*>(at(index)); }
};

class CMElements;

// A named definition record: ordered properties and child records. Object
// constructors read their settings through the typed getters, which find the
// first property of a name and convert its text on every call.
class CMElement : public CXObject {
public:
    explicit CMElement(const CXString& name);
    ~CMElement() override;
    CMElement(const CMElement&) = delete;
    CMElement& operator=(const CMElement&) = delete;

    CXString getName() const { return name; }
    void setName(const CXString& n) { name = n; }
    CMProperties* getProperties() { return properties; }
    CMElements* getChildren() { return children; }

    CXString getPropertyValue(const CXString& key) const;
    bool isPropertyAvailable(const CXString& key) const { return properties->get(key) != nullptr; }
    bool hasProperty(const CXString& key) const; // the key upper-cased first
    void addProperty(const CXString& key); // only when absent, empty value
    void addProperty(const CXString& key, const CXString& value); // always appends
    void setProperty(const CXString& key, const CXString& value); // first only, never adds
    void removeProperty(const CXString& key);
    void removeAll();
    void addChild(CMElement* child);

    int getPropertyIntValue(const CXString& key) const;
    bool getPropertyBoolValue(const CXString& key) const;
    double getPropertyDoubleValue(const CXString& key) const;
    CXArray* getPropertyListValue(const CXString& key) const; // null when absent
    CXPoint getPropertyPointValue(const CXString& key) const;
    CXSize getPropertySizeValue(const CXString& key) const;
    CXRect getPropertyRectValue(const CXString& key) const;

private:
    CXString name;
    CMProperties* properties;
    CMElements* children;
};

// A list of records; an owning list deletes its records with itself. Every
// record has a child list, nearly always empty: it starts small and grows.
class CMElements : public CXVector {
public:
    explicit CMElements(bool owns);
    ~CMElements() override;
    // Takes the record out and deletes it.
    void remove(CXObject* item) override;
    CMElement* get(const CXString& name) const;
    bool contains(const CXString& name) const { return get(name) != nullptr; }
    CMElement* getAt(int index) const { return static_cast<CMElement*>(at(index)); }
    bool isOwning() const { return owns; }
    // The definition file the records were read from, in the engine's form
    // (empty for records made otherwise).
    CXString getSource() const { return source; }
    void setSource(const CXString& file) { source = file; }
    // The file held bytes that no definition text holds (it is damaged, or
    // no definition file at all); the records are what could be read.
    bool isDamaged() const { return damaged; }
    void setDamaged(bool d) { damaged = d; }

private:
    bool owns;
    CXString source;
    bool damaged = false;
};

// Builds display objects straight from a record ("IMAGE", "ANIMO",
// "SEQUENCE"). The graphics and animation subsystems install the makers;
// without them nothing is made.
class CMElementCreator {
public:
    using ObjectMaker = CXObject* (*)(CWindow*, CMElement*);
    using PlayableMaker = CPlayable* (*)(CWindow*, CMElement*);

    static CXObject* createObject(CWindow* window, CMElement* element);
    static CPlayable* createPlayable(CWindow* window, CMElement* element);

    // Makers by record type: an image for "IMAGE"; for "ANIMO" and "SEQUENCE".
    static void setImageMaker(ObjectMaker maker);
    static void setAnimoMaker(PlayableMaker maker);
    static void setSequenceMaker(PlayableMaker maker);
};
