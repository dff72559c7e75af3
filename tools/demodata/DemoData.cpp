// Writes the binary data of the demo title with the engine's own writers:
// the scenes' background pictures (".img"), their animations and button
// faces (".ann"), the font of their captions (".fnt", compiled from an
// animation of glyphs) and the music (a plain PCM ".wav").
//
//   demodata <title folder>
//
// Everything is drawn here from a few shapes and a small pixel alphabet, so
// the files are small and the same on every run.
#include "graphics/GraphicsObject.h"
#include "media/Animo.h"
#include "media/Frame.h"
#include "platform/Drives.h"
#include "ui/SimpleFont6.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace {

uint16_t rgb(int r, int g, int b) { return uint16_t((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3)); }

// The letters of the captions and buttons, 5 x 7 ('#' ink); "l" gives the
// font its space, which is as wide as "l".
struct Letter {
    char c;
    const char* rows[7];
};
const Letter LETTERS[] = {
    {'A', {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'B', {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."}},
    {'D', {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."}},
    {'E', {"#####", "#....", "#....", "####.", "#....", "#....", "#####"}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".###."}},
    {'H', {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"}},
    {'I', {"###", ".#.", ".#.", ".#.", ".#.", ".#.", "###"}},
    {'L', {"#....", "#....", "#....", "#....", "#....", "#....", "#####"}},
    {'N', {"#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#", "#...#"}},
    {'R', {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"}},
    {'T', {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."}},
    {'Y', {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."}},
    {'l', {"#", "#", "#", "#", "#", "#", "#"}},
};

const Letter* letter(char c)
{
    for (const Letter& l : LETTERS)
        if (l.c == c)
            return &l;
    return nullptr;
}

int letterWidth(const Letter& l) { return int(std::strlen(l.rows[0])); }

// A picture: words and an alpha byte per pixel.
struct Picture {
    int w, h;
    std::vector<uint16_t> words;
    std::vector<uint8_t> alpha;
    Picture(int w, int h) : w(w), h(h), words(size_t(w * h), 0), alpha(size_t(w * h), 0) {}
    void set(int x, int y, uint16_t c, uint8_t a = 255)
    {
        if (x < 0 || y < 0 || x >= w || y >= h)
            return;
        words[size_t(y * w + x)] = c;
        alpha[size_t(y * w + x)] = a;
    }
    void fill(int x0, int y0, int x1, int y1, uint16_t c)
    {
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x)
                set(x, y, c);
    }
    void disc(double cx, double cy, double r, uint16_t c)
    {
        for (int y = int(cy - r); y <= int(cy + r); ++y)
            for (int x = int(cx - r); x <= int(cx + r); ++x)
                if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r)
                    set(x, y, c);
    }
    // The text in the pixel alphabet, each dot scale x scale, letters a
    // dot apart.
    void text(int x, int y, const char* s, int scale, uint16_t c)
    {
        for (; *s; ++s) {
            const Letter* l = letter(*s);
            if (!l) {
                x += 4 * scale;
                continue;
            }
            for (int row = 0; row < 7; ++row)
                for (int col = 0; l->rows[row][col]; ++col)
                    if (l->rows[row][col] == '#')
                        fill(x + col * scale, y + row * scale, x + (col + 1) * scale, y + (row + 1) * scale, c);
            x += (letterWidth(*l) + 1) * scale;
        }
    }
};

int textWidth(const char* s, int scale)
{
    int w = 0;
    for (; *s; ++s) {
        const Letter* l = letter(*s);
        w += (l ? letterWidth(*l) + 1 : 4) * scale;
    }
    return w - scale;
}

CFrame* frameOf(const Picture& p, int x, int y)
{
    CFrame* f = new CFrame(nullptr);
    f->SetBpp(16);
    f->alloc(CXSize(p.w, p.h));
    std::memcpy(f->GetDataPtr(), p.words.data(), p.words.size() * 2);
    std::memcpy(f->GetChannelAlpha(), p.alpha.data(), p.alpha.size());
    f->SetPosition(x, y);
    return f;
}

struct Position {
    uint16_t frame;
    int16_t dx, dy;
};

// An event of the animation; a looping one starts again at its first
// position without end.
void addEvent(CAnimo& a, const char* name, const std::vector<Position>& positions, bool loop)
{
    _annEventInfo3* e = new _annEventInfo3;
    e->setName(name);
    e->opacity = 255;
    std::vector<_anmFrameInfo3*> records;
    for (const Position& p : positions) {
        e->frames.push_back(p.frame);
        _anmFrameInfo3* r = new _anmFrameInfo3;
        r->dx = p.dx;
        r->dy = p.dy;
        records.push_back(r);
    }
    if (loop)
        e->loopEnd = uint16_t(positions.size() - 1);
    a.appendEvent(e, records);
}

std::string enginePath(const std::string& folder, const std::string& name)
{
    return platform::toEnginePath(folder + "/" + name);
}

bool saveAnimation(CAnimo& a, const std::string& folder, const std::string& name)
{
    if (a.Save(CXString(enginePath(folder, name).c_str()), COMPRESSION_RLE2) == 0)
        return true;
    std::fprintf(stderr, "demodata: %s could not be written\n", name.c_str());
    return false;
}

// An 800 x 600 background made by the pattern.
bool background(const std::string& folder, const std::string& name, const std::function<uint16_t(int, int)>& pattern)
{
    CGraphicsObject picture(nullptr, CXSize(800, 600), 16);
    uint16_t* words = reinterpret_cast<uint16_t*>(picture.GetDataPtr());
    for (int y = 0; y < 600; ++y)
        for (int x = 0; x < 800; ++x)
            words[y * 800 + x] = pattern(x, y);
    if (picture.Save(CXString(enginePath(folder, name).c_str()), COMPRESSION_LZO) == 0)
        return true;
    std::fprintf(stderr, "demodata: %s could not be written\n", name.c_str());
    return false;
}

// Every scene has a dark band at the top for its caption and one at the
// bottom for its buttons.
bool band(int y) { return y < 70 || y >= 500; }

uint16_t hall(int x, int y)
{
    if (band(y))
        return rgb(40, 24, 16);
    // Panelled walls above a chequered floor.
    if (y >= 380)
        return ((x / 50 + (y - 380) / 30) % 2) ? rgb(150, 110, 70) : rgb(110, 70, 40);
    return (x % 160 < 8 || y % 100 < 6) ? rgb(120, 40, 40) : rgb(170, 60, 50);
}

uint16_t library(int x, int y)
{
    if (band(y))
        return rgb(16, 16, 40);
    // Shelves of books of a few colours.
    if (y % 105 < 10)
        return rgb(90, 60, 30);
    const uint16_t books[] = {rgb(40, 60, 140), rgb(140, 40, 40), rgb(40, 110, 60), rgb(150, 130, 50)};
    int book = (x / 22 + y / 105 * 3) % 4;
    return x % 22 < 2 ? rgb(20, 20, 30) : books[book];
}

uint16_t garden(int x, int y)
{
    if (band(y))
        return rgb(16, 40, 16);
    if (y < 330)
        return rgb(90, 160 + (y - 70) / 8, 230);
    // Grass with stripes and a path.
    if (std::abs(x - 400) < (y - 330) / 2 + 20)
        return rgb(190, 170, 120);
    return ((x / 40) % 2) ? rgb(60, 160, 60) : rgb(50, 140, 50);
}

// The scene's moving picture: a ball bouncing across the hall, a candle
// flickering in the library, a bird flying over the garden.
bool hallBall(const std::string& folder)
{
    CAnimo a(nullptr);
    Picture ball(40, 40);
    ball.disc(19.5, 19.5, 19.5, rgb(250, 210, 40));
    ball.disc(13, 13, 6, rgb(255, 250, 200));
    a.appendFrame(frameOf(ball, 100, 200));
    std::vector<Position> path;
    const int steps = 24;
    for (int i = 0; i < steps; ++i) {
        double t = double(i) / steps;
        int dx = int(500 * (t < 0.5 ? 2 * t : 2 - 2 * t));
        int dy = int(-160 * std::fabs(std::sin(t * 6 * M_PI)));
        path.push_back({0, int16_t(dx), int16_t(140 + dy)});
    }
    addEvent(a, "BOUNCE", path, true);
    return saveAnimation(a, folder, "ball.ann");
}

bool libraryFlame(const std::string& folder)
{
    CAnimo a(nullptr);
    for (int i = 0; i < 4; ++i) {
        Picture candle(36, 130);
        candle.fill(6, 40, 30, 130, rgb(240, 235, 210));
        candle.fill(17, 30, 19, 40, rgb(30, 30, 30));
        double lean = (i % 2 ? 2.0 : -2.0) * (i / 2 + 1);
        for (int y = 0; y < 32; ++y) {
            double half = 9.0 * std::sin(M_PI * (y + 2) / 36);
            double cx = 17.5 + lean * (32 - y) / 32;
            for (int x = 0; x < 36; ++x)
                if (std::fabs(x - cx) <= half)
                    candle.set(x, y, std::fabs(x - cx) < half / 2 ? rgb(255, 240, 150) : rgb(250, 140, 30));
        }
        a.appendFrame(frameOf(candle, 120, 250));
    }
    addEvent(a, "FLICKER", {{0, 0, 0}, {1, 0, 0}, {2, 0, 0}, {3, 0, 0}, {1, 0, 0}}, true);
    return saveAnimation(a, folder, "candle.ann");
}

bool gardenBird(const std::string& folder)
{
    CAnimo a(nullptr);
    for (int wings = 0; wings < 2; ++wings) {
        Picture bird(48, 24);
        bird.disc(24, 14, 6, rgb(40, 40, 60));
        for (int i = 0; i < 20; ++i) {
            int lift = wings ? i / 2 : -i / 3;
            bird.fill(24 - i - 2, 12 - lift, 24 - i, 14 - lift, rgb(40, 40, 60));
            bird.fill(24 + i, 12 - lift, 24 + i + 2, 14 - lift, rgb(40, 40, 60));
        }
        a.appendFrame(frameOf(bird, 40, 120));
    }
    std::vector<Position> path;
    for (int i = 0; i < 32; ++i)
        path.push_back({uint16_t((i / 2) % 2), int16_t(i * 22), int16_t(30 * std::sin(i * M_PI / 8))});
    addEvent(a, "FLY", path, true);
    return saveAnimation(a, folder, "bird.ann");
}

// A button's face: a framed plate with its label, at its place on the
// screen; lit when the mouse is over it.
const int BUTTON_W = 200, BUTTON_H = 50;

bool buttonFace(const std::string& folder, const std::string& name, const char* label, int x, int y, bool lit)
{
    Picture face(BUTTON_W, BUTTON_H);
    face.fill(0, 0, BUTTON_W, BUTTON_H, lit ? rgb(250, 200, 60) : rgb(200, 200, 210));
    face.fill(4, 4, BUTTON_W - 4, BUTTON_H - 4, lit ? rgb(200, 90, 20) : rgb(50, 70, 120));
    face.text((BUTTON_W - textWidth(label, 3)) / 2, (BUTTON_H - 21) / 2, label, 3, rgb(255, 255, 255));
    CAnimo a(nullptr);
    a.appendFrame(frameOf(face, x, y));
    addEvent(a, "FACE", {{0, 0, 0}}, false);
    return saveAnimation(a, folder, name);
}

// The captions' font: each letter twice its size, in a frame with a blank
// border (the compiler clears the border).
bool font(const std::string& folder)
{
    CAnimo glyphs(nullptr);
    _annEventInfo3* e = new _annEventInfo3;
    e->setName("GLYPHS");
    e->opacity = 255;
    std::vector<_anmFrameInfo3*> records;
    for (const Letter& l : LETTERS) {
        Picture g(letterWidth(l) * 2 + 2, 16);
        const char text[2] = {l.c, 0};
        g.text(1, 1, text, 2, rgb(255, 255, 255));
        e->frames.push_back(uint16_t(glyphs.GetNOF()));
        glyphs.appendFrame(frameOf(g, 0, 0));
        _anmFrameInfo3* r = new _anmFrameInfo3;
        r->frameName = CXString(text);
        records.push_back(r);
    }
    glyphs.appendEvent(e, records);
    CSimpleFont6 compiled(nullptr);
    if (compiled.create(&glyphs, CXString(enginePath(folder, "caption.fnt").c_str())) == 0)
        return true;
    std::fprintf(stderr, "demodata: caption.fnt could not be written\n");
    return false;
}

// A short tune of plucked notes, 8-bit mono at 11025 Hz, that loops.
bool tune(const std::string& folder)
{
    const int rate = 11025;
    const double notes[] = {523.25, 659.25, 783.99, 659.25, 587.33, 698.46, 880.00, 698.46};
    const int noteLength = rate / 5;
    std::string samples;
    for (double f : notes)
        for (int i = 0; i < noteLength; ++i) {
            double t = double(i) / rate;
            double v = std::sin(2 * M_PI * f * t) * std::exp(-6 * t) * 0.5;
            samples += char(uint8_t(128 + int(std::lround(v * 127))));
        }
    auto u32 = [](uint32_t v) { return std::string{char(v), char(v >> 8), char(v >> 16), char(v >> 24)}; };
    auto u16 = [](uint16_t v) { return std::string{char(v), char(v >> 8)}; };
    std::string format = u16(1) + u16(1) + u32(rate) + u32(rate) + u16(1) + u16(8);
    std::string body = "WAVE" + std::string("fmt ") + u32(uint32_t(format.size())) + format + "data" +
                       u32(uint32_t(samples.size())) + samples;
    std::string file = "RIFF" + u32(uint32_t(body.size())) + body;
    FILE* out = std::fopen((folder + "/tune.wav").c_str(), "wb");
    bool written = out && std::fwrite(file.data(), 1, file.size(), out) == file.size();
    if (out)
        written = std::fclose(out) == 0 && written;
    if (!written)
        std::fprintf(stderr, "demodata: tune.wav could not be written\n");
    return written;
}

// The buttons' places: the library's on the left, the garden's on the right.
const int LEFT_X = 340, RIGHT_X = 570, BUTTONS_Y = 525;

bool buttons(const std::string& folder, bool toLibrary, bool toGarden)
{
    bool ok = true;
    if (toLibrary)
        ok = buttonFace(folder, "library.ann", "LIBRARY", LEFT_X, BUTTONS_Y, false) &&
             buttonFace(folder, "library_lit.ann", "LIBRARY", LEFT_X, BUTTONS_Y, true);
    if (toGarden)
        ok = ok && buttonFace(folder, "garden.ann", "GARDEN", RIGHT_X, BUTTONS_Y, false) &&
             buttonFace(folder, "garden_lit.ann", "GARDEN", RIGHT_X, BUTTONS_Y, true);
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: demodata <title folder>\n");
        return 2;
    }
    const std::string title = argv[1];
    const std::string data = title + "/Rara";
    const std::string hallFolder = data + "/HALL", libraryFolder = data + "/LIBRARY", gardenFolder = data + "/GARDEN";
    std::error_code failed;
    for (const std::string& folder : {hallFolder, libraryFolder, gardenFolder})
        std::filesystem::create_directories(folder, failed);
    bool ok = tune(title) && font(data) && background(hallFolder, "hall.img", hall) && hallBall(hallFolder) &&
              buttons(hallFolder, true, true) && background(libraryFolder, "library.img", library) &&
              libraryFlame(libraryFolder) && buttons(libraryFolder, false, true) &&
              background(gardenFolder, "garden.img", garden) && gardenBird(gardenFolder) &&
              buttons(gardenFolder, true, false);
    return ok ? 0 : 1;
}
