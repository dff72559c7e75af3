// The animation file: the NVP writer and the readers of every family, on
// files the engine writes and files made byte by byte; damaged files.
#include "AnimoSupport.h"
#include "media/RandomSoundSet.h"
#include "base/BigFile.h"
#include "base/Compression.h"
#include "media/AnimoStream.h"
#include "media/Sound4.h"

#include <gtest/gtest.h>

using namespace mediatest;

namespace {

class CAnimoFileTest : public AnimoFixture {};

// Everything a file can hold: frames with and without alpha, an event with
// a loop, records with texts and sound lists, an event without positions.
void fill(CAnimo& a, CWindow* w)
{
    a.appendFrame(plainFrame(w, 3, 2, 5, -7, true, 0x1000));
    a.appendFrame(plainFrame(w, 2, 2, 0, 0, false, 0x2000));
    addEvent(a, "walk", {1, 0, 1});
    _annEventInfo3* e = a.GetEventInfo(0);
    e->loopStart = 1;
    e->loopEnd = 2;
    e->loopCount = 3;
    e->loopCounter = 2;
    e->fps = 12;
    e->flags = EVENT_HIDE_AT_STOP | EVENT_PING_PONG;
    e->opacity = 200;
    e->userWord = 0xBEEF;
    e->reserved[0] = 7;
    e->reserved[1] = 9;
    _anmFrameInfo3* r = a.GetFrameInfo(0, 0);
    r->frameName = CXString("first");
    r->text = CXString("");
    r->sounds = CXString("step.wav");
    r->dx = -3;
    r->dy = 4;
    r->userInt1 = 77;
    r->userInt2 = -5;
    r->opacity = 128;
    r->reserved = 3;
    a.GetFrameInfo(0, 2)->sounds = CXString("a.wav;b.wav");
    addEvent(a, "empty", {});
    addEvent(a, "last", {0});
    a.SetFPS(9);
    a.SetFlags(0x5A);
    a.SetAnimoFlags(ANIMO_NOT_INTERRUPTIBLE | ANIMO_CHAIN_EVENTS);
    a.SetOpacity(250);
    a.SetRandomFramesNumber(4);
    a.Author() = "me";
    a.Description() = "a description";
}

void expectSameRecord(const _anmFrameInfo3* a, const _anmFrameInfo3* b)
{
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->frameName, b->frameName);
    EXPECT_EQ(a->text, b->text);
    EXPECT_EQ(a->sounds, b->sounds);
    EXPECT_EQ(a->dx, b->dx);
    EXPECT_EQ(a->dy, b->dy);
    EXPECT_EQ(a->userInt1, b->userInt1);
    EXPECT_EQ(a->userInt2, b->userInt2);
    EXPECT_EQ(a->opacity, b->opacity);
    EXPECT_EQ(a->reserved, b->reserved);
}

void expectSameAnimation(CAnimo& a, CAnimo& b)
{
    EXPECT_EQ(a.GetFPS(), b.GetFPS());
    EXPECT_EQ(a.GetFlags(), b.GetFlags());
    EXPECT_EQ(a.GetAnimoFlags() | ANIMO_NEW_FILE, b.GetAnimoFlags());
    EXPECT_EQ(a.GetOpacity(), b.GetOpacity());
    EXPECT_EQ(a.RandomFramesNumber(), b.RandomFramesNumber());
    EXPECT_EQ(a.Author(), b.Author());
    EXPECT_EQ(a.Description(), b.Description());
    ASSERT_EQ(a.GetNOF(), b.GetNOF());
    for (int i = 0; i < a.GetNOF(); ++i) {
        CFrame* f = a.GetFrame(i);
        CFrame* g = b.GetFrame(i);
        EXPECT_EQ(f->Size().cx, g->Size().cx);
        EXPECT_EQ(f->Size().cy, g->Size().cy);
        EXPECT_EQ(f->GetFramePosition().x, g->GetFramePosition().x);
        EXPECT_EQ(f->GetFramePosition().y, g->GetFramePosition().y);
        EXPECT_EQ(f->GetBpp(), g->GetBpp());
        EXPECT_EQ(f->GetCompression(), g->GetCompression());
        EXPECT_EQ(pixelsOf(f), pixelsOf(g));
        EXPECT_EQ(alphaOf(f), alphaOf(g));
    }
    ASSERT_EQ(a.GetNOE(), b.GetNOE());
    for (int i = 0; i < a.GetNOE(); ++i) {
        _annEventInfo3* e = a.GetEventInfo(i);
        _annEventInfo3* d = b.GetEventInfo(i);
        EXPECT_STREQ(e->name, d->name);
        EXPECT_EQ(e->frames, d->frames);
        EXPECT_EQ(e->loopStart, d->loopStart);
        EXPECT_EQ(e->loopEnd, d->loopEnd);
        EXPECT_EQ(e->loopCount, d->loopCount);
        EXPECT_EQ(e->loopCounter, d->loopCounter);
        EXPECT_EQ(e->fps, d->fps);
        EXPECT_EQ(e->flags, d->flags);
        EXPECT_EQ(e->opacity, d->opacity);
        EXPECT_EQ(e->userWord, d->userWord);
        EXPECT_EQ(e->reserved[0], d->reserved[0]);
        EXPECT_EQ(e->reserved[1], d->reserved[1]);
        for (int p = 0; p < e->framesCount(); ++p)
            expectSameRecord(a.GetFrameInfo(i, p), b.GetFrameInfo(i, p));
    }
}

TEST_F(CAnimoFileTest, WhatSave3WritesLoad3ReadsBackFieldByField)
{
    CAnimo a(window.get());
    fill(a, window.get());
    CAnimo b(window.get());
    ASSERT_EQ(loadBytes(b, saved(a)), 0);
    expectSameAnimation(a, b);
    // The loaded file writes the same bytes again (marked as a new file).
    a.SetAnimoFlags(a.GetAnimoFlags() | ANIMO_NEW_FILE);
    EXPECT_EQ(saved(b), saved(a));
}

TEST_F(CAnimoFileTest, TheNVPWriterWritesTheFileByteForByte)
{
    CAnimo a(window.get());
    a.appendFrame(plainFrame(window.get(), 2, 1, 3, 4, false, 0x1111));
    addEvent(a, "go", {0});
    a.GetFrameInfo(0, 0)->frameName = CXString("n");
    a.SetFPS(10);
    a.SetFlags(0x01);
    a.SetAnimoFlags(ANIMO_SOUND_GOES_ON);
    a.Author() = "ab";
    a.Description() = "";
    Bytes expected;
    expected.raw(std::string("NVP", 4)).u16(1).u16(16).u16(1).zeros(13).u32(10).u32(0x80001).u8(255).u16(0).zeros(10);
    expected.u32(2).raw("ab").u32(0);
    expected.field("go", 32).u16(1).u32(0).u16(0).u16(0).u16(0).u16(0).u32(15).u32(0).u8(255).u16(0).u16(0).zeros(8);
    expected.u16(0);
    expected.u32(1).u32(0).u16(0).u16(0).u32(0xFFFFFFFF).u32(0).u32(0).u8(255).u8(0).zeros(4).u32(2).raw(std::string("n", 2));
    expected.u16(2).u16(1).u16(3).u16(4).u16(0).u32(4).u16(0).zeros(36);
    expected.u16(0x1111).u16(0x1112);
    EXPECT_EQ(saved(a), expected.s);

    // The legacy probe alone.
    const std::string name = write("probe.ann", "");
    {
        CFile probe(window.get(), CXString(name.c_str()), CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_BINARY);
        a.Save(&probe, _compression(2));
    }
    EXPECT_EQ(tmp.read("probe.ann"), Bytes().raw(std::string("PI3", 4)).u16(1).u16(4).zeros(4).s);
}

// "NV+" files have frame headers of 32 bytes, "NVI" and "NVP" of 52; only
// the last two signatures are marked as new files.
TEST_F(CAnimoFileTest, TheSignatureChoosesTheFrameHeaderSize)
{
    CAnimo a(window.get());
    fill(a, window.get());
    const std::string nvp = saved(a);
    const size_t headers = nvp.size() - (3 * 2 * 2 + 3 * 2) - 2 * 2 * 2 - 2 * 52;
    std::string plus = "NV+" + nvp.substr(3, headers - 3);
    for (int i = 0; i < 2; ++i)
        plus += nvp.substr(headers + size_t(i) * 52, 32);
    plus += nvp.substr(headers + 2 * 52);
    std::string nvi = "NVI" + nvp.substr(3);
    for (const std::string& bytes : {plus, nvi}) {
        CAnimo b(window.get());
        ASSERT_EQ(loadBytes(b, bytes), 0) << bytes.substr(0, 3);
        ASSERT_EQ(b.GetNOF(), 2);
        EXPECT_EQ(pixelsOf(b.GetFrame(0)), pixelsOf(a.GetFrame(0)));
        EXPECT_EQ(alphaOf(b.GetFrame(0)), alphaOf(a.GetFrame(0)));
        EXPECT_EQ(pixelsOf(b.GetFrame(1)), pixelsOf(a.GetFrame(1)));
        EXPECT_EQ((b.GetAnimoFlags() & ANIMO_NEW_FILE) != 0, bytes[2] == '+');
    }
}

// Hand-made packed files: events with their loop position and offsets, and
// without events the three "standard" ones; a depth of 0 is 15, converted
// to the display's.
TEST_F(CAnimoFileTest, PackedFilesLoad)
{
    auto pak = [](int events, const std::string& eventBytes) {
        Bytes b;
        b.raw(std::string("PAK", 4)).u16(2).field("the author", 128).field("the text", 256).u16(0).u16(events).zeros(13);
        b.raw(eventBytes);
        b.u16(2).u16(2).u16(10).u16(20).u16(0).u32(8).u16(0).zeros(16);
        b.u16(2).u16(2).u16(0).u16(0).u16(0).u32(8).u16(4).u32(0).u32(0).u32(0).u32(4);
        b.u16(0x7C00).u16(0x7C00).u16(0x7C00).u16(0x7C00);
        b.u16(0x001F).u16(0x03E0).u16(0).u16(0x7FFF).raw("\xFF\x01\x02\x03");
        return b.s;
    };
    Bytes ev;
    ev.field("jump", 32).u16(3).u16(1).u16(99).u16(5);
    ev.u16(1).u16(0).u16(1);
    ev.u16(uint16_t(-2)).u16(3).zeros(6).zeros(10).u16(7).u16(8).zeros(6);
    ASSERT_EQ(window->CreateSurface(nullptr), 0);
    ASSERT_EQ(window->GetBpp(), 16);
    CAnimo a(window.get());
    ASSERT_EQ(loadBytes(a, pak(1, ev.s)), 0);
    EXPECT_EQ(a.Author(), "the author");
    EXPECT_EQ(a.Description(), "the text");
    ASSERT_EQ(a.GetNOE(), 1);
    _annEventInfo3* e = a.GetEventInfo(0);
    EXPECT_STREQ(e->name, "jump");
    EXPECT_EQ(e->frames, (std::vector<uint16_t>{1, 0, 1}));
    EXPECT_EQ(e->loopStart, 1);
    EXPECT_EQ(e->loopEnd, 1);
    EXPECT_EQ(e->loopCount, 5);
    EXPECT_EQ(e->fps, 15);
    EXPECT_EQ(e->opacity, 255);
    EXPECT_EQ(a.GetFrameInfo(0, 0)->dx, -2);
    EXPECT_EQ(a.GetFrameInfo(0, 0)->dy, 3);
    EXPECT_EQ(a.GetFrameInfo(0, 2)->dy, 8);
    ASSERT_EQ(a.GetNOF(), 2);
    EXPECT_EQ(a.GetFrame(0)->GetFramePosition().x, 10);
    EXPECT_EQ(a.GetFrame(0)->GetFramePosition().y, 20);
    // 15-bit red, blue, green and white in 5-6-5.
    EXPECT_EQ(a.GetFrame(0)->GetBpp(), 16);
    EXPECT_EQ(pixelsOf(a.GetFrame(0)), Bytes().u16(0xF800).u16(0xF800).u16(0xF800).u16(0xF800).s);
    EXPECT_EQ(pixelsOf(a.GetFrame(1)), Bytes().u16(0x001F).u16(0x07C0).u16(0).u16(0xFFDF).s);
    EXPECT_EQ(alphaOf(a.GetFrame(1)), std::string("\xFF\x01\x02\x03"));

    CAnimo b(window.get());
    ASSERT_EQ(loadBytes(b, pak(0, "")), 0);
    ASSERT_EQ(b.GetNOE(), 3);
    for (int i = 0; i < 3; ++i) {
        EXPECT_STREQ(b.GetEventInfo(i)->name, "standard");
        EXPECT_EQ(b.GetEventInfo(i)->frames, (i == 2 ? std::vector<uint16_t>{1, 0} : std::vector<uint16_t>{0, 1}));
        EXPECT_EQ(b.GetFrameInfo(i, 0), nullptr);
    }
}

// Hand-made legacy files: chunks, frame headers of each version, and the
// standard events of a file without a sequence.
TEST_F(CAnimoFileTest, LegacyFilesLoad)
{
    // "PIK": 20-byte headers, an author chunk, a sequence of 4-byte entries
    // and its positions.
    Bytes pik;
    pik.raw(std::string("PIK", 4)).u16(2).u16(4).zeros(4);
    pik.raw("EXT").zeros(4).u32(3).raw("old").u32(4).raw("text");
    pik.raw("SEQ").u16(3).zeros(2).u32(1).u32(0x10000).u32(1);
    pik.raw("POS");
    for (int p = 0; p < 3; ++p)
        pik.u16(uint16_t(p - 1)).zeros(2).u16(uint16_t(10 * p)).zeros(2).u8(p == 1 ? 90 : 255).zeros(24);
    pik.u32(2).u32(0).u16(1).u16(6).u16(1).u16(7).zeros(2).u16(4);
    pik.u32(4).u32(2).u16(2).u16(0).u16(1).u16(0).zeros(2).u16(4);
    pik.u16(0xAAAA).u16(0xBBBB).u16(0xCCCC).raw("\x10\x20");
    CAnimo a(window.get());
    ASSERT_EQ(loadBytes(a, pik.s), 0);
    EXPECT_EQ(a.Author(), "old");
    EXPECT_EQ(a.Description(), "text");
    ASSERT_EQ(a.GetNOE(), 1);
    EXPECT_STREQ(a.GetEventInfo(0)->name, "");
    EXPECT_EQ(a.GetEventInfo(0)->frames, (std::vector<uint16_t>{1, 0, 1}));
    EXPECT_EQ(a.GetEventInfo(0)->opacity, 255);
    EXPECT_EQ(a.GetFrameInfo(0, 0)->dx, -1);
    EXPECT_EQ(a.GetFrameInfo(0, 2)->dy, 20);
    EXPECT_EQ(a.GetFrameInfo(0, 1)->opacity, 90);
    ASSERT_EQ(a.GetNOF(), 2);
    EXPECT_EQ(a.GetFrame(0)->GetFramePosition().x, 6);
    EXPECT_EQ(a.GetFrame(0)->GetFramePosition().y, 7);
    EXPECT_EQ(pixelsOf(a.GetFrame(0)), Bytes().u16(0xAAAA).s);
    EXPECT_EQ(pixelsOf(a.GetFrame(1)), Bytes().u16(0xBBBB).u16(0xCCCC).s);
    EXPECT_EQ(alphaOf(a.GetFrame(1)), "\x10\x20");

    // "PI2": 32-byte headers whose first descriptor word is the colour
    // size; no sequence gives the standard events.
    Bytes pi2;
    pi2.raw(std::string("PI2", 4)).u16(1).u16(4).zeros(4);
    pi2.u16(2).u16(3).u16(1).u16(4).zeros(2).u16(4).u32(4).u32(4).u32(0).u32(0).u32(0);
    pi2.u16(1).u16(2);
    CAnimo b(window.get());
    ASSERT_EQ(loadBytes(b, pi2.s), 0);
    ASSERT_EQ(b.GetNOF(), 1);
    EXPECT_EQ(b.GetFrame(0)->GetCompression(), 1);
    EXPECT_EQ(b.GetFrame(0)->GetFramePosition().x, 3);
    ASSERT_EQ(b.GetNOE(), 3);
    EXPECT_EQ(b.GetEventInfo(2)->frames, (std::vector<uint16_t>{0}));

    // "PI3": the same headers over LZO blocks, which are opened at once; a
    // block that is not the picture is damage.
    auto pi3 = [](std::string plain) {
        int packedLength = 0;
        std::unique_ptr<char[]> block(CLZWCompression2(&plain[0], int(plain.size())).compress(packedLength));
        std::string lzo(block.get(), size_t(packedLength + 8));
        Bytes b;
        b.raw(std::string("PI3", 4)).u16(1).u16(4).zeros(4);
        b.u16(2).u16(0).u16(1).u16(0).zeros(2).u16(4).u32(1).u32(uint32_t(lzo.size())).zeros(12).raw(lzo);
        return b.s;
    };
    CAnimo c(window.get());
    ASSERT_EQ(loadBytes(c, pi3(Bytes().u16(5).u16(6).s)), 0);
    ASSERT_EQ(c.GetNOF(), 1);
    EXPECT_EQ(c.GetFrame(0)->GetCompression(), COMPRESSION_NONE);
    EXPECT_EQ(pixelsOf(c.GetFrame(0)), Bytes().u16(5).u16(6).s);
    EXPECT_EQ(loadBytes(c, pi3(Bytes().u16(5).u16(6).u16(7).s)), CAnimo::ERROR_DAMAGED);
}

// The legacy probe and frame headers the engine writes read back, in both
// header versions.
TEST_F(CAnimoFileTest, LegacyHeadersTheFramesWriteReadBack)
{
    CAnimo a(window.get());
    a.appendFrame(plainFrame(window.get(), 2, 2, -4, 9, true, 0x300));
    a.appendFrame(plainFrame(window.get(), 3, 2, 1, 2, false, 0x400));
    for (int kind : {0, 1}) {
        const std::string name = write("legacy.ann", "");
        {
            CFile file(window.get(), CXString(name.c_str()), CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_BINARY);
            a.Save(&file, _compression(kind));
            CAnimoWriter out;
            for (int i = 0; i < 2; ++i)
                a.GetFrame(i)->SaveHeader(out, kind + 1);
            for (int i = 0; i < 2; ++i)
                a.GetFrame(i)->Save(out);
            ASSERT_TRUE(out.flush(&file));
        }
        CAnimo b(window.get());
        ASSERT_EQ(loadBytes(b, tmp.read("legacy.ann")), 0) << kind;
        ASSERT_EQ(b.GetNOF(), 2);
        for (int i = 0; i < 2; ++i) {
            EXPECT_EQ(b.GetFrame(i)->GetCompression(), kind);
            EXPECT_EQ(b.GetFrame(i)->GetFramePosition(), a.GetFrame(i)->GetFramePosition());
            EXPECT_EQ(pixelsOf(b.GetFrame(i)), pixelsOf(a.GetFrame(i)));
            EXPECT_EQ(alphaOf(b.GetFrame(i)), alphaOf(a.GetFrame(i)));
        }
    }
}

// Each compression kind a frame is stored in comes back as its pixels:
// LZO blocks are opened by the loader, RLE2 (also inside LZO) is opened
// when the frame is drawn; the writer packs frames in RLE2. A block that
// does not decode to its picture is damage.
TEST_F(CAnimoFileTest, EveryFrameKindGivesBackItsPixels)
{
    CFrame* source = plainFrame(window.get(), 9, 7, 0, 0, true, 0x4000);
    std::unique_ptr<CFrame> keep(source);
    const std::string colour = pixelsOf(source), plane = alphaOf(source);
    auto lzo = [](const std::string& bytes) {
        std::string copy(bytes);
        int packed = 0;
        std::unique_ptr<char[]> block(CLZWCompression2(&copy[0], int(copy.size())).compress(packed));
        return std::string(block.get(), size_t(packed + 8));
    };
    auto rle2 = [](const std::string& bytes, bool words) {
        std::string copy(bytes);
        int packed = 0;
        std::unique_ptr<char[]> out(words ? CRLECompression::__compress(&copy[0], int(copy.size()), packed)
                                          : CRLECompression::__compresschar(&copy[0], int(copy.size()), packed));
        return std::string(out.get(), size_t(packed));
    };
    struct Case {
        const char* name;
        std::string file;
        _compression loaded;
    };
    const std::vector<Case> cases = {
        {"plain", oneFrameFile(9, 7, 0, colour, plane), COMPRESSION_NONE},
        {"LZO", oneFrameFile(9, 7, 2, lzo(colour), lzo(plane)), COMPRESSION_NONE},
        {"LZO over RLE2", oneFrameFile(9, 7, 3, lzo(rle2(colour, true)), lzo(rle2(plane, false))), COMPRESSION_RLE2},
        {"RLE2", oneFrameFile(9, 7, 4, rle2(colour, true), rle2(plane, false)), COMPRESSION_RLE2},
    };
    for (const Case& c : cases) {
        CAnimo a(window.get());
        ASSERT_EQ(loadBytes(a, c.file), 0) << c.name;
        CFrame* f = a.GetFrame(0);
        EXPECT_EQ(f->GetCompression(), c.loaded) << c.name;
        CGraphicsObject screen(window.get(), CXSize(9, 7), 16);
        a.SetDestiny(&screen);
        a.SetEventFrame(0, 0);
        a.Redraw();
        EXPECT_EQ(pixelsOf(f), colour) << c.name;
        EXPECT_EQ(alphaOf(f), plane) << c.name;
        // Written packed, read back packed, the same pixels.
        CAnimo b(window.get());
        ASSERT_EQ(loadBytes(b, saved(a, COMPRESSION_RLE2)), 0) << c.name;
        EXPECT_EQ(b.GetFrame(0)->GetCompression(), COMPRESSION_RLE2);
        b.GetFrame(0)->unpack();
        EXPECT_EQ(pixelsOf(b.GetFrame(0)), colour) << c.name;
        EXPECT_EQ(alphaOf(b.GetFrame(0)), plane) << c.name;
    }
    // An LZO block whose content is not the picture.
    std::string wrong = lzo(colour.substr(2));
    CAnimo d(window.get());
    EXPECT_EQ(loadBytes(d, oneFrameFile(9, 7, 2, wrong, lzo(plane))), CAnimo::ERROR_DAMAGED);
    EXPECT_EQ(d.GetNOF(), 0);
}

// Files whose counts, lengths, names or frame data cannot be right, and
// every cut of good files: no animation and ERROR_DAMAGED, never a crash.
TEST_F(CAnimoFileTest, DamagedFilesGiveNoAnimation)
{
    CAnimo a(window.get());
    fill(a, window.get());
    const std::string good = saved(a);
    const size_t author = 44, event = author + 4 + 2 + 4 + 13;
    const size_t record = event + 67 + 6;
    const size_t firstHeader = good.size() - (3 * 2 * 2 + 3 * 2) - 2 * 2 * 2 - 2 * 52;
    const size_t firstData = good.size() - (3 * 2 * 2 + 3 * 2) - 2 * 2 * 2;
    auto patch = [](const std::string& base, size_t at, const std::string& bytes) {
        return base.substr(0, at) + bytes + base.substr(at + bytes.size());
    };
    auto patched = [&](size_t at, const std::string& bytes) { return patch(good, at, bytes); };
    // A big picture whose packed data are far too short to make it.
    const std::string big = patched(firstHeader, Bytes().u16(200).u16(200).s);
    const std::vector<std::pair<const char*, std::string>> cases = {
        {"unknown signature", patched(0, "XYZ")},
        {"negative frame count", patched(4, Bytes().u16(0xFFFF).s)},
        {"negative event count", patched(8, Bytes().u16(0x8000).s)},
        {"author longer than the file", patched(author, Bytes().u32(0x7FFFFFF0).s)},
        {"event name without its NUL", patched(event, std::string(32, 'x'))},
        {"more positions than the file", patched(event + 32, Bytes().u16(60000).s)},
        {"string length of 0", patched(record + 30, Bytes().u32(0).s)},
        {"string without its NUL", patched(record + 34 + 5, "x")},
        {"five descriptor words", patched(firstHeader + 14, Bytes().u16(5).s)},
        {"a frame kind no decoder knows", patched(firstHeader + 8, Bytes().u16(6).s)},
        {"negative width", patched(firstHeader, Bytes().u16(0xFFFE).s)},
        {"colour data shorter than the picture", patched(firstHeader + 10, Bytes().u32(11).s)},
        {"alpha data shorter than the plane", patched(firstHeader + 16 + 12, Bytes().u32(5).s)},
        {"LZO block too short for its picture",
         patched(firstHeader + 8, Bytes().u16(COMPRESSION_LZO).s)},
        {"RLE2 data too short for their picture", patch(big, firstHeader + 8, Bytes().u16(COMPRESSION_RLE2).s)},
        {"LZO block claiming more than its bytes can make",
         patch(patch(patched(firstHeader + 52, Bytes().u16(200).u16(200).zeros(4).u16(COMPRESSION_LZO).s),
                     firstData + 18, Bytes().u32(100000).s), firstData + 22, Bytes().u32(4).s)},
        {"empty file", ""},
    };
    for (const auto& c : cases) {
        CAnimo b(window.get());
        EXPECT_EQ(loadBytes(b, c.second), CAnimo::ERROR_DAMAGED) << c.first;
        EXPECT_EQ(b.GetNOF(), 0) << c.first;
        EXPECT_EQ(b.GetNOE(), 0) << c.first;
    }
    for (size_t n = 0; n < good.size(); ++n) {
        CAnimo b(window.get());
        ASSERT_EQ(loadBytes(b, good.substr(0, n)), CAnimo::ERROR_DAMAGED) << n;
        ASSERT_EQ(b.GetNOF() + b.GetNOE(), 0) << n;
    }
}

TEST_F(CAnimoFileTest, ACutPackedOrLegacyFileGivesNoAnimation)
{
    Bytes pak;
    pak.raw(std::string("PAK", 4)).u16(1).zeros(384).u16(16).u16(1).zeros(13);
    pak.field("e", 32).u16(1).u16(0).u16(0).u16(0).u16(0).zeros(10);
    pak.u16(1).u16(1).u16(0).u16(0).u16(0).u32(2).u16(0).zeros(16).u16(9);
    Bytes pik;
    pik.raw(std::string("PIK", 4)).u16(1).u16(4).zeros(4).raw("EXT").zeros(4).u32(1).raw("a").u32(0);
    pik.raw("SEQ").u16(1).zeros(2).u32(0).raw("POS").zeros(33);
    pik.u32(2).u32(1).u16(1).u16(0).u16(1).u16(0).zeros(2).u16(4).u16(9).raw("\x01");
    for (const std::string& good : {pak.s, pik.s}) {
        CAnimo whole(window.get());
        ASSERT_EQ(loadBytes(whole, good), 0) << good.substr(0, 3);
        for (size_t n = 0; n < good.size(); ++n) {
            CAnimo b(window.get());
            ASSERT_EQ(loadBytes(b, good.substr(0, n)), CAnimo::ERROR_DAMAGED) << good.substr(0, 3) << " " << n;
            ASSERT_EQ(b.GetNOF() + b.GetNOE(), 0);
        }
    }
}

// Load by name: the first event with frames shows its first position; a
// missing file is 2000; a file kept only in the archive is read from it.
TEST_F(CAnimoFileTest, LoadingByNameShowsTheFirstEventThatHasFrames)
{
    CAnimo a(window.get());
    fill(a, window.get());
    a.GetEventInfo(0)->frames.clear();
    const std::string bytes = saved(a);
    tmp.write("src/walk.ann", bytes);
    CBigFile writer(false, "");
    ASSERT_TRUE(writer.Create(platform::toEnginePath(tmp.file("data.bf")).c_str(),
                              platform::toEnginePath(tmp.file("src")).c_str(), ""));
    CFile::openBigFile(platform::toEnginePath(tmp.file("data.bf")).c_str());
    for (const char* name : {"saved.ann", "walk.ann"}) {
        CAnimo b(window.get());
        b.Visible(false);
        ASSERT_EQ(b.Load(CXString(name)), 0) << name;
        EXPECT_TRUE(b.IsVisible());
        EXPECT_TRUE(b.isLoaded());
        EXPECT_EQ(b.GetCurrentEvent(), 2);
        EXPECT_EQ(b.GetCurrentFrameInSequence(), 0);
        EXPECT_EQ(b.Current(), 0);
        EXPECT_EQ(pixelsOf(&b), pixelsOf(a.GetFrame(0)));
    }
    CFile::closeBigFile();
    CAnimo missing(window.get());
    EXPECT_EQ(missing.Load(CXString("nothing.ann")), 2000);
    EXPECT_EQ(missing.GetNOF(), 0);
    EXPECT_FALSE(missing.isLoaded());
}

// A position's sound list becomes a sound, a list of several names a
// random sound set (the first name took the sound-effects folder with the
// whole list, the others take it in the set); without a maker of sets such
// a position has no sound; streamed frame sounds make no tables.
TEST_F(CAnimoFileTest, SoundListsBecomeFrameSounds)
{
    window->SetSoundFXPath("C:\\fx");
    CAnimo a(window.get());
    fill(a, window.get());
    const std::string bytes = saved(a);
    CAnimo b(window.get());
    ASSERT_EQ(loadBytes(b, bytes), 0);
    ASSERT_TRUE(b.hasSoundTables());
    ASSERT_NE(b.getSoundFX(0, 0), nullptr);
    EXPECT_EQ(b.getSoundFX(0, 0)->getFileName(), "C:\\fx\\step.wav");
    EXPECT_EQ(b.getSoundFX(0, 1), nullptr);
    CRandomSoundSet* set = static_cast<CRandomSoundSet*>(b.getSoundFX(0, 2));
    ASSERT_NE(set, nullptr);
    ASSERT_EQ(set->getCount(), 2);
    EXPECT_EQ(set->getSound(0)->getFileName(), "C:\\fx\\a.wav");
    EXPECT_EQ(set->getSound(1)->getFileName(), "C:\\fx\\b.wav");

    CAnimo::setSoundSetMaker(nullptr);
    CAnimo c(window.get());
    ASSERT_EQ(loadBytes(c, bytes), 0);
    EXPECT_EQ(c.getSoundFX(0, 2), nullptr);
    CAnimo::setSoundSetMaker([](CWindow* w, const CXString& names, bool flush, bool preload) -> CSound4* {
        return new CRandomSoundSet(w, names, flush, preload);
    });

    a.SetAnimoFlags(ANIMO_STREAMED_SOUNDS);
    CAnimo d(window.get());
    ASSERT_EQ(loadBytes(d, saved(a)), 0);
    EXPECT_FALSE(d.hasSoundTables());
    EXPECT_EQ(d.getSoundFX(0, 0), nullptr);
}

} // namespace
