#include "collections/MultiArray.h"

#include "base/Archive.h"
#include "base/File.h"
#include "base/LoadBounds.h"
#include "base/ReplacingFile.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/String.h"
#include "script/TypeRegistry.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

#include <cstdint>

namespace {

CMC_Object* makeMultiArray(CMC_ObjectsContainer* container, CMElement* element)
{
    return new CMC_MultiArray(container, element);
}

CMC_RegisterType typeRegistration("MULTIARRAY", 3, &makeMultiArray);
CMC_RegisterRunner<CMC_MultiArray_Runner> runnerRegistration({MC_MULTIARRAY});

void deleteAll(std::vector<CMC_Variable*>& cells)
{
    for (CMC_Variable*& v : cells) {
        delete v;
        v = nullptr;
    }
}

// Sizes within the limits: each at least 1, the product within MAX_CELLS
// and the first two within MAX_SLOTS.
bool fits(const std::vector<int>& sizes, int64_t* product)
{
    int64_t p = 1;
    for (int s : sizes) {
        if (s < 1)
            return false;
        p *= s;
        if (p > CMC_MultiArray::MAX_CELLS)
            return false;
    }
    *product = p;
    return int64_t(sizes[0]) * sizes[1] <= CMC_MultiArray::MAX_SLOTS;
}

} // namespace

CMC_MultiArray::CMC_MultiArray(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_MULTIARRAY), cellCount(0), dimensions(0)
{
    reset(element ? element->getPropertyIntValue(CXString("DIMENSIONS")) : MIN_DIMENSIONS);
    initializeBehaviours(container, element);
}

CMC_MultiArray::CMC_MultiArray(CMC_ObjectsContainer* container, const CXString& n)
    : CMC_Object(n, MC_MULTIARRAY), cellCount(0), dimensions(0)
{
    scene = container;
    reset(MIN_DIMENSIONS);
}

CMC_MultiArray::~CMC_MultiArray() { deleteAll(cells); }

// Fewer than two dimensions would leave the second coordinate without a
// size; more than the maximum would make the grid too large.
void CMC_MultiArray::reset(int dimensionCount)
{
    dimensions = dimensionCount < MIN_DIMENSIONS ? MIN_DIMENSIONS
                 : dimensionCount > MAX_DIMENSIONS ? MAX_DIMENSIONS
                                                   : dimensionCount;
    sizes.assign(size_t(dimensions), INITIAL_SIZE);
    cellCount = 1;
    for (int d = 0; d < dimensions; ++d)
        cellCount *= INITIAL_SIZE;
    deleteAll(cells);
    cells.assign(size_t(INITIAL_SIZE) * INITIAL_SIZE, nullptr);
}

CXString** CMC_MultiArray::getBehavioursList()
{
    static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", nullptr};
    return makeEventList(names);
}

void CMC_MultiArray::removeAll() { deleteAll(cells); }

int CMC_MultiArray::coordinate(const int* coords, int count, int dimension)
{
    return coords && dimension < count ? coords[dimension] : 0;
}

bool CMC_MultiArray::validateSize(const int* coords, int count)
{
    std::vector<int> grown(sizes);
    bool changed = false;
    for (int d = 0; d < dimensions; ++d) {
        int c = coordinate(coords, count, d);
        if (c < 0)
            return false;
        int64_t s = grown[size_t(d)];
        while (s <= c && s <= MAX_CELLS)
            s *= 2;
        if (s > MAX_CELLS)
            return false;
        changed = changed || s != grown[size_t(d)];
        grown[size_t(d)] = int(s);
    }
    if (!changed)
        return true;
    int64_t product = 0;
    if (!fits(grown, &product))
        return false;
    // Each value keeps its first two coordinates under the new row length.
    std::vector<CMC_Variable*> moved(size_t(grown[0]) * size_t(grown[1]), nullptr);
    size_t oldRow = size_t(sizes[0]), newRow = size_t(grown[0]);
    for (size_t i = 0; i < cells.size(); ++i)
        if (cells[i])
            moved[i % oldRow + i / oldRow * newRow] = cells[i];
    cells.swap(moved);
    sizes.swap(grown);
    cellCount = int(product);
    return true;
}

int CMC_MultiArray::getIndex(const int* coords, int count)
{
    int c0 = coordinate(coords, count, 0);
    int c1 = coordinate(coords, count, 1);
    for (int d = 0; d < count && d < dimensions; ++d)
        if (coords[d] < 0)
            return -1;
    int64_t index = int64_t(c0) + int64_t(c1) * sizes[0];
    return index < int64_t(cells.size()) ? int(index) : -1;
}

void CMC_MultiArray::set(const int* coords, int count, CMC_Variable* value)
{
    // Cells hold basic values only: anything else has no file form.
    if (!value || isStopValue(value) || !CMC_Variable::isBasicType(value->getType()))
        return;
    if (!validateSize(coords, count))
        return;
    int index = getIndex(coords, count);
    if (index < 0)
        return;
    delete cells[size_t(index)];
    cells[size_t(index)] = static_cast<CMC_Variable*>(value->clone());
}

CMC_Variable* CMC_MultiArray::get(const int* coords, int count)
{
    int index = getIndex(coords, count);
    return index < 0 ? nullptr : cells[size_t(index)];
}

int CMC_MultiArray::count(CMC_Variable* value)
{
    int n = 0;
    for (CMC_Variable* cell : cells)
        if (cell && cell->equals(value))
            ++n;
    return n;
}

int CMC_MultiArray::getSize(int dimension)
{
    return dimension >= 0 && dimension < dimensions ? sizes[size_t(dimension)] : 0;
}

void CMC_MultiArray::save(const CXString& fileName)
{
    CReplacingFile file;
    if (file.Open(scene ? scene->getWindow() : nullptr, fileName,
                  CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_BINARY) != 0)
        return;
    CXArchive ar(&file, true);
    writeGrid(ar);
    if (ar.LastError() == 0)
        file.commit();
}

void CMC_MultiArray::load(const CXString& fileName)
{
    CFile file;
    if (file.Open(scene ? scene->getWindow() : nullptr, fileName, CFile::MODE_READ | CFile::MODE_BINARY) != 0)
        return;
    CXArchive ar(&file, false);
    readGrid(ar);
}

void CMC_MultiArray::serializeState(CXArchive* ar)
{
    if (ar->isStoring()) {
        *ar << name;
        writeGrid(*ar);
        return;
    }
    *ar >> &name;
    readGrid(*ar);
}

void CMC_MultiArray::writeGrid(CXArchive& ar)
{
    ar << dimensions;
    for (int s : sizes)
        ar << s;
    for (size_t i = 0; i < cells.size(); ++i) {
        if (cells[i]) {
            ar << int(i);
            cells[i]->store(&ar);
        }
    }
    ar << cellCount;
}

// The grid is read into one of its own, which takes the place of this one
// only when every record was read.
void CMC_MultiArray::readGrid(CXArchive& ar)
{
    int d = 0;
    ar >> &d;
    if (ar.LastError() || d < MIN_DIMENSIONS || d > MAX_DIMENSIONS)
        return;
    std::vector<int> read(size_t(d), 0);
    for (int& s : read)
        ar >> &s;
    int64_t product = 0;
    if (ar.LastError() || !fits(read, &product))
        return;
    // Past what the file being loaded may ask for, the cells are read and
    // not kept.
    bool kept = CLoadBounds::claim(int64_t(read[0]) * read[1], sizeof(CMC_Variable*));
    std::vector<CMC_Variable*> fresh(kept ? size_t(read[0]) * size_t(read[1]) : 0, nullptr);
    bool complete = false;
    for (int64_t k = 0; k < product; ++k) {
        int index = -1;
        ar >> &index;
        if (ar.LastError() || index < 0)
            break;
        if (index >= product) {
            complete = true; // the end mark
            break;
        }
        CMC_Variable* value = CMC_VariableFactory::restore(&ar);
        if (!value)
            break;
        // Slots past the first two dimensions are never written; such a
        // record is skipped.
        kept = kept && CLoadBounds::claim(CLoadBounds::VALUE_BYTES);
        if (kept && size_t(index) < fresh.size()) {
            delete fresh[size_t(index)];
            fresh[size_t(index)] = static_cast<CMC_Variable*>(value->clone());
        }
        CMC_Object::flush(value);
        complete = k + 1 == product;
    }
    if (!complete || !kept) {
        deleteAll(fresh);
        return;
    }
    deleteAll(cells);
    cells.swap(fresh);
    sizes.swap(read);
    dimensions = d;
    cellCount = int(product);
}

void CMC_MultiArray_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    static const char* const names[] = {"SET", "GET", "GETSIZE", "COUNT", "LOAD", "SAVE", "SAFEGET"};
    for (int i = 0; i < int(sizeof names / sizeof names[0]); ++i)
        registerMethod(names[i], SET + i);
}

int CMC_MultiArray_Runner::readCoordinates(CXVector* args, int first, int last, int* coords)
{
    int n = 0;
    for (int i = first; i < last && n < CMC_MultiArray::MAX_DIMENSIONS; ++i)
        coords[n++] = getParameterInteger(args, i)->getValue();
    return n;
}

// A call without the arguments a method needs does nothing.
CMC_Variable* CMC_MultiArray_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container,
                                         CXVector* args)
{
    if (!object || object->getType() != MC_MULTIARRAY)
        return CMC_Runner::run(id, object, container, args);
    CMC_MultiArray* grid = static_cast<CMC_MultiArray*>(object);
    int argc = getArgCount(args);
    int coords[CMC_MultiArray::MAX_DIMENSIONS] = {};
    switch (id) {
    case SET:
        if (argc >= 2) {
            int n = readCoordinates(args, 0, argc - 1, coords);
            grid->set(coords, n, getParameter(args, argc - 1));
        }
        return nullptr;
    case GET:
    case SAFEGET: {
        if (argc < 1)
            return nullptr;
        int n = readCoordinates(args, 0, argc, coords);
        CMC_Variable* value = grid->get(coords, n);
        if (value)
            return CMC_VariableFactory::copyVariable(value);
        if (id == GET)
            return CMC_String::temporary(CXString("NULL"));
        return CMC_Integer::temporary(0);
    }
    case GETSIZE:
        if (argc < 1)
            return nullptr;
        return CMC_Integer::temporary(grid->getSize(getParameterInteger(args, 0)->getValue()));
    case COUNT:
        if (argc < 1)
            return nullptr;
        return CMC_Integer::temporary(grid->count(getParameter(args, 0)));
    case LOAD:
        if (argc >= 1)
            grid->load(getParameterString(args, 0)->getValue());
        return nullptr;
    case SAVE:
        if (argc >= 1)
            grid->save(getParameterString(args, 0)->getValue());
        return nullptr;
    default:
        return CMC_Runner::run(id, object, container, args);
    }
}
