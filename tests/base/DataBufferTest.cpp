#include "base/DataBuffer.h"
#include "base/File.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"

#include <cstring>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace {

TEST(CMemStreamTest, ReadsBitsMostSignificantFirst)
{
    const unsigned char a5 = 0xA5;
    CMemStream bits(&a5, 1);
    for (int expected : {1, 0, 1, 0, 0, 1, 0, 1})
        EXPECT_EQ(bits.get_bit(), expected);

    CMemStream three(&a5, 1);
    EXPECT_EQ(three.get_bits(3), 5);
    CMemStream signedThree(&a5, 1);
    EXPECT_EQ(signedThree.get_signed_bits(3), -3);
    EXPECT_EQ(signedThree.get_signed_bits(2), 0);
    EXPECT_EQ(signedThree.get_signed_bits(1), -1);

    // Nothing read for n below 1.
    CMemStream none(&a5, 1);
    char* start = none.getPtr();
    EXPECT_EQ(none.get_bits(0), 0);
    EXPECT_EQ(none.get_signed_bits(-2), 0);
    EXPECT_EQ(none.get_bit(), 1);
    EXPECT_EQ(none.getPtr(), start);
}

TEST(CMemStreamTest, ByteReadsAlignButGetBytesDoesNot)
{
    const unsigned char bytes[] = {0x11, 0x34, 0x12, 0xFF, 0xFF, 0x78, 0x56, 0x34, 0x12};
    CMemStream s(bytes, sizeof bytes);
    EXPECT_EQ(s.get_char(), 0x11); // at a boundary: the current byte
    s.get_bits(3);
    EXPECT_EQ(s.get_char(), 0x12); // the partly read 0x34 is skipped
    EXPECT_EQ(s.get_shortint(), -1);
    EXPECT_EQ(s.get_int(), 0x12345678);

    CMemStream t(bytes, sizeof bytes);
    t.get_char();
    EXPECT_EQ(t.get_shortint(), 0x1234);
    t.get_bits(3);
    unsigned char copy[2];
    t.get_bytes(copy, 2); // from the partly read byte, bit position kept
    EXPECT_EQ(copy[0], 0xFF);
    EXPECT_EQ(copy[1], 0xFF);
    EXPECT_EQ(t.get_bits(5), 0x78 & 0x1F);

    CMemStream m(bytes, sizeof bytes);
    char* start = m.getPtr();
    m.move(0);
    EXPECT_EQ(m.getPtr(), start);
    m.get_bits(5);
    m.move(0);
    EXPECT_EQ(m.getPtr(), start + 1);
    EXPECT_EQ(m.get_char(), 0x34);
}

TEST(CMemStreamTest, ReadsPastTheEndGiveZeroAndStay)
{
    const unsigned char bytes[] = {0xFF, 0x01, 0x02};
    CMemStream s(bytes, sizeof bytes);
    EXPECT_EQ(s.get_char(), 0xFF);
    char* at = s.getPtr();
    EXPECT_EQ(s.get_int(), 0);
    EXPECT_EQ(s.getPtr(), at);
    EXPECT_EQ(s.get_shortint(), 0x0201);
    EXPECT_EQ(s.get_char(), 0);
    EXPECT_EQ(s.get_bits(12), 0);
    unsigned char out[3] = {9, 9, 9};
    s.get_bytes(out, 3);
    EXPECT_EQ(out[0] | out[1] | out[2], 0);
    s.move(100);
    s.move(-100);
    EXPECT_EQ(s.get_char(), 0xFF);

    CMemStream empty(nullptr, 0);
    EXPECT_EQ(empty.get_signed_bits(8), 0);
    EXPECT_EQ(empty.get_int(), 0);

    // Bytes copied from a byte begun to the end leave bits counted there;
    // aligning then stays at the end.
    CMemStream cut(bytes, sizeof bytes);
    char* end = cut.getPtr() + sizeof bytes;
    cut.get_bits(3);
    cut.get_bytes(out, 3);
    EXPECT_EQ(cut.get_char(), 0);
    EXPECT_EQ(cut.get_bits(16), 0);
    cut.move(0);
    EXPECT_EQ(cut.getPtr(), end);
}

TEST(CMemStreamTest, ReadsAnOpenFileFromItsPosition)
{
    testsupport::TempDir tmp;
    testsupport::CwdGuard cwd;
    platform::ScopedDriveMap drives;
    platform::mapDrive('H', tmp.path(), platform::DriveKind::FixedDisk);
    tmp.write("stream.bin", std::string("\x01\x34\x12", 3));
    ASSERT_EQ(CFile::chDir("H:\\"), 0);

    CFile file(nullptr, "stream.bin", 0x11);
    ASSERT_EQ(file.LastError(), 0);
    file.Seek(1, 0);
    CMemStream s(&file);
    EXPECT_EQ(s.get_shortint(), 0x1234);
    EXPECT_EQ(s.get_char(), 0); // the file's length, less the skipped byte

    CFile closed;
    CMemStream none(&closed);
    EXPECT_EQ(none.get_char(), 0);
}

TEST(CMemStorageTest, PiecesStayWholeInTheirChunks)
{
    CMemStorage store(10);
    store.put(const_cast<char*>("abcdef"), 6);
    store.put(const_cast<char*>("ghij"), 4); // fills the chunk exactly
    store.put(const_cast<char*>("k"), 1);    // opens a second chunk
    store.put(const_cast<char*>("0123456789ABCDEF"), 16); // longer than a chunk
    store.put(const_cast<char*>("xyz"), 3);
    ASSERT_EQ(store.getTotalSize(), 30);
    std::string out(30, '?');
    store.copy(&out[0]);
    EXPECT_EQ(out, "abcdefghijk0123456789ABCDEFxyz");

    CMemStorage byDefault;
    std::string big(102400, 'q');
    byDefault.put(&big[0], 102400);
    byDefault.put(&big[0], 1);
    EXPECT_EQ(byDefault.getTotalSize(), 102401);
}

TEST(CDataBufferTest, BackupRestoreAndClone)
{
    CDataBuffer b(const_cast<char*>("abcd"), 2, 2);
    EXPECT_EQ(b.getMemoryUsage(), 4);
    b.backup();
    std::memcpy(b.getBuffer(), "wxyz", 4);
    b.restore(false);
    EXPECT_EQ(std::string(b.getBuffer(), 4), "abcd");
    std::memcpy(b.getBuffer(), "wxyz", 4);
    b.restore(false); // the backup is still there
    EXPECT_EQ(std::string(b.getBuffer(), 4), "abcd");

    ++b;
    std::unique_ptr<CDataBuffer> copy(static_cast<CDataBuffer*>(b.clone()));
    EXPECT_EQ(copy->getPtr() - copy->getBuffer(), 2);
    EXPECT_EQ(std::string(copy->getBuffer(), 4), "abcd");
    std::memcpy(copy->getBuffer(), "1234", 4);
    copy->restore(true); // the clone has its own copy of the backup
    EXPECT_EQ(std::string(copy->getBuffer(), 4), "abcd");
    std::memcpy(copy->getBuffer(), "1234", 4);
    copy->restore(false); // gone after discard
    EXPECT_EQ(std::string(copy->getBuffer(), 4), "1234");

    b.flush();
    EXPECT_EQ(b.getBuffer(), nullptr);
    EXPECT_EQ(b.getMemoryUsage(), 4);
}

TEST(CDataBufferTest, TwoDimensionalCursor)
{
    CDataBuffer2Dim plane(CXSize(4, 3), 2);
    plane.zero();
    plane.at(2, 1);
    EXPECT_EQ(plane.getPtr() - plane.getBuffer(), 12);
    plane.nextLine();
    EXPECT_EQ(plane.getPtr() - plane.getBuffer(), 20);
    plane.prevLine();
    plane -= 1;
    EXPECT_EQ(static_cast<short int*>(plane) - reinterpret_cast<short int*>(plane.getBuffer()), 5);

    std::unique_ptr<CDataBuffer2Dim> copy(static_cast<CDataBuffer2Dim*>(plane.clone()));
    EXPECT_EQ(copy->getWidth(), 4);
    EXPECT_EQ(copy->getHeight(), 3);
    EXPECT_EQ(copy->getPtr() - copy->getBuffer(), 10);
    EXPECT_EQ(copy->getMemoryUsage(), 24);
}

// Sizes come from file headers: a byte count that an int cannot hold gives
// an empty block instead of a wrapped, too small one.
TEST(CDataBufferTest, SizesBeyondAnIntGiveAnEmptyBlock)
{
    CDataBuffer wide(65537, 65536);
    EXPECT_EQ(wide.getMemoryUsage(), 0);

    CDataBuffer2Dim plane(CXSize(65536, 65537), 2);
    EXPECT_EQ(plane.getMemoryUsage(), 0);
    EXPECT_EQ(plane.getWidth(), 0);
    EXPECT_EQ(plane.getHeight(), 0);

    CDataBuffer2Dim fits(CXSize(1000, 1000), 2);
    EXPECT_EQ(fits.getMemoryUsage(), 2000000);
    EXPECT_EQ(fits.getWidth(), 1000);
}

} // namespace
