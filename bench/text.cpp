// A 2,000-word text in two fonts (a bold word every seventh, a coloured one
// every thirteenth) laid out and drawn into an 800 x 600 area: set as the
// text of a multi-line text (parsed, wrapped into lines) and drawn letter
// by letter into an 800 x 600 drawable; and the same text drawn again
// without laying it out. The "x_memcpy" counter is the time over memcpy of
// one whole 800 x 600 16-bit frame (960,000 bytes) measured in the same
// run.
#include "../tests/ui/FontSupport.h"
#include "BestBatch.h"
#include "HeadlessWindow.h"
#include "platform/Drives.h"
#include "ui/FontCollection.h"
#include "ui/MultilineText6.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <random>
#include <string>
#include <unistd.h>

namespace {

const int FrameBytes = 800 * 600 * 2;

struct Scene : benchsupport::HeadlessWindow {
    std::string folder;
    std::unique_ptr<CSimpleFont6> standard, bold;
    std::unique_ptr<CFontCollection> fonts;
    std::unique_ptr<CGraphicsObject> area;
    std::unique_ptr<CMultilineText6> text;
    CXString markup;

    // Lower-case letters as blocks 1 to 5 pixels wide (wider in bold) in
    // cells 12 rows high.
    std::unique_ptr<CSimpleFont6> font(const char* style, int extra)
    {
        static const std::string letters = "abcdefghijklmnopqrstuvwxyz";
        std::vector<std::string> names;
        for (char c : letters)
            names.push_back(std::string(1, c));
        std::vector<fonttest::GlyphArt> art;
        for (size_t i = 0; i < letters.size(); ++i) {
            fonttest::GlyphArt g{names[i].c_str(), 0x8410, {}};
            const int ink = 1 + int(i % 5) + extra;
            for (int y = 0; y < 12; ++y)
                g.rows.push_back("." + std::string(size_t(ink), y > 1 && y < 10 ? '#' : '.') + ".");
            art.push_back(g);
        }
        CAnimo glyphs(window.get());
        fonttest::fillAnimation(glyphs, art);
        std::unique_ptr<CSimpleFont6> f(new CSimpleFont6(window.get()));
        f->create(&glyphs, CXString(platform::toEnginePath(folder + "/" + style + ".fnt").c_str()));
        f->setFamily("Blocks");
        f->setStyle(style);
        f->setSize(12);
        return f;
    }

    Scene()
    {
        char name[] = "/tmp/quarnel-bench-text-XXXXXX";
        folder = mkdtemp(name) ? name : "/tmp";
        standard = font("STANDARD", 0);
        bold = font("BOLD", 1);
        fonts.reset(new CFontCollection(window.get()));
        fonts->addFont(standard.get());
        fonts->addFont(bold.get());
        area.reset(new CGraphicsObject(window.get(), CXSize(800, 600), 16));
        std::mt19937 random(38);
        for (int w = 0; w < 2000; ++w) {
            std::string word;
            for (int n = 2 + int(random() % 6); n > 0; --n)
                word += char('a' + random() % 26);
            if (w % 7 == 3)
                word = "<B>" + word + "<B>";
            else if (w % 13 == 5)
                word = "<COLOR,255,0,0>" + word + "<COLOR65535>";
            markup += ((w ? " " : "") + word).c_str();
        }
        text.reset(new CMultilineText6(window.get(), false, nullptr));
        text->SetDestiny(area.get());
        text->setFont(fonts.get());
        text->setJustify(CXRect(0, 0, 800, 600), LEFT, TOP);
    }
    ~Scene()
    {
        text.reset();
        for (const char* style : {"STANDARD", "BOLD"})
            std::remove((folder + "/" + style + ".fnt").c_str());
        rmdir(folder.c_str());
    }
};

template <class Draw>
void measure(benchmark::State& state, Draw draw)
{
    benchsupport::measureAgainstMemcpy(state, FrameBytes, draw);
}

void BM_TextLaidOutAndDrawn(benchmark::State& state)
{
    Scene scene;
    measure(state, [&] {
        scene.text->setText(scene.markup);
        scene.text->Redraw();
    });
    state.counters["lines"] = scene.text->getLineCount();
    state.counters["height"] = scene.text->Height();
}

void BM_TextDrawn(benchmark::State& state)
{
    Scene scene;
    scene.text->setText(scene.markup);
    measure(state, [&] { scene.text->Redraw(); });
}

BENCHMARK(BM_TextLaidOutAndDrawn)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TextDrawn)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
