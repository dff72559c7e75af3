#include "base/Archive.h"
#include "base/File.h"
#include "base/FileStream.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"

#include <climits>
#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace {

using testsupport::TempDir;

class CXArchiveTest : public ::testing::Test {
protected:
    void SetUp() override { platform::mapDrive('T', tmp.path(), platform::DriveKind::FixedDisk); }

    // Runs the writer over a new file and returns the bytes it left.
    template <class F>
    std::string written(F write)
    {
        CFile f(nullptr, "T:\\out.bin", 0x16);
        EXPECT_EQ(f.LastError(), 0);
        CXArchive ar(&f, true);
        write(ar);
        EXPECT_EQ(ar.LastError(), 0);
        ar.Close();
        return tmp.read("out.bin");
    }

    TempDir tmp;
    platform::ScopedDriveMap drives;
};

// A reading archive over bytes in memory.
struct Reader {
    explicit Reader(const std::string& b) : bytes(b), stream(&bytes[0], int(bytes.size())), ar(&stream, false) {}
    std::string bytes;
    CFile_Stream stream;
    CXArchive ar;
};

TEST_F(CXArchiveTest, WritesEveryValueByteExactAndReadsItBack)
{
    std::string bytes = written([](CXArchive& ar) {
        ar << int(-2) << uint32_t(0xA1B2C3D4u) << int64_t(0x0102030405060708LL) << true << 2.5 << 0.0015 << -0.0009
           << 2.01 << CXRect(1, -1, 3, 4) << "abc" << CXString() << CXString("xy");
        ar.writeShortString("hi");
    });
    const char image[] = "\xFE\xFF\xFF\xFF"
                         "\xD4\xC3\xB2\xA1"
                         "\x08\x07\x06\x05\x04\x03\x02\x01"
                         "\x01"
                         "\xC4\x09\x00\x00"
                         "\x01\x00\x00\x00"
                         "\x00\x00\x00\x00"
                         "\xDA\x07\x00\x00"
                         "\x01\x00\x00\x00\xFF\xFF\xFF\xFF\x03\x00\x00\x00\x04\x00\x00\x00"
                         "\x03\x00\x00\x00"
                         "abc"
                         "\x00\x00\x00\x00"
                         "\x02\x00\x00\x00"
                         "xy"
                         "\x02"
                         "hi";
    const std::string expected(image, sizeof image - 1);
    ASSERT_EQ(bytes, expected);

    Reader r(bytes);
    int i = 0;
    uint32_t u = 0;
    int64_t l = 0;
    bool b = false;
    double d1 = 0, d2 = 0, d3 = 0, d4 = 0;
    CXRect rect;
    char* text = nullptr;
    CXString empty("x"), xy, hi;
    r.ar >> &i >> &u >> &l >> &b >> &d1 >> &d2 >> &d3 >> &d4 >> &rect >> &text >> &empty >> &xy;
    r.ar.readShortString(&hi);
    EXPECT_EQ(r.ar.LastError(), 0);
    EXPECT_EQ(i, -2);
    EXPECT_EQ(u, 0xA1B2C3D4u);
    EXPECT_EQ(l, 0x0102030405060708LL);
    EXPECT_TRUE(b);
    EXPECT_EQ(d1, 2.5);
    EXPECT_EQ(d2, 0.001);
    EXPECT_EQ(d3, 0.0);
    EXPECT_EQ(d4, 2.01);
    EXPECT_EQ(rect.left, 1);
    EXPECT_EQ(rect.top, -1);
    EXPECT_EQ(rect.right, 3);
    EXPECT_EQ(rect.bottom, 4);
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, "abc");
    delete[] text;
    EXPECT_EQ(empty, "");
    EXPECT_EQ(xy, "xy");
    EXPECT_EQ(hi, "hi");
}

TEST_F(CXArchiveTest, DoublesKeepTheirThousandths)
{
    struct Case {
        double value;
        int32_t stored;
    } cases[] = {
        {2.01, 2010},      {0.0015, 1},           {-0.0009, 0},          {1.23456, 1234},     {-1.2345, -1234},
        {0.1 + 0.2, 300},  {-2.01, -2010},        {4.35, 4350},          {1e10, INT32_MAX},   {-1e10, INT32_MIN},
        {NAN, 0},          {2147483.647, INT32_MAX},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CXArchive::toThousandths(c.value), c.stored) << c.value;
    // What is read back stores as the same thousandths again.
    for (int n : {2010, -1234, 1, 999999, -7}) {
        std::string bytes(reinterpret_cast<const char*>(&n), 4);
        Reader r(bytes);
        double d = 0;
        r.ar >> &d;
        EXPECT_EQ(CXArchive::toThousandths(d), n);
    }
}

TEST_F(CXArchiveTest, StringsKeepAnyBytesAndShortStringsStayInStep)
{
    std::string raw("a\0\xFF\n", 4);
    std::string long200(200, 'q');
    std::string bytes = written([&](CXArchive& ar) {
        ar << CXString(raw.data(), 4);
        ar.writeShortString(CXString(std::string(127, 'p').c_str()));
        ar.writeShortString(CXString(long200.c_str())); // cut to 127
        ar << 7;
    });
    ASSERT_EQ(bytes.size(), size_t(4 + 4 + 1 + 127 + 1 + 127 + 4));
    EXPECT_EQ(bytes[8 + 128], '\x7F');

    Reader r(bytes);
    CXString s, p, q;
    int seven = 0;
    r.ar >> &s;
    r.ar.readShortString(&p);
    r.ar.readShortString(&q);
    r.ar >> &seven;
    EXPECT_EQ(std::string(s.c_str(), size_t(s.getLength())), raw);
    EXPECT_EQ(p.getLength(), 127);
    EXPECT_EQ(q, std::string(127, 'q').c_str());
    EXPECT_EQ(seven, 7);

    // A writer that stored 200 characters behind the length byte C8.
    Reader old("\xC8" + long200 + std::string("\x05\x00\x00\x00", 4));
    old.ar.readShortString(&q);
    old.ar >> &seven;
    EXPECT_EQ(q, long200.c_str());
    EXPECT_EQ(seven, 5);
    EXPECT_EQ(old.ar.LastError(), 0);
}

TEST_F(CXArchiveTest, DamagedInputGivesEmptyValuesAndOneError)
{
    // A negative length is the empty string and reads nothing more.
    Reader negative(std::string("\xFB\xFF\xFF\xFF\x09\x00\x00\x00", 8));
    CXString s("old");
    int n = 0;
    negative.ar >> &s >> &n;
    EXPECT_EQ(s, "");
    EXPECT_EQ(n, 9);
    EXPECT_EQ(negative.ar.LastError(), 0);

    const std::string damaged[] = {
        std::string("\xFF\xFF\xFF\x7F" "abc", 7), // length far beyond the file
        std::string("\x00\x10\x00\x00" "abc", 7), // length just beyond a small buffer
        std::string("\x05\x00", 2),               // a truncated length
    };
    for (const std::string& bytes : damaged) {
        Reader r(bytes);
        CXString text("old");
        r.ar >> &text;
        EXPECT_EQ(text, "");
        EXPECT_EQ(r.ar.LastError(), CXArchive::ERROR_IO);
        int after = 1;
        r.ar >> &after; // nothing more is read once damaged
        EXPECT_EQ(after, 0);

        Reader again(bytes);
        char* buffer = nullptr;
        again.ar >> &buffer;
        ASSERT_NE(buffer, nullptr);
        EXPECT_STREQ(buffer, "");
        delete[] buffer;
    }

    Reader shortRect(std::string("\x01\x00\x00\x00\x02", 5));
    CXRect rect(9);
    shortRect.ar >> &rect;
    EXPECT_EQ(rect.left, 1);
    EXPECT_EQ(rect.top, 0);
    EXPECT_EQ(rect.bottom, 0);
    EXPECT_EQ(shortRect.ar.LastError(), CXArchive::ERROR_IO);

    CXArchive none(nullptr, false);
    none.Close();
    none >> &n;
    EXPECT_EQ(n, 0);
}

TEST_F(CXArchiveTest, TextWordsCopiedFilesAndSingleBytes)
{
    std::string longWord(3000, 'w');
    tmp.write("payload.dat", std::string("\x00\x01 ", 3));
    std::string bytes = written([&](CXArchive& ar) {
        ar.CopyFileA("T:\\PAYLOAD.DAT");
        ar.CopyFileA("T:\\missing.dat");
        ar.FWrite("one ");
        ar.FWrite(CXString(longWord.c_str()));
        ar.FWrite("\t\n two");
    });
    EXPECT_EQ(bytes, std::string("\x00\x01 ", 3) + "one " + longWord + "\t\n two");

    CFile f(nullptr, "T:\\out.bin", 0x11);
    CXArchive ar(&f, false);
    EXPECT_FALSE(ar.isStoring());
    EXPECT_EQ(ar.GetFileHandle(), &f);
    char zero = 'x';
    unsigned char one = 0;
    ar >> &zero >> &one;
    EXPECT_EQ(zero, 0);
    EXPECT_EQ(one, 1);
    CXString w1, w2, w3;
    ar.FRead(w1);
    ar.FRead(w2);
    ar.FRead(w3);
    EXPECT_EQ(w1, "one");
    EXPECT_EQ(w2, longWord.c_str());
    EXPECT_EQ(w3, "two");

    // The same words from memory.
    Reader r(" alpha  beta");
    r.ar.FRead(w1);
    r.ar.FRead(w2);
    r.ar.FRead(w3);
    EXPECT_EQ(w1, "alpha");
    EXPECT_EQ(w2, "beta");
    EXPECT_EQ(w3, "");
}

} // namespace
