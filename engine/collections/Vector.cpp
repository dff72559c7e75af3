#include "collections/Vector.h"

#include "base/Archive.h"
#include "base/LoadBounds.h"
#include "script/Element.h"
#include "script/RunnerFactory.h"
#include "script/TypeRegistry.h"
#include "script/Values.h"

#include <cmath>

namespace {

CMC_Object* makeVector(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_Vector(c, e); }

CMC_RegisterType typeRegistration("VECTOR", 5, &makeVector);
CMC_RegisterRunner<CMC_Vector_Runner> runnerRegistration({MC_VECTOR});

const struct {
    const char* name;
    int id;
} methodNames[] = {
    {"ADD", CMC_Vector_Runner::ADD},
    {"GET", CMC_Vector_Runner::GET},
    {"GETSIZE", CMC_Vector_Runner::GETSIZE},
    {"VMUL", CMC_Vector_Runner::VMUL},
    {"SMUL", CMC_Vector_Runner::SMUL},
    {"MUL", CMC_Vector_Runner::MUL},
    {"LEN", CMC_Vector_Runner::LEN},
    {"NORMALIZE", CMC_Vector_Runner::NORMALIZE},
    {"REFLECT", CMC_Vector_Runner::REFLECT},
    {"EXPAND", CMC_Vector_Runner::EXPAND},
    {"SET", CMC_Vector_Runner::SET},
    {"ASSIGN", CMC_Vector_Runner::ASSIGN},
    {"SUB", CMC_Vector_Runner::SUB},
    {"NEG", CMC_Vector_Runner::NEG},
};

int limitedSize(int n) { return n < 0 ? 0 : (n > CMC_Vector::MAX_SIZE ? int(CMC_Vector::MAX_SIZE) : n); }

} // namespace

CMC_Vector::CMC_Vector(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_VECTOR)
{
    if (element) {
        const int size = limitedSize(element->getPropertyIntValue(CXString("SIZE")));
        if (CLoadBounds::claim(size, sizeof(double)))
            values.assign(size_t(size), 0.0);
        if (CXArray* list = element->getPropertyListValue(CXString("VALUE"))) {
            for (int i = 0; i < list->getSize() && i < getSize(); ++i)
                values[size_t(i)] = static_cast<CXString*>((*list)[i])->toDouble();
            CXString::releaseToVector(list);
        }
    }
    initializeBehaviours(container, element);
}

CMC_Vector::CMC_Vector(CMC_Vector* source) : CMC_Object(CXString("clone"), MC_VECTOR)
{
    if (source) {
        scene = source->scene;
        values = source->values;
    }
}

CXString CMC_Vector::toString()
{
    CXString text;
    for (size_t i = 0; i < values.size(); ++i) {
        if (i > 0)
            text += ",";
        text += CXString::toString(values[i]);
    }
    return text;
}

CXString** CMC_Vector::getBehavioursList()
{
    static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", nullptr};
    return makeEventList(names);
}

// The size comes from the file: components are read only while the file
// has them, and those beyond MAX_SIZE are read past.
void CMC_Vector::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << getSize();
        for (double d : values)
            *archive << d;
        return;
    }
    int size = 0;
    *archive >> &size;
    values.clear();
    // Values past what the file may ask for are read, not kept.
    const bool kept = CLoadBounds::claim(limitedSize(size), sizeof(double));
    for (int i = 0; i < size && !archive->LastError(); ++i) {
        double d = 0.0;
        *archive >> &d;
        if (!archive->LastError() && kept && i < MAX_SIZE)
            values.push_back(d);
    }
}

double CMC_Vector::get(int i) const { return i >= 0 && i < getSize() ? values[size_t(i)] : 0.0; }

void CMC_Vector::set(int i, double value)
{
    if (i >= 0 && i < getSize())
        values[size_t(i)] = value;
}

void CMC_Vector::assign(CMC_Vector* w)
{
    for (int i = 0; w && i < getSize() && i < w->getSize(); ++i)
        values[size_t(i)] = w->values[size_t(i)];
}

void CMC_Vector::add(CMC_Vector* w)
{
    if (!w || w->getSize() != getSize())
        return;
    for (size_t i = 0; i < values.size(); ++i)
        values[i] += w->values[i];
}

void CMC_Vector::sub(CMC_Vector* w)
{
    if (!w || w->getSize() != getSize())
        return;
    for (size_t i = 0; i < values.size(); ++i)
        values[i] -= w->values[i];
}

void CMC_Vector::neg()
{
    for (double& d : values)
        d = -d;
}

double CMC_Vector::dot(CMC_Vector* w)
{
    if (!w || w->getSize() != getSize())
        return 0.0;
    double sum = 0.0;
    for (size_t i = 0; i < values.size(); ++i)
        sum += values[i] * w->values[i];
    return sum;
}

void CMC_Vector::scale(double k)
{
    for (double& d : values)
        d = k * d;
}

double CMC_Vector::length()
{
    double sum = 0.0;
    for (double d : values)
        sum += d * d;
    return std::sqrt(sum);
}

void CMC_Vector::normalize()
{
    double l = length();
    for (double& d : values)
        d = d / l;
}

// r may be this vector or n: the product is taken first and each component
// of r is written after its own inputs were read.
void CMC_Vector::reflect(CMC_Vector* n, CMC_Vector* r)
{
    if (!n || !r)
        return;
    double d = dot(n);
    for (int i = 0; i < r->getSize() && i < getSize(); ++i)
        r->values[size_t(i)] = 2 * d * n->get(i) - values[size_t(i)];
}

void CMC_Vector::expand(int n)
{
    n = limitedSize(n);
    if (n <= getSize())
        return;
    values.insert(values.begin(), size_t(n - getSize()), 0.0);
}

void CMC_Vector_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    for (const auto& m : methodNames)
        registerMethod(m.name, m.id);
}

CMC_Vector* CMC_Vector_Runner::vectorArgument(CXVector* args, int index)
{
    if (index < 0 || index >= getArgCount(args))
        return nullptr;
    CXObject* raw = (*args)[index];
    if (!raw || isStopValue(raw) || static_cast<CMC_Object*>(raw)->getType() != MC_VECTOR)
        return nullptr;
    return static_cast<CMC_Vector*>(raw);
}

CMC_Variable* CMC_Vector_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_VECTOR)
        return CMC_Runner::run(id, object, container, args);
    CMC_Vector* v = static_cast<CMC_Vector*>(object);
    int argc = getArgCount(args);
    switch (id) {
    case ADD:
    case SUB:
        for (int i = 0; i < argc; ++i) {
            CMC_Vector* w = vectorArgument(args, i);
            if (id == ADD)
                v->add(w);
            else
                v->sub(w);
        }
        return nullptr;
    case GET:
        if (argc < 1)
            return nullptr;
        return CMC_Double::temporary(v->get(getParameterInteger(args, 0)->getValue()));
    case GETSIZE: return CMC_Integer::temporary(v->getSize());
    case VMUL: v->vmul(vectorArgument(args, 0), vectorArgument(args, 1)); return nullptr;
    case SMUL:
        if (argc < 1)
            return nullptr;
        return CMC_Double::temporary(v->dot(vectorArgument(args, 0)));
    case MUL:
        if (argc > 0)
            v->scale(getParameterDouble(args, 0)->getValue());
        return nullptr;
    case LEN: return CMC_Double::temporary(v->length());
    case NORMALIZE: v->normalize(); return nullptr;
    case REFLECT: v->reflect(vectorArgument(args, 0), vectorArgument(args, 1)); return nullptr;
    case EXPAND:
        if (argc > 0)
            v->expand(getParameterInteger(args, 0)->getValue());
        return nullptr;
    case SET: return set(v, args);
    case ASSIGN:
        for (int i = 0; i < argc && i < v->getSize(); ++i)
            v->set(i, getParameterDouble(args, i)->getValue());
        return nullptr;
    case NEG: v->neg(); return nullptr;
    default: return CMC_Runner::run(id, object, container, args);
    }
}

// One VECTOR argument: its components; one value: every component; two or
// more: component (argument 0) becomes argument 1.
CMC_Variable* CMC_Vector_Runner::set(CMC_Vector* v, CXVector* args)
{
    int argc = getArgCount(args);
    if (argc == 1) {
        if (CMC_Vector* w = vectorArgument(args, 0)) {
            v->assign(w);
        } else {
            double d = getParameterDouble(args, 0)->getValue();
            for (int i = 0; i < v->getSize(); ++i)
                v->set(i, d);
        }
    } else if (argc >= 2) {
        int index = getParameterInteger(args, 0)->getValue();
        v->set(index, getParameterDouble(args, 1)->getValue());
    }
    return nullptr;
}
