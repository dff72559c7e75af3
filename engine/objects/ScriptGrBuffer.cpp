#include "objects/ScriptGrBuffer.h"

#include "base/Archive.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Surface.h"
#include "graphics/Window.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "script/TypeRegistry.h"
#include "script/Values.h"
#include "script/VariableFactory.h"

#include <algorithm>
#include <cstring>

namespace {

CMC_Object* makeGrBuffer(CMC_ObjectsContainer* c, CMElement* e) { return new CMC_GrBuffer(c, e); }
// Without a restorer a scene's snapshot would end at the buffer's record,
// and every object after it would be lost.
CMC_Object* restoreGrBuffer(CMC_Scene* scene) { return new CMC_GrBuffer(scene); }
void grBufferState(CMC_Object* o, CXArchive* archive) { static_cast<CMC_GrBuffer*>(o)->serializeState(archive); }

CMC_RegisterType typeRegistration("GRBUFFER", 5, &makeGrBuffer);
CMC_RegisterSnapshotType snapshotRegistration(MC_GRBUFFER, &restoreGrBuffer, &grBufferState);
CMC_RegisterRunner<CMC_GrBuffer_Runner> runnerRegistration({MC_GRBUFFER});

} // namespace

CMC_GrBuffer::CMC_GrBuffer(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_GRBUFFER), entries(SLOTS)
{
    if (element) {
        sourceName = element->getPropertyValue(CXString("SOURCE"));
        destinationName = element->getPropertyValue(CXString("DESTINY"));
    }
    initializeBehaviours(container, element);
}

CMC_GrBuffer::CMC_GrBuffer(CMC_ObjectsContainer* container)
    : CMC_Object(CXString("temp"), MC_GRBUFFER), entries(SLOTS)
{
    scene = container;
}

CMC_GrBuffer::~CMC_GrBuffer() { flush(-1, false, false); }

void CMC_GrBuffer::init()
{
    CWindow* window = scene ? scene->getWindow() : nullptr;
    source.set(scene ? scene->getGraphicsObject(sourceName) : nullptr);
    if (destinationName == "BACKGROUND") {
        CRefreshScreen* refresh = window ? window->GetRefreshScreenInterface() : nullptr;
        destination.set(refresh ? refresh->getBackgroundIfc() : nullptr);
    } else {
        destination.set(scene ? scene->getGraphicsObject(destinationName) : nullptr);
    }
    CMC_Object::init();
}

CXString** CMC_GrBuffer::getBehavioursList()
{
    static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", nullptr};
    return makeEventList(names);
}

void CMC_GrBuffer::serializeState(CXArchive* archive)
{
    if (archive->isStoring()) {
        *archive << sourceName << destinationName;
        return;
    }
    CXString source, destination;
    *archive >> &source;
    *archive >> &destination;
    if (archive->LastError())
        return;
    sourceName = source;
    destinationName = destination;
}

grbuffer__entry* CMC_GrBuffer::entryAt(int index)
{
    return index >= 0 && index < SLOTS ? entries[size_t(index)].get() : nullptr;
}

uint16_t* CMC_GrBuffer::destinationWords(int* row)
{
    CGraphicsObject* d = destination.get();
    if (!d || d->GetCompression() != COMPRESSION_NONE || (d->GetBpp() != 15 && d->GetBpp() != 16))
        return nullptr;
    *row = std::max(d->Width(), d->GetPitch());
    return reinterpret_cast<uint16_t*>(d->GetDataPtr());
}

bool CMC_GrBuffer::fits(int x, int y, int w, int h)
{
    CGraphicsObject* d = destination.get();
    return d && x >= 0 && y >= 0 && w >= 0 && h >= 0 && int64_t(x) + w < d->Width() && int64_t(y) + h < d->Height();
}

int CMC_GrBuffer::create(CXPoint p, CXRect r)
{
    CGraphicsObject* s = source.get();
    int row = 0;
    uint16_t* words = destinationWords(&row);
    if (!s || !words)
        return -1;
    if (r.right == r.left || r.bottom == r.top)
        r = CXRect(0, 0, s->Width(), s->Height());
    const int64_t w = int64_t(r.right) - r.left, h = int64_t(r.bottom) - r.top;
    // A rectangle turned inside out has no size to stamp.
    if (w < 0 || h < 0 || !fits(p.x, p.y, int(w), int(h)))
        return -1;
    int slot = 0;
    while (slot < SLOTS && entries[size_t(slot)])
        ++slot;
    if (slot == SLOTS)
        return -1;
    std::unique_ptr<grbuffer__entry> e(new grbuffer__entry{p.x, p.y, r, {}});
    e->backup.resize(size_t(w * h));
    for (int64_t j = 0; j < h; ++j)
        std::memcpy(&e->backup[size_t(j * w)], words + (int64_t(p.y) + j) * row + p.x, size_t(w) * 2);
    entries[size_t(slot)] = std::move(e);
    return slot;
}

void CMC_GrBuffer::invalidateEntry(const grbuffer__entry& e)
{
    CWindow* window = scene ? scene->getWindow() : nullptr;
    CGraphicsObject* d = destination.get();
    if (!window || !d)
        return;
    const CXPoint at = d->GetPosition();
    CXRect area(at.x + e.x, at.y + e.y, at.x + e.x + e.rectangle.Width(), at.y + e.y + e.rectangle.Height());
    window->Invalidate(&area);
}

void CMC_GrBuffer::draw(int index, bool invalidate)
{
    grbuffer__entry* e = entryAt(index);
    CGraphicsObject* s = source.get();
    CGraphicsObject* d = destination.get();
    if (!e || !s || !d || s == d)
        return;
    // A picture linked to the other shows the same buffers: that stamp
    // too would copy the pixels onto themselves.
    CGraphicsObject* from = s->getDrawn();
    CGraphicsObject* to = d->getDrawn();
    if (from && to && from->GetDataPtr() && from->GetDataPtr() == to->GetDataPtr())
        return;
    const CXPoint position = s->getPosition();
    const CXRect clip = s->GetClippingRect();
    s->SetClippingRect(e->rectangle);
    s->setPosition(e->x, e->y);
    s->redraw(d);
    s->setPosition(position);
    s->SetClippingRect(clip);
    if (invalidate)
        invalidateEntry(*e);
}

void CMC_GrBuffer::undo(int index, bool invalidate)
{
    grbuffer__entry* e = entryAt(index);
    int row = 0;
    uint16_t* words = destinationWords(&row);
    const int w = e ? e->rectangle.Width() : 0, h = e ? e->rectangle.Height() : 0;
    // The destination may have another picture now: only one the stamp
    // still lies in takes the pixels back.
    if (!e || !words || !fits(e->x, e->y, w, h))
        return;
    for (int j = 0; j < h; ++j)
        std::memcpy(words + (int64_t(e->y) + j) * row + e->x, &e->backup[size_t(j) * size_t(w)], size_t(w) * 2);
    if (invalidate)
        invalidateEntry(*e);
}

void CMC_GrBuffer::flush(int index, bool undoFirst, bool invalidate)
{
    if (index == -1) {
        for (int i = SLOTS - 1; i >= 0; --i) {
            if (!entries[size_t(i)])
                continue;
            if (undoFirst)
                undo(i, false);
            entries[size_t(i)].reset();
        }
        CWindow* window = scene ? scene->getWindow() : nullptr;
        if (invalidate && window)
            window->Invalidate();
        return;
    }
    if (!entryAt(index))
        return;
    if (undoFirst)
        undo(index, invalidate);
    entries[size_t(index)].reset();
}

int CMC_GrBuffer::findAt(CXPoint p)
{
    for (int i = SLOTS - 1; i >= 0; --i) {
        const grbuffer__entry* e = entries[size_t(i)].get();
        if (e && CXRect(e->x, e->y, e->x + e->rectangle.Width(), e->y + e->rectangle.Height()).IsInRect(p))
            return i;
    }
    return -1;
}

// The runner

void CMC_GrBuffer_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("CREATE", CREATE);
    registerMethod("DRAW", DRAW);
    registerMethod("UNDO", UNDO);
    registerMethod("FLUSH", FLUSH);
    registerMethod("FLUSHALL", FLUSHALL);
    registerMethod("FINDAT", FINDAT);
}

CMC_Variable* CMC_GrBuffer_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer*, CXVector* args)
{
    if (!object || object->getType() != MC_GRBUFFER)
        return nullptr;
    CMC_GrBuffer* buffer = static_cast<CMC_GrBuffer*>(object);
    auto integer = [&](int i) { return getParameterInteger(args, i)->getValue(); };
    auto flag = [&](int i) { return getParameterBool(args, i)->getValue(); };
    switch (id) {
    case CREATE: {
        CXRect r(0, 0, 0, 0);
        if (getArgCount(args) > 2)
            r = CXRect(integer(2), integer(3), integer(4), integer(5));
        CMC_Integer* result = CMC_VariableFactory::allocInteger();
        result->setValue(buffer->create(CXPoint(integer(0), integer(1)), r));
        return result;
    }
    case DRAW:
        buffer->draw(integer(0), flag(1));
        return nullptr;
    case UNDO:
        buffer->undo(integer(0), flag(1));
        return nullptr;
    case FLUSH:
        buffer->flush(integer(0), flag(1), flag(2));
        return nullptr;
    case FLUSHALL:
        buffer->flush(-1, flag(0), flag(1));
        return nullptr;
    case FINDAT: {
        CMC_Integer* result = CMC_VariableFactory::allocInteger();
        result->setValue(buffer->findAt(CXPoint(integer(0), integer(1))));
        return result;
    }
    default:
        return nullptr;
    }
}
