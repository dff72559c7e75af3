// The PSD reader: one 24-bit drawable per layer from raw and PackBits
// channels, names, selection and position, the parts of a layer record it
// passes over, and short documents.
#include "base/File.h"
#include "graphics/PSD.h"
#include "platform/Drives.h"
#include "support/TestSupport.h"
#include "support/WrittenPictures.h"
#include "ImageFileData.h"
#include "ScreenSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>

namespace {

using imagedata::Bytes;
using imagedata::PsdChannel;
using imagedata::PsdLayer;

// A plane of w x h bytes with runs and noise, different for each channel.
Bytes plane(int w, int h, int channel)
{
    Bytes b;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            b.push_back(uint8_t(x < w / 2 ? 40 * channel + y : (x * 37 + y * 11 + channel * 5) & 0xFF));
    return b;
}

PsdLayer layer(int left, int top, int w, int h, const std::string& name, int compression)
{
    PsdLayer l{top, left, top + h, left + w, name, {}, {}};
    for (int id : {-1, 0, 1, 2})
        l.channels.push_back(PsdChannel{id, compression, plane(w, h, id + 1)});
    return l;
}

class CPSDTest : public screentest::HeadlessScreen {
protected:
    std::string put(const std::string& name, const Bytes& bytes)
    {
        dir.write(name, std::string(bytes.begin(), bytes.end()));
        return platform::toEnginePath(dir.file(name));
    }
    // Whether the drawable holds the layer's channels as 24-bit pixels
    // (blue, green, red) and its transparency as alpha.
    static ::testing::AssertionResult holds(CGraphicsObject* d, int w, int h)
    {
        if (!d || d->Width() != w || d->Height() != h || d->GetBpp() != 24 || !d->GetDataPtr())
            return ::testing::AssertionFailure() << "no picture of " << w << "x" << h;
        const Bytes a = plane(w, h, 0), r = plane(w, h, 1), g = plane(w, h, 2), b = plane(w, h, 3);
        for (int i = 0; i < w * h; ++i) {
            const unsigned char* p = reinterpret_cast<const unsigned char*>(d->GetDataPtr()) + i * 3;
            if (p[0] != b[i] || p[1] != g[i] || p[2] != r[i] || uint8_t(d->GetChannelAlpha()[i]) != a[i])
                return ::testing::AssertionFailure() << "pixel " << i << " differs";
        }
        return ::testing::AssertionSuccess();
    }
    testsupport::TempDir dir;
};

TEST_F(CPSDTest, ReadsEachLayerRawOrPackedIntoItsOwnDrawable)
{
    PsdLayer masked = layer(3, 4, 20, 6, "Sky", 1);
    masked.mask = Bytes(36, 7); // a mask of 36 bytes, not 20
    masked.channels.push_back(PsdChannel{-2, 0, Bytes(20 * 6, 9)});
    PsdLayer unnamed = layer(0, 0, 5, 5, "", 0);
    unnamed.channels.pop_back(); // fewer channels than the first layer: no blue
    unnamed.extraBlock = true;
    const std::string name = put("doc.psd", imagedata::psd({layer(10, 20, 20, 6, "Ground", 0), masked, unnamed}, -3));

    CPSD doc(nullptr, CXString(name.c_str()));
    ASSERT_EQ(doc.LastError(), 0);
    ASSERT_EQ(doc.GetLayerNo(), 3);
    EXPECT_EQ(doc.GetSelLayer(), 0);
    EXPECT_EQ(doc.GetLayerName(-1), "Ground");
    EXPECT_EQ(doc.GetLayerName(1), "Sky");
    EXPECT_EQ(doc.GetLayerName(2), "");
    EXPECT_EQ(doc.GetLayerName(9), "");
    EXPECT_TRUE(holds(doc.GetCurrentLayer(), 20, 6));
    EXPECT_EQ(doc.GetCurrentLayer()->GetPosition(), CXPoint(10, 20));
    EXPECT_EQ(doc.GetCurrentLayer()->getFileName(), "Ground");

    doc.SelectLayer(CXString("Sky"));
    EXPECT_EQ(doc.GetSelLayer(), 1);
    EXPECT_TRUE(holds(doc.GetCurrentLayer(), 20, 6));
    EXPECT_EQ(doc.GetLayerRect(0), CXRect(3, 4, 23, 10));

    doc.SelectLayer(2);
    CGraphicsObject* third = doc.GetCurrentLayer();
    ASSERT_EQ(third->Width(), 5);
    // No blue channel: blue is 0.
    EXPECT_EQ(uint8_t(third->GetDataPtr()[0]), 0);
    EXPECT_EQ(uint8_t(third->GetDataPtr()[2]), plane(5, 5, 1)[0]);

    doc.SelectLayer(CXString("sky"));
    doc.SelectLayer(7);
    EXPECT_EQ(doc.GetSelLayer(), 2);

    doc.SetPosition(100, 50);
    EXPECT_EQ(doc.GetPosition(), CXPoint(100, 50));
    EXPECT_EQ(third->GetPosition(), CXPoint(100, 50));
    EXPECT_EQ(doc.GetLayerRect(0), CXRect(100, 50, 105, 55));
}

TEST_F(CPSDTest, ConvertsItsLayersToTheDisplay)
{
    std::unique_ptr<CWindow> w = makeWindow();
    const std::string name = put("doc.psd", imagedata::psd({layer(0, 0, 4, 2, "A", 1)}, 1));
    CPSD doc(w.get(), CXString(name.c_str()));
    ASSERT_EQ(doc.LastError(), 0);
    CGraphicsObject* d = doc.GetCurrentLayer();
    EXPECT_EQ(d->GetBpp(), 16);
    const unsigned r = plane(4, 2, 1)[5], g = plane(4, 2, 2)[5], b = plane(4, 2, 3)[5];
    EXPECT_EQ(uint16_t(d->GetPixel(1, 1).getPixel()), uint16_t((r >> 3) << 11 | (g >> 2) << 5 | b >> 3));
}

TEST_F(CPSDTest, ShortOrDamagedDocumentsKeepNoLayers)
{
    const Bytes good = imagedata::psd({layer(0, 0, 8, 4, "A", 1), layer(2, 2, 3, 3, "B", 0)}, 2);
    Bytes huge = good;
    // The first layer's bottom edge pushed far down.
    huge[26 + 4 + 4 + 4 + 4 + 2 + 4 + 0] = 0x7F;
    // Channels coded in ZIP (2), ZIP with prediction (3) and a coding no
    // writer uses: their planes cannot be read, and would show black.
    auto coded = [](int compression) {
        PsdLayer l = layer(1, 1, 2, 2, "Zipped", 0);
        l.channels[1] = PsdChannel{0, compression, Bytes{1, 2, 3, 4, 5}};
        return imagedata::psd({layer(0, 0, 4, 4, "A", 0), l}, 2);
    };
    // A row of 300 equal bytes packs into three runs, 6 bytes: a row that
    // claims 2 of them cannot give 300 bytes.
    PsdLayer wide{0, 0, 1, 300, "Wide", {PsdChannel{0, 1, Bytes(300, 0x55)}}, {}};
    const Bytes wideFile = imagedata::psd({wide}, 1);
    const Bytes sixByteRow{0, 6, 0x81, 0x55, 0x81, 0x55, 0xD5, 0x55};
    Bytes shortRow = wideFile;
    auto row = std::search(shortRow.begin(), shortRow.end(), sixByteRow.begin(), sixByteRow.end());
    ASSERT_NE(row, shortRow.end());
    row[1] = 2;
    shortRow.erase(row + 4, row + 8);
    struct Case {
        const char* name;
        Bytes file;
    } cases[] = {
        {"header cut", Bytes(good.begin(), good.begin() + 20)},
        {"layer records cut", Bytes(good.begin(), good.begin() + 60)},
        {"channel data cut", Bytes(good.begin(), good.end() - 10)},
        {"absurd layer", huge},
        {"ZIP", coded(2)},
        {"ZIP with prediction", coded(3)},
        {"unknown coding", coded(7)},
        {"PackBits row shorter than its width allows", shortRow},
    };
    for (const Case& c : cases) {
        CPSD doc(nullptr, CXString(put("bad.psd", c.file).c_str()));
        EXPECT_EQ(doc.LastError(), int(CGraphicsObject::ERROR_DAMAGED)) << c.name;
        EXPECT_EQ(doc.GetLayerNo(), 0) << c.name;
        EXPECT_EQ(doc.GetCurrentLayer(), nullptr) << c.name;
    }
    // The same wide layer with its whole row.
    CPSD wideDoc(nullptr, CXString(put("wide.psd", wideFile).c_str()));
    ASSERT_EQ(wideDoc.LastError(), 0);
    ASSERT_TRUE(wideDoc.GetCurrentLayer() && wideDoc.GetCurrentLayer()->GetDataPtr());
    EXPECT_EQ(uint8_t(wideDoc.GetCurrentLayer()->GetDataPtr()[299 * 3 + 2]), 0x55);
    // A flat document has no layers and no error.
    imagedata::Writer flat;
    flat.text("8BPS").be16(1).zeros(6).be16(3).be32(2).be32(2).be16(8).be16(3).be32(0).be32(0).be32(0);
    flat.be16(0).zeros(12);
    CPSD doc(nullptr, CXString(put("flat.psd", flat.b).c_str()));
    EXPECT_EQ(doc.LastError(), 0);
    EXPECT_EQ(doc.GetLayerNo(), 0);
    CPSD missing(nullptr, CXString(platform::toEnginePath(dir.file("none.psd")).c_str()));
    EXPECT_EQ(missing.LastError(), CFile::ERROR_OPEN);
}

// Documents written by another program (one and three layers, raw and
// PackBits planes, grey, with alpha): each layer as the writer reads it,
// where it lies, in the display's 5-6-5 words with its transparency.
TEST_F(CPSDTest, ReadsEveryLayerOfDocumentsWrittenByAnotherProgram)
{
    backend.setDesktopDepth(16);
    std::unique_ptr<CWindow> w = makeWindow();
    int layers = 0;
    for (const testsupport::WrittenPicture& p : testsupport::writtenPictures()) {
        if (p.file.find(".psd") == std::string::npos)
            continue;
        ++layers;
        const std::string path = platform::toEnginePath(testsupport::picturesFolder() + "/" + p.file);
        CPSD psd(w.get(), CXString(path.c_str()));
        ASSERT_EQ(psd.LastError(), 0) << p.file;
        psd.SelectLayer(p.layer);
        CGraphicsObject* d = psd.getDrawn();
        ASSERT_EQ(d, psd.GetCurrentLayer());
        ASSERT_EQ(d->Width(), p.width) << p.file << " " << p.layer;
        ASSERT_EQ(d->Height(), p.height) << p.file << " " << p.layer;
        EXPECT_EQ(d->GetPosition(), CXPoint(p.x, p.y)) << p.file << " " << p.layer;
        EXPECT_EQ(d->GetBpp(), 16);
        int differ = 0;
        std::string first;
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                const int alpha = d->GetChannelAlpha() ? uint8_t(d->GetChannelAlpha()[y * p.width + x]) : 255;
                const uint16_t word = uint16_t(d->GetPixel(x, y).getPixel());
                if (alpha == p.part(x, y, 3) && (!p.opaque(x, y) || word == p.word(x, y)))
                    continue;
                if (!differ++)
                    first = "(" + std::to_string(x) + "," + std::to_string(y) + "): " + std::to_string(word) +
                            " alpha " + std::to_string(alpha) + " for " + std::to_string(p.word(x, y)) + " alpha " +
                            std::to_string(p.part(x, y, 3));
            }
        EXPECT_EQ(differ, 0) << p.file << " layer " << p.layer << ", first at " << first;
    }
    EXPECT_EQ(layers, 13);
}

// Documents of other depths and colour modes would show their bytes as
// pixels they are not: they are refused.
TEST_F(CPSDTest, RefusesDocumentsOfOtherDepthsAndModes)
{
    for (auto depthAndMode : {std::pair<int, int>{16, 3}, {8, 4}, {8, 2}}) {
        Bytes file = imagedata::psd({layer(0, 0, 4, 3, "L", 0)}, 1);
        file[22] = 0;
        file[23] = uint8_t(depthAndMode.first);
        file[24] = 0;
        file[25] = uint8_t(depthAndMode.second);
        CPSD psd(nullptr, CXString(put("other.psd", file).c_str()));
        EXPECT_EQ(psd.LastError(), int(CGraphicsObject::ERROR_DAMAGED))
            << depthAndMode.first << " " << depthAndMode.second;
        EXPECT_EQ(psd.GetLayerNo(), 0);
        EXPECT_EQ(psd.getDrawn(), &psd);
    }
}

} // namespace
