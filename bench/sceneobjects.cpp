// Entering and leaving a scene of many objects of one type, as the host
// does on the headless window: IMAGE objects each over a picture file of its
// own, ANIMO objects each over an animation file of its own, TIMER objects
// and EDITBOX objects in one FONT. The pictures and animations are small
// and stand at 97 places of the screen, the edit boxes each at a place of
// its own, and their priorities repeat every seven objects. Entering is the scene's
// initialisation and the frame after it, leaving its unload and the frame
// after that (the timers' entries go there). Each figure is nanoseconds per
// object; the reference (plain) puts as many named objects into a
// std::unordered_map and a std::vector. Each figure is also printed over
// the same figure at 1,000 objects measured in the same run (x1k): near 1
// while the cost of an object does not grow with the number of objects in
// the scene.
#include "HeadlessWindow.h"
#include "PerObject.h"
#include "graphics/GraphicsObject.h"
#include "graphics/RefreshScreen.h"
#include "media/Animo.h"
#include "media/Frame.h"
#include "media/AnimoEvents.h"
#include "platform/Drives.h"
#include "script/Application.h"
#include "script/Behaviour.h"
#include "script/Disposal.h"
#include "script/Element.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/VariableFactory.h"
#include "ui/SimpleFont6.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <malloc.h>
#include <memory>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

const int Smallest = 1000;
const int Largest = 16000;
// Distinct places of the pictures and animations.
const int Places = 97;

enum Kind { IMAGES, ANIMATIONS, TIMERS, EDITBOXES };

std::string placeName(const char* prefix, int place, const char* extension)
{
    return prefix + std::to_string(place) + extension;
}

// A temporary title folder, current while it exists: the data folder
// "Rara" holds the files of the objects.
class Folder {
public:
    Folder()
    {
        const char* base = std::getenv("TMPDIR");
        root = std::string(base && *base ? base : "/tmp") + "/quarnel-bench-XXXXXX";
        if (!mkdtemp(&root[0]) || !getcwd(previous, sizeof previous))
            std::abort();
        data = root + "/Rara";
        mkdir(data.c_str(), 0700);
        if (chdir(root.c_str()) != 0)
            std::abort();
    }
    ~Folder()
    {
        if (chdir(previous) != 0)
            std::abort();
        for (const std::string& f : files)
            std::remove(f.c_str());
        rmdir(data.c_str());
        rmdir(root.c_str());
    }
    std::string path(const std::string& name)
    {
        files.push_back(data + "/" + name);
        return files.back();
    }
    std::string engine(const std::string& name) { return platform::toEnginePath(path(name)); }
    // A second name of the same file.
    void link(const std::string& existing, const std::string& name)
    {
        if (::link((data + "/" + existing).c_str(), path(name).c_str()) != 0)
            std::abort();
    }

private:
    std::string root, data;
    std::vector<std::string> files;
    char previous[4096];
};

CFrame* squareFrame(int side, int x, int y, uint16_t colour)
{
    CFrame* f = new CFrame(nullptr);
    f->SetBpp(16);
    f->alloc(CXSize(side, side));
    for (int i = 0; i < side * side; ++i) {
        std::memcpy(f->GetDataPtr() + 2 * i, &colour, 2);
        f->GetChannelAlpha()[i] = char(255);
    }
    f->SetPosition(x, y);
    return f;
}

void addEvent(CAnimo& a, const char* name)
{
    _annEventInfo3* e = new _annEventInfo3;
    e->setName(name);
    e->opacity = 255;
    e->frames.push_back(0);
    a.appendEvent(e, {new _anmFrameInfo3});
}

// The files the scenes of the kind share: a picture or an animation at each
// place under one name per object, or a font of one glyph.
void writeFiles(Folder& folder, Kind kind)
{
    for (int p = 0; (kind == IMAGES || kind == ANIMATIONS) && p < Places; ++p) {
        const int x = (p * 37) % 780, y = (p * 53) % 580;
        CGraphicsObject picture(nullptr, CXSize(12, 12), 16);
        std::memset(picture.GetDataPtr(), 0x40 + p, 12 * 12 * 2);
        picture.SetPosition(x, y);
        if (picture.Save(CXString(folder.engine(placeName("P", p, ".img")).c_str()), COMPRESSION_NONE) != 0)
            std::abort();
        CAnimo animation(nullptr);
        animation.appendFrame(squareFrame(12, x, y, uint16_t(0x0841 * p)));
        addEvent(animation, "SHOW");
        if (animation.Save(CXString(folder.engine(placeName("A", p, ".ann")).c_str()), COMPRESSION_RLE2) != 0)
            std::abort();
    }
    for (int i = 0; (kind == IMAGES || kind == ANIMATIONS) && i < Largest; ++i) {
        folder.link(placeName("P", i % Places, ".img"), placeName("p", i, ".img"));
        folder.link(placeName("A", i % Places, ".ann"), placeName("a", i, ".ann"));
    }
    if (kind != EDITBOXES)
        return;
    CAnimo glyphs(nullptr);
    glyphs.appendFrame(squareFrame(8, 0, 0, 0xFFFF));
    _annEventInfo3* e = new _annEventInfo3;
    e->setName("GLYPHS");
    e->opacity = 255;
    e->frames.push_back(0);
    _anmFrameInfo3* letter = new _anmFrameInfo3;
    letter->frameName = CXString("A");
    glyphs.appendEvent(e, {letter});
    CSimpleFont6 font(nullptr);
    if (font.create(&glyphs, CXString(folder.engine("letters.fnt").c_str())) != 0)
        std::abort();
}

// The scene's definition text: the font and count objects of the kind.
std::string definitionText(Kind kind, int count)
{
    std::string text = "OBJECT=LETTERS\r\nLETTERS:TYPE=FONT\r\nLETTERS:DEF_Letters_Standard_8=letters.fnt\r\n";
    auto line = [&text](const std::string& l) { text += l + "\r\n"; };
    for (int i = 0; i < count; ++i) {
        const std::string n = "X" + std::to_string(i), p = std::to_string(i % 7);
        line("OBJECT=" + n);
        switch (kind) {
        case IMAGES:
        case ANIMATIONS:
            line(n + (kind == IMAGES ? ":TYPE=IMAGE" : ":TYPE=ANIMO"));
            line(n + ":FILENAME=" + (kind == IMAGES ? placeName("p", i, ".img") : placeName("a", i, ".ann")));
            line(n + ":TOCANVAS=TRUE");
            line(n + ":VISIBLE=TRUE");
            line(n + ":PRIORITY=" + p);
            break;
        case TIMERS:
            line(n + ":TYPE=TIMER");
            line(n + ":ELAPSE=100000");
            break;
        case EDITBOXES: {
            const int x = int((i * 7919L) % 760), y = int((i * 104729L) % 580);
            line(n + ":TYPE=EDITBOX");
            line(n + ":RECT=" + std::to_string(x) + "," + std::to_string(y) + "," + std::to_string(x + 40) + "," +
                 std::to_string(y + 12));
            line(n + ":PRIORITY=" + p);
            line(n + ":FONT=LETTERS");
            line(n + ":TEXT=A");
            break;
        }
        }
    }
    return text;
}

struct Title {
    Folder folder;
    std::unique_ptr<benchsupport::HeadlessWindow> host;
    std::unique_ptr<CApplication> application;

    explicit Title(Kind kind)
    {
        writeFiles(folder, kind);
        host.reset(new benchsupport::HeadlessWindow);
        application.reset(new CApplication(host->window.get(), "", "", nullptr));
        frame();
    }
    ~Title()
    {
        CMC_Scene::doneDefUnit();
        application.reset();
        host.reset();
    }
    void frame()
    {
        host->clock.advance(16);
        host->window->Tick();
    }
    void quiet()
    {
        CRefreshScreen* screen = host->window->GetRefreshScreenInterface();
        for (int i = 0; i < 3 && screen->getRefreshList()->getSize() > 0; ++i)
            frame();
        if (screen->getRefreshList()->getSize() > 0)
            std::abort();
    }
};

Title* title;
Kind measured;

CMElement* roomRecord()
{
    static CMElement record(CXString("ROOM"));
    return &record;
}

benchsupport::Figures measure(int count)
{
    {
        const std::string text = definitionText(measured, count);
        FILE* f = std::fopen(title->folder.path("ROOM.cnv").c_str(), "wb");
        std::fwrite(text.data(), 1, text.size(), f);
        std::fclose(f);
    }
    benchsupport::Figures figures;
    {
        CMC_Scene room(title->host->window.get(), nullptr, roomRecord(), MC_SCENE);
        // Entered from a frame that drew what had changed, as one scene
        // follows another in the host: nothing is left to draw.
        title->quiet();
        auto start = std::chrono::steady_clock::now();
        room.initialize(nullptr);
        title->frame();
        figures["enter"] = benchsupport::nanosecondsSince(start, count);
        if (!room.getObject(CXString(("X" + std::to_string(count - 1)).c_str())))
            return {};
        start = std::chrono::steady_clock::now();
        room.unload(nullptr);
        title->frame();
        figures["leave"] = benchsupport::nanosecondsSince(start, count);
    }
    CMC_Disposal::freeAll();
    CMC_VariableFactory::clearPool();
    figures["plain"] = benchsupport::plainNamedObjects(count);
    return figures;
}

void sceneOf(benchmark::State& state, Kind kind)
{
    mallopt(M_TRIM_THRESHOLD, INT_MAX);
    mallopt(M_MMAP_THRESHOLD, 32 * 1024 * 1024);
    CMC_VariableFactory::initialize();
    CMC_RunnerFactory::initialize();
    {
        Title t(kind);
        title = &t;
        measured = kind;
        benchsupport::perObject(state, int(state.range(0)), Smallest, "x1k", &measure);
        title = nullptr;
    }
    CMC_Disposal::freeAll();
    CMC_RunnerFactory::done();
    CMC_VariableFactory::done();
}

void BM_SceneOfImages(benchmark::State& state) { sceneOf(state, IMAGES); }
void BM_SceneOfAnimations(benchmark::State& state) { sceneOf(state, ANIMATIONS); }
void BM_SceneOfTimers(benchmark::State& state) { sceneOf(state, TIMERS); }
void BM_SceneOfEditBoxes(benchmark::State& state) { sceneOf(state, EDITBOXES); }

// Argument: the number of objects in the scene.
#define SCENE_SIZES(name)                                                                                             \
    BENCHMARK(name)->ArgName("objects")->Arg(Smallest)->Arg(2000)->Arg(4000)->Arg(8000)->Arg(Largest)->Iterations(3)->Unit( \
        benchmark::kMillisecond)
SCENE_SIZES(BM_SceneOfImages);
SCENE_SIZES(BM_SceneOfAnimations);
SCENE_SIZES(BM_SceneOfTimers);
SCENE_SIZES(BM_SceneOfEditBoxes);

} // namespace

BENCHMARK_MAIN();
