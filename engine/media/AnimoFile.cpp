// The animation file: the current family ("NVI", "NV+", "NVP"), the packed
// family ("PAK") and the legacy family ("PIK", "PI2", "PI3"), read through
// one bounded reader, and the "NVP" writer.
//
// A file is untrusted: every count, length and table is checked against
// the bytes that are left before it is used or anything is allocated for
// it, names must be terminated, and frame data must be able to stand for
// the picture its header describes. Any shortfall rejects the whole file:
// the animation is left empty with ERROR_DAMAGED.
#include "base/File.h"
#include "base/FileReport.h"
#include "base/FileStream.h"
#include "graphics/Window.h"
#include "media/Animo.h"
#include "media/AnimoStream.h"
#include "media/Frame.h"
#include "media/Sound4.h"

#include <cstring>
#include <memory>

namespace {

CAnimo::SoundSetMaker soundSetMaker = nullptr;

const int HEADER3 = 44;
const int EVENT3 = 67;
const int RECORD3 = 30;
const int HEADER_PAK = 407;
const int EVENT_PAK = 40;
const int RECORD_PAK = 10;
const int RECORD_POS = 33;
const int PROBE = 12;

using EventPtr = std::unique_ptr<_annEventInfo3>;
using Records = std::vector<std::unique_ptr<_anmFrameInfo3>>;

// A fixed-size name field; false when no NUL ends it inside the field.
bool readName(CAnimoReader& in, char (&name)[32])
{
    return in.read(name, sizeof name) && std::memchr(name, 0, sizeof name) != nullptr;
}

// A fixed-size text field of the packed family, cut at its first NUL.
CXString readFixedText(CAnimoReader& in, int size)
{
    std::vector<char> buffer(size_t(size) + 1, '\0');
    in.read(buffer.data(), size);
    return CXString(buffer.data());
}

// A 32-bit length and that many bytes; the text ends at its first NUL.
bool readText(CAnimoReader& in, CXString* text)
{
    const uint32_t n = in.u32();
    if (!in.has(n))
        return false;
    std::vector<char> buffer(size_t(n) + 1, '\0');
    in.read(buffer.data(), n);
    *text = CXString(buffer.data());
    return in.ok();
}

// A string of a frame record: a length that counts the terminating NUL and
// the bytes, NUL included; false when the NUL is missing.
bool readRecordString(CAnimoReader& in, std::optional<CXString>* out)
{
    const uint32_t n = in.u32();
    if (n == 0 || !in.has(n))
        return false;
    std::vector<char> buffer(n);
    if (!in.read(buffer.data(), n) || buffer[n - 1] != '\0')
        return false;
    *out = CXString(buffer.data());
    return true;
}

// The frame numbers of an event's positions, 16 bits each in the file, or
// the low 16 bits of 32 (the legacy table).
bool readTable(CAnimoReader& in, _annEventInfo3* e, int count, int width)
{
    if (!in.has(int64_t(count) * width))
        return false;
    e->frames.resize(size_t(count));
    for (uint16_t& f : e->frames)
        f = width == 2 ? in.u16() : uint16_t(in.u32());
    return in.ok();
}

void writeRecordString(CAnimoWriter& out, const std::optional<CXString>& text)
{
    if (!text)
        return;
    const int n = text->getLength();
    out.u32(uint32_t(n + 1));
    out.put(text->c_str(), n);
    out.u8(0);
}

// The legacy family's version by signature; 0 for any other signature.
int legacyVersion(const char* signature)
{
    if (!std::strcmp(signature, "PIK"))
        return CFrame::VERSION_PIK;
    if (!std::strcmp(signature, "PI2"))
        return CFrame::VERSION_PI2;
    if (!std::strcmp(signature, "PI3"))
        return CFrame::VERSION_PI3;
    return 0;
}

// A legacy chunk tag: consumed when it is the next thing in the file.
bool chunk(CAnimoReader& in, const char* tag)
{
    char next[3];
    if (!in.peek(next, 3) || std::memcmp(next, tag, 3) != 0)
        return false;
    return in.skip(3);
}

} // namespace

void CAnimo::setSoundSetMaker(SoundSetMaker maker) { soundSetMaker = maker; }

int CAnimo::Load(CXString fileName)
{
    Flush();
    setErrorCode(0);
    CXObject::log((CXString("CAnimo -> Loading file ") + fileName + "...").c_str(), false);
    CFile file;
    bool opened = file.Open(owner(), fileName, CFile::MODE_READ | CFile::MODE_BINARY) == 0;
    std::vector<char> stored;
    if (!opened) {
        // A file kept only in the open archive is read from it whole.
        CBigFileIfc* archive = CFile::getBigFileIfc();
        CFile* shared = CFile::getBigFileHandle();
        int start = archive && shared ? archive->Seek(fileName) : -1;
        int size = start >= 0 ? archive->GetSize(fileName) : -1;
        if (size >= 0 && int64_t(start) + size <= shared->Length()) {
            stored.resize(size_t(size));
            opened = shared->Read(stored.data(), size) == size;
        }
    }
    if (!opened) {
        CXObject::log(" - Failed.\n", false);
        state = ANIMO_STOPPED;
        status = 0;
        setErrorCode(CFile::ERROR_OPEN);
        CFileReport::failedAt("animation", fileName, "not found", file.getFileName());
        return LastError();
    }
    if (file.GetHandle()) {
        Load(&file);
        file.Close();
    } else {
        CFile_Stream memory(stored.data(), int(stored.size()));
        Load(&memory);
    }
    CXObject::log(LastError() == 0 ? " - Succesfull.\n" : " - Failed.\n", false);
    if (LastError() != 0)
        CFileReport::failedAt("animation", fileName, "cannot be read: damaged or not an animation file",
                              file.GetHandle() ? file.getOpenedName() : file.getFileName());
    Visible(true);
    if (LastError() == 0) {
        currentPosition = 0;
        currentEvent = getFirstEvent();
        SetEventFrame(currentEvent, 0);
    }
    return LastError();
}

int CAnimo::Load(CFile* file)
{
    Flush();
    setErrorCode(0);
    CAnimoReader in(file);
    char probe[PROBE];
    bool ok = in.read(probe, PROBE);
    if (ok) {
        probe[3] = '\0';
        if (!std::strcmp(probe, "NVI") || !std::strcmp(probe, "NV+") || !std::strcmp(probe, "NVP"))
            ok = in.seek(0) && Load3(in, probe);
        else if (!std::strcmp(probe, "PAK"))
            ok = in.seek(0) && LoadNew(in);
        else if (legacyVersion(probe))
            ok = loadLegacy(in, probe);
        else
            ok = false; // no animation family: nothing to read
    }
    if (!ok) {
        Flush();
        setErrorCode(ERROR_DAMAGED);
        return 0;
    }
    CFileResolver::load();
    return 0;
}

bool CAnimo::readFrames(CAnimoReader& in, int count, int headerSize)
{
    // The headers must be there before a frame is made for each.
    if (!in.has(int64_t(count) * headerSize))
        return false;
    for (int i = 0; i < count; ++i) {
        CFrame* f = new CFrame(owner());
        appendFrame(f);
        f->SetBpp(bpp);
        if (!(headerSize == CFrame::HEADER_NEW ? f->LoadHeaderNew(in) : f->LoadHeaderNew2(in)))
            return false;
    }
    for (CFrame* f : pieces->frames)
        if (!f->LoadNew(in))
            return false;
    return true;
}

bool CAnimo::Load3(CAnimoReader& in, const char* signature)
{
    in.skip(4);
    const int frameCount = in.i16();
    const int depth = in.i16();
    const int eventCount = in.i16();
    in.skip(13);
    const int rate = in.i32();
    const uint32_t flagWord = in.u32();
    const uint8_t alphaLevel = in.u8();
    const short randoms = in.i16();
    in.skip(10);
    if (!in.ok() || frameCount < 0 || eventCount < 0 || !readText(in, &author) || !readText(in, &description))
        return false;
    bpp = depth;
    fps = rate;
    SetFlags(int(flagWord & 0xFF));
    animoFlags = flagWord & 0xFFFF00;
    opacity = alphaLevel;
    randomFrames = randoms;

    // Each event needs its record before anything is made for it.
    for (int i = 0; i < eventCount; ++i) {
        EventPtr e(new _annEventInfo3);
        if (!in.has(EVENT3) || !readName(in, e->name))
            return false;
        const int positions = in.u16();
        in.skip(4);
        e->loopStart = in.u16();
        e->loopEnd = in.u16();
        e->loopCount = in.u16();
        e->loopCounter = in.u16();
        e->fps = in.i32();
        e->flags = in.u32();
        e->opacity = in.u8();
        e->userWord = in.u16();
        in.read(e->reserved, 2);
        in.skip(8);
        if (!readTable(in, e.get(), positions, 2) || !in.has(int64_t(positions) * RECORD3))
            return false;
        Records records;
        for (int p = 0; p < positions; ++p) {
            records.emplace_back(new _anmFrameInfo3);
            _anmFrameInfo3* r = records.back().get();
            const bool hasName = in.i32() != 0;
            const bool hasText = in.i32() != 0;
            r->dx = in.i16();
            r->dy = in.i16();
            r->userInt1 = in.i32();
            const bool hasSounds = in.i32() != 0;
            r->userInt2 = in.i32();
            r->opacity = in.u8();
            r->reserved = in.u8();
            in.skip(4);
            if (!in.ok() || (hasName && !readRecordString(in, &r->frameName)) ||
                (hasText && !readRecordString(in, &r->text)) || (hasSounds && !readRecordString(in, &r->sounds)))
                return false;
        }
        std::vector<_anmFrameInfo3*> owned;
        for (auto& r : records)
            owned.push_back(r.release());
        appendEvent(e.release(), std::move(owned));
    }

    const int headerSize = signature[2] == '+' ? CFrame::HEADER_NEW : CFrame::HEADER_NEW2;
    if (!readFrames(in, frameCount, headerSize))
        return false;
    if (!(animoFlags & ANIMO_STREAMED_SOUNDS))
        makeSounds();
    if (!std::strcmp(signature, "NV+") || !std::strcmp(signature, "NVP"))
        animoFlags |= ANIMO_NEW_FILE;
    compression = pieces->frames.empty() ? COMPRESSION_NONE : pieces->frames[0]->GetCompression();
    return openFileForms();
}

// A block that does not decode to its picture is damage, found here rather
// than when the frame is first drawn; an empty picture shows nothing
// whatever its block holds.
bool CAnimo::openFileForms()
{
    for (CFrame* f : pieces->frames) {
        f->DeCompress();
        if (f->LastError() != 0 && f->Width() > 0 && f->Height() > 0)
            return false;
    }
    return true;
}

void CAnimo::makeSounds()
{
    pieces->sounds.clear();
    for (size_t e = 0; e < pieces->events.size(); ++e) {
        pieces->sounds.emplace_back(pieces->events[e]->frames.size(), nullptr);
        for (size_t p = 0; p < pieces->records[e].size() && p < pieces->sounds[e].size(); ++p) {
            const std::optional<CXString>& list = pieces->records[e][p]->sounds;
            if (!list || !list->IsString())
                continue;
            CXString path = owner() ? owner()->GetSoundFXFullPath(*list) : *list;
            if (list->Find(';') < 0)
                pieces->sounds[e][p] = new CSound4(owner(), path, false, true);
            else if (soundSetMaker)
                pieces->sounds[e][p] = soundSetMaker(owner(), path, false, true);
        }
    }
}

bool CAnimo::LoadNew(CAnimoReader& in)
{
    in.skip(4);
    const int frameCount = in.i16();
    author = readFixedText(in, 128);
    description = readFixedText(in, 256);
    const int depth = in.i16();
    const int eventCount = in.i16();
    in.skip(13);
    if (!in.ok() || frameCount < 0 || eventCount < 0)
        return false;
    bpp = depth == 0 ? 15 : depth;

    for (int i = 0; i < eventCount; ++i) {
        EventPtr e(new _annEventInfo3);
        if (!in.has(EVENT_PAK) || !readName(in, e->name))
            return false;
        const int positions = in.u16();
        e->loopStart = e->loopEnd = in.u16();
        in.skip(2);
        e->loopCount = in.u16();
        e->opacity = 255;
        if (!readTable(in, e.get(), positions, 2) || !in.has(int64_t(positions) * RECORD_PAK))
            return false;
        std::vector<_anmFrameInfo3*> records;
        for (int p = 0; p < positions; ++p) {
            _anmFrameInfo3* r = new _anmFrameInfo3;
            r->dx = in.i16();
            r->dy = in.i16();
            in.skip(6);
            records.push_back(r);
        }
        appendEvent(e.release(), std::move(records));
    }
    if (eventCount == 0)
        addStandardEvents(frameCount);
    if (!readFrames(in, frameCount, CFrame::HEADER_NEW) || !openFileForms())
        return false;
    convertToScreen();
    return true;
}

bool CAnimo::loadLegacy(CAnimoReader& in, const char* signature)
{
    const int version = legacyVersion(signature);
    // The probe is read already: its frame count and depth code.
    in.seek(4);
    const int frameCount = in.i16();
    bpp = GetRealBpp(in.i16());
    in.skip(4);
    if (!in.ok() || frameCount < 0)
        return false;

    if (chunk(in, "EXT")) {
        in.skip(4);
        if (!readText(in, &author) || !readText(in, &description))
            return false;
    }
    bool sequence = false;
    if (chunk(in, "SEQ")) {
        EventPtr e(new _annEventInfo3);
        // A new record would be transparent: the sequence is shown opaque,
        // as every other family's events are.
        e->opacity = 255;
        const int positions = in.u16();
        in.skip(2);
        if (!readTable(in, e.get(), positions, 4))
            return false;
        std::vector<_anmFrameInfo3*> records;
        if (chunk(in, "POS")) {
            if (!in.has(int64_t(positions) * RECORD_POS))
                return false;
            for (int p = 0; p < positions; ++p) {
                _anmFrameInfo3* r = new _anmFrameInfo3;
                const int64_t start = in.tell();
                r->dx = in.i16();
                in.skip(2);
                r->dy = in.i16();
                in.skip(2);
                r->opacity = in.u8();
                in.seek(start + RECORD_POS);
                records.push_back(r);
            }
        }
        appendEvent(e.release(), std::move(records));
        sequence = true;
    }
    if (!in.ok())
        return false;

    const int headerSize = version == CFrame::VERSION_PIK ? 20 : 32;
    if (!in.has(int64_t(frameCount) * headerSize))
        return false;
    for (int i = 0; i < frameCount; ++i) {
        CFrame* f = new CFrame(owner());
        appendFrame(f);
        if (!f->LoadHeader(in, version))
            return false;
    }
    for (CFrame* f : pieces->frames)
        if (!f->Load(in))
            return false;
    if (!sequence)
        addStandardEvents(frameCount);
    if (!openFileForms())
        return false;
    convertToScreen();
    return true;
}

void CAnimo::addStandardEvents(int frameCount)
{
    for (int k = 0; k < 3; ++k) {
        _annEventInfo3* e = new _annEventInfo3;
        e->setName("standard");
        e->opacity = 255;
        e->frames.resize(size_t(frameCount));
        for (int i = 0; i < frameCount; ++i)
            e->frames[size_t(i)] = uint16_t(k == 2 ? frameCount - 1 - i : i);
        appendEvent(e, {});
    }
}

void CAnimo::convertToScreen()
{
    // Without a display there is no depth to take.
    const int screenBpp = owner() ? owner()->GetBpp() : 0;
    if (screenBpp <= 0)
        return;
    for (CFrame* f : pieces->frames)
        if (f->GetCompression() == COMPRESSION_NONE)
            f->Convert(screenBpp);
    bpp = screenBpp;
}

int CAnimo::Save(CXString fileName, _compression kind)
{
    setErrorCode(0);
    CFile file(owner(), fileName, CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_BINARY);
    if (file.LastError() != 0 || !Save3(&file, kind))
        setErrorCode(CFile::ERROR_OPEN);
    file.Close();
    return LastError();
}

int CAnimo::Save(CFile* file, _compression kind)
{
    CAnimoWriter out;
    out.put(kind == COMPRESSION_NONE ? "PIK" : kind == 1 ? "PI2" : "PI3", 4);
    out.u16(uint16_t(GetNOF()));
    out.u16(uint16_t(GetFlagBpp(bpp)));
    out.zeros(4);
    out.flush(file);
    return 0;
}

bool CAnimo::Save3(CFile* file, _compression kind)
{
    // Open frames go back to their packed form and file forms are opened,
    // so that every frame is compressed from its pixels.
    for (CFrame* f : pieces->frames) {
        f->bringBackCompressed();
        const _compression k = f->GetCompression();
        if (k == COMPRESSION_LZO || k == COMPRESSION_LZO_RLE2 || k == COMPRESSION_JPEG)
            f->DeCompress();
        f->Compress(kind);
    }
    lastRefreshed = nullptr;
    takeFramePixels();

    CAnimoWriter out;
    out.put("NVP", 4);
    out.u16(uint16_t(GetNOF()));
    out.u16(uint16_t(bpp));
    out.u16(uint16_t(GetNOE()));
    out.zeros(13);
    out.u32(uint32_t(fps));
    out.u32(uint32_t(GetFlags()) | animoFlags);
    out.u8(opacity);
    out.u16(uint16_t(randomFrames));
    out.zeros(10);
    out.u32(uint32_t(author.getLength()));
    out.put(author.c_str(), author.getLength());
    out.u32(uint32_t(description.getLength()));
    out.put(description.c_str(), description.getLength());

    const _anmFrameInfo3 blank;
    for (size_t i = 0; i < pieces->events.size(); ++i) {
        const _annEventInfo3* e = pieces->events[i];
        char name[32] = {};
        std::memcpy(name, e->name, strnlen(e->name, sizeof name - 1));
        out.put(name, 32);
        out.u16(uint16_t(e->frames.size()));
        out.zeros(4);
        out.u16(e->loopStart);
        out.u16(e->loopEnd);
        out.u16(e->loopCount);
        out.u16(e->loopCounter);
        out.u32(uint32_t(e->fps));
        out.u32(e->flags);
        out.u8(e->opacity);
        out.u16(e->userWord);
        out.put(e->reserved, 2);
        out.zeros(8);
        for (uint16_t f : e->frames)
            out.u16(f);
        for (size_t p = 0; p < e->frames.size(); ++p) {
            const _anmFrameInfo3* r = p < pieces->records[i].size() ? pieces->records[i][p] : &blank;
            out.u32(r->frameName ? 1 : 0);
            out.u32(r->text ? 1 : 0);
            out.u16(uint16_t(r->dx));
            out.u16(uint16_t(r->dy));
            out.u32(uint32_t(r->userInt1));
            out.u32(r->sounds ? 1 : 0);
            out.u32(uint32_t(r->userInt2));
            out.u8(r->opacity);
            out.u8(r->reserved);
            out.zeros(4);
            writeRecordString(out, r->frameName);
            writeRecordString(out, r->text);
            writeRecordString(out, r->sounds);
        }
    }
    for (CFrame* f : pieces->frames)
        f->SaveHeaderNew(out);
    for (CFrame* f : pieces->frames)
        f->SaveNew(out);
    return out.flush(file);
}
