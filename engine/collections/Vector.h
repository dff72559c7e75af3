#pragma once
#include "script/Object.h"
#include "script/Runner.h"

#include <vector>

// Script VECTOR (type 2016): a mathematical vector of doubles with any
// number of components. Its text form is the components as CXString writes
// doubles, joined by ","; an empty vector is the empty text.
//
// Indices and sizes are checked: an index outside the vector reads 0.0 and
// writes nothing, extra values are ignored, a component a definition's
// "VALUE" list lacks is 0.0, and sizes are limited to MAX_SIZE.
class CMC_Vector : public CMC_Object {
public:
    enum { MAX_SIZE = 1 << 20 };

    // "SIZE" components, filled from the "VALUE" list.
    CMC_Vector(CMC_ObjectsContainer* container, CMElement* element);
    // A copy of source named "clone" in the same scene; with no source (a
    // snapshot restore) an empty vector that serialize fills.
    explicit CMC_Vector(CMC_Vector* source);
    CMC_Vector(const CMC_Vector&) = delete;
    CMC_Vector& operator=(const CMC_Vector&) = delete;

    CXObject* clone() override { return new CMC_Vector(this); }
    using CMC_Object::clone;
    CXString toString() override;
    CXString** getBehavioursList() override;
    // After the base record: the size and the components in thousandths.
    void serialize(CXArchive* archive) override;

    int getSize() const { return int(values.size()); }
    // 0.0 outside the vector.
    double get(int i) const;
    // Nothing outside the vector.
    void set(int i, double value);

    // The components both have.
    void assign(CMC_Vector* w);
    // Only for a vector of the same size.
    void add(CMC_Vector* w);
    void sub(CMC_Vector* w);
    void neg();
    // 0.0 for different sizes or none.
    double dot(CMC_Vector* w);
    void scale(double k);
    double length();
    // A zero vector gets NaN components.
    void normalize();
    // r[i] = 2 (v.n) n[i] - v[i], where v.n is 0.0 for different sizes and a
    // component n lacks is 0.0; components of r beyond this vector stay.
    void reflect(CMC_Vector* n, CMC_Vector* r);
    // Grows to n components with zeros in front of the old ones; fewer
    // components than there are leave the vector as it is.
    void expand(int n);
    // Computes nothing.
    void vmul(CMC_Vector*, CMC_Vector*) {}

private:
    std::vector<double> values;
};

class CMC_Vector_Runner : public CMC_Runner {
public:
    enum {
        ADD = 1,
        GET = 2,
        GETSIZE = 3,
        VMUL = 4,
        SMUL = 5,
        MUL = 6,
        LEN = 7,
        NORMALIZE = 8,
        REFLECT = 9,
        EXPAND = 10,
        SET = 11,
        ASSIGN = 12,
        SUB = 13,
        NEG = 14
    };

    void prepareMthHashSet() override;
    // Vector arguments are VECTOR objects themselves; any other argument
    // where a vector belongs is skipped (SMUL gives 0.0). Methods missing
    // a required argument do nothing.
    CMC_Variable* run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args) override;
    using CMC_Runner::run;

private:
    static CMC_Vector* vectorArgument(CXVector* args, int index);
    CMC_Variable* set(CMC_Vector* v, CXVector* args);
};
