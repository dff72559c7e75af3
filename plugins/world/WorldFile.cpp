#include "world/WorldFile.h"

#include "base/Archive.h"
#include "base/File.h"

#include <cmath>
#include <cstring>
#include <set>

namespace {

// Reads through the serializer, whose error flag sticks: the first short
// read makes every later one zero, and the caller tests it once.
class Reader {
public:
    explicit Reader(CFile* f) : file(f), ar(f, false) {}
    uint32_t u32()
    {
        uint32_t v = 0;
        ar >> &v;
        return v;
    }
    float f32()
    {
        uint32_t bits = u32();
        float v;
        std::memcpy(&v, &bits, sizeof v);
        if (!std::isfinite(v))
            bad = true;
        return v;
    }
    // A count of entries; a short file ends the reading of them at once
    // (the error sticks), so a count up to MAX_COUNT costs little memory.
    uint32_t count()
    {
        uint32_t n = u32();
        if (n > WorldFile::MAX_COUNT)
            bad = true;
        return failed() ? 0 : n;
    }
    bool failed() { return bad || ar.LastError() != 0; }
    bool atEnd()
    {
        char extra;
        return file->Read(&extra, 1) == 0;
    }

    bool bad = false;

private:
    CFile* file;
    CXArchive ar;
};

class Writer {
public:
    explicit Writer(CFile* f) : ar(f, true) {}
    void u32(uint32_t v) { ar << v; }
    void f32(float v)
    {
        uint32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        ar << bits;
    }
    bool ok() { return ar.LastError() == 0; }

private:
    CXArchive ar;
};

bool coord(float v) { return std::fabs(v) <= WorldFile::MAX_COORD; }
bool size(float v) { return v >= WorldFile::MIN_SIZE && v <= WorldFile::MAX_SIZE; }
bool amount(float v) { return v >= 0 && v <= WorldFile::MAX_COORD; }

bool valid(const WorldFileObject& o)
{
    return o.type <= 2 && o.shape <= 1 && coord(o.x) && coord(o.y) && coord(o.angle) && size(o.sx) &&
           (o.shape == 0 || size(o.sy)) && WorldFile::densityOk(o.density) && amount(o.friction) && amount(o.bounce) &&
           amount(o.maxSpeed);
}

bool valid(const WorldFileHinge& h)
{
    return coord(h.x) && coord(h.y) && coord(h.lower) && coord(h.upper) && h.lower <= h.upper && h.flags <= 7 &&
           coord(h.motorSpeed) && amount(h.maxTorque);
}

} // namespace

bool WorldFile::read(CFile* file)
{
    *this = WorldFile();
    if (!file)
        return false;
    Reader in(file);
    if (in.u32() != MAGIC || in.u32() != VERSION)
        return false;
    gravityX = in.f32();
    gravityY = in.f32();
    timeStep = in.f32();
    if (in.failed() || !coord(gravityX) || !coord(gravityY) || !(timeStep > 0 && timeStep <= 1)) {
        *this = WorldFile();
        return false;
    }
    std::set<uint32_t> ids;
    bool ok = true;
    objects.resize(in.count());
    for (WorldFileObject& o : objects) {
        o.id = in.u32();
        o.type = in.u32();
        o.shape = in.u32();
        for (float* f : {&o.x, &o.y, &o.angle, &o.sx, &o.sy, &o.density, &o.friction, &o.bounce, &o.maxSpeed})
            *f = in.f32();
        ok = ok && !in.failed() && valid(o) && ids.insert(o.id).second;
        if (!ok)
            break;
    }
    hinges.resize(ok ? in.count() : 0);
    for (WorldFileHinge& h : hinges) {
        h.id = in.u32();
        h.a = in.u32();
        h.b = in.u32();
        h.x = in.f32();
        h.y = in.f32();
        h.lower = in.f32();
        h.upper = in.f32();
        h.flags = in.u32();
        h.motorSpeed = in.f32();
        h.maxTorque = in.f32();
        ok = ok && !in.failed() && valid(h) && h.a != h.b && ids.count(h.a) && ids.count(h.b);
        if (!ok)
            break;
    }
    wayPoints.resize(ok ? in.count() : 0);
    for (WorldFileWayPoint& w : wayPoints) {
        w.id = in.u32();
        w.x = in.f32();
        w.y = in.f32();
        ok = ok && !in.failed() && coord(w.x) && coord(w.y);
        if (!ok)
            break;
    }
    if (!ok || in.failed() || !in.atEnd()) {
        *this = WorldFile();
        return false;
    }
    return true;
}

bool WorldFile::write(CFile* file) const
{
    if (!file)
        return false;
    Writer out(file);
    out.u32(MAGIC);
    out.u32(VERSION);
    out.f32(gravityX);
    out.f32(gravityY);
    out.f32(timeStep);
    out.u32(uint32_t(objects.size()));
    for (const WorldFileObject& o : objects) {
        out.u32(o.id);
        out.u32(o.type);
        out.u32(o.shape);
        for (float f : {o.x, o.y, o.angle, o.sx, o.sy, o.density, o.friction, o.bounce, o.maxSpeed})
            out.f32(f);
    }
    out.u32(uint32_t(hinges.size()));
    for (const WorldFileHinge& h : hinges) {
        out.u32(h.id);
        out.u32(h.a);
        out.u32(h.b);
        for (float f : {h.x, h.y, h.lower, h.upper})
            out.f32(f);
        out.u32(h.flags);
        out.f32(h.motorSpeed);
        out.f32(h.maxTorque);
    }
    out.u32(uint32_t(wayPoints.size()));
    for (const WorldFileWayPoint& w : wayPoints) {
        out.u32(w.id);
        out.f32(w.x);
        out.f32(w.y);
    }
    return out.ok();
}
