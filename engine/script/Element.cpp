#include "script/Element.h"

#include "base/StringTokenizer.h"

namespace {
// The numbers of a point, size or rectangle value: the list pieces, read as
// integers; missing pieces read as 0.
void listNumbers(const CXString& value, int* out, int n)
{
    CStringTokenizer t(value, ", \n\r");
    for (int i = 0; i < n; ++i)
        out[i] = t.nextToken().toNumber();
}

CMElementCreator::ObjectMaker imageMaker = nullptr;
CMElementCreator::PlayableMaker animoMaker = nullptr;
CMElementCreator::PlayableMaker sequenceMaker = nullptr;
} // namespace

CXPoint CMProperty::getPointValue() const
{
    int v[2];
    listNumbers(value, v, 2);
    return CXPoint(v[0], v[1]);
}

CXSize CMProperty::getSizeValue() const
{
    int v[2];
    listNumbers(value, v, 2);
    return CXSize(v[0], v[1]);
}

CXRect CMProperty::getRectValue() const
{
    int v[4];
    listNumbers(value, v, 4);
    return CXRect(v[0], v[1], v[2], v[3]);
}

CMProperties::~CMProperties()
{
    for (int i = 0; i < count; ++i)
        delete static_cast<CMProperty*>(items[i]);
}

void CMProperties::remove(CXObject* item)
{
    int i = find(item);
    if (i < 0)
        return;
    removeAt(i);
    delete static_cast<CMProperty*>(item);
}

CMProperty* CMProperties::get(const CXString& name) const
{
    for (int i = 0; i < count; ++i) {
        CMProperty* p = static_cast<CMProperty*>(items[i]);
        if (p->getName() == name)
            return p;
    }
    return nullptr;
}

CMElement::CMElement(const CXString& n) : name(n), properties(new CMProperties), children(new CMElements(false)) {}

CMElement::~CMElement()
{
    delete properties;
    delete children;
}

CXString CMElement::getPropertyValue(const CXString& key) const
{
    CMProperty* p = properties->get(key);
    return p ? p->getValue() : CXString();
}

bool CMElement::hasProperty(const CXString& key) const
{
    CXString upper(key);
    upper.Upper();
    return properties->get(upper) != nullptr;
}

void CMElement::addProperty(const CXString& key)
{
    if (!properties->get(key))
        properties->add(new CMProperty(key));
}

void CMElement::addProperty(const CXString& key, const CXString& value)
{
    properties->add(new CMProperty(key, value));
}

void CMElement::setProperty(const CXString& key, const CXString& value)
{
    if (CMProperty* p = properties->get(key))
        p->setValue(value);
}

void CMElement::removeProperty(const CXString& key)
{
    if (CMProperty* p = properties->get(key))
        properties->remove(p);
}

void CMElement::removeAll()
{
    while (properties->getSize() > 0)
        properties->remove(properties->at(properties->getSize() - 1));
}

void CMElement::addChild(CMElement* child)
{
    children->add(child);
}

int CMElement::getPropertyIntValue(const CXString& key) const
{
    CMProperty* p = properties->get(key);
    return p ? p->getIntValue() : 0;
}

bool CMElement::getPropertyBoolValue(const CXString& key) const
{
    CMProperty* p = properties->get(key);
    return p ? p->getBoolValue() : false;
}

double CMElement::getPropertyDoubleValue(const CXString& key) const
{
    CMProperty* p = properties->get(key);
    return p ? p->getDoubleValue() : 0.0;
}

CXArray* CMElement::getPropertyListValue(const CXString& key) const
{
    CMProperty* p = properties->get(key);
    return p ? p->getListValue() : nullptr;
}

CXPoint CMElement::getPropertyPointValue(const CXString& key) const
{
    CMProperty* p = properties->get(key);
    return p ? p->getPointValue() : CXPoint();
}

CXSize CMElement::getPropertySizeValue(const CXString& key) const
{
    CMProperty* p = properties->get(key);
    return p ? p->getSizeValue() : CXSize();
}

CXRect CMElement::getPropertyRectValue(const CXString& key) const
{
    CMProperty* p = properties->get(key);
    return p ? p->getRectValue() : CXRect();
}

CMElements::CMElements(bool owning) : CXVector(8, 0.75f), owns(owning) {}

CMElements::~CMElements()
{
    if (owns)
        for (int i = 0; i < count; ++i)
            delete static_cast<CMElement*>(items[i]);
}

void CMElements::remove(CXObject* item)
{
    int i = find(item);
    if (i < 0)
        return;
    removeAt(i);
    delete static_cast<CMElement*>(item);
}

CMElement* CMElements::get(const CXString& name) const
{
    for (int i = 0; i < count; ++i) {
        CMElement* e = static_cast<CMElement*>(items[i]);
        if (e->getName() == name)
            return e;
    }
    return nullptr;
}

CXObject* CMElementCreator::createObject(CWindow* window, CMElement* element)
{
    if (!element || !imageMaker)
        return nullptr;
    if (element->getPropertyValue("TYPE") == "IMAGE" && element->getPropertyValue("FILENAME").IsString())
        return imageMaker(window, element);
    return nullptr;
}

CPlayable* CMElementCreator::createPlayable(CWindow* window, CMElement* element)
{
    if (!element)
        return nullptr;
    CXString type = element->getPropertyValue("TYPE");
    if (type == "ANIMO" && element->getPropertyValue("FILENAME").IsString())
        return animoMaker ? animoMaker(window, element) : nullptr;
    if (type == "SEQUENCE")
        return sequenceMaker ? sequenceMaker(window, element) : nullptr;
    return nullptr;
}

void CMElementCreator::setImageMaker(ObjectMaker maker) { imageMaker = maker; }
void CMElementCreator::setAnimoMaker(PlayableMaker maker) { animoMaker = maker; }
void CMElementCreator::setSequenceMaker(PlayableMaker maker) { sequenceMaker = maker; }
