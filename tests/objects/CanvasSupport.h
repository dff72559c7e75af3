#pragma once
// What the CANVAS and canvas observer tests share: the IMAGE tests' scene
// (the engine's screen unit and its cache, real ANIMO and IMAGE objects),
// IMAGE objects shown on the screen over files of their own, a look at a
// drawable's 16-bit words and alpha bytes, and image files read back with
// the engine's own loader.
#include "ScriptImageSupport.h"
#include "graphics/Canvas.h"
#include "graphics/ImageFile.h"
#include "objects/ScriptCanvas.h"

#include <cctype>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace canvastest {

class CanvasTest : public imagetest::ImageTest {
protected:
    // IMAGE objects over "<name>.img" (the name in lower case), on the
    // screen and visible at their priorities, in the scene or in container.
    void showPictures(std::initializer_list<std::pair<const char*, int>> pictures,
                      CMC_ObjectsContainer* container = nullptr)
    {
        std::vector<std::string> lines;
        for (const auto& p : pictures) {
            const std::string n = p.first;
            std::string file = n;
            for (char& c : file)
                c = char(std::tolower((unsigned char)c));
            for (const std::string& l : std::vector<std::string>{":TYPE=IMAGE", ":FILENAME=" + file + ".img",
                                                                 ":TOCANVAS=TRUE", ":VISIBLE=TRUE",
                                                                 ":PRIORITY=" + std::to_string(p.second)})
                lines.push_back(n + l);
        }
        std::vector<const char*> raw;
        for (const auto& l : lines)
            raw.push_back(l.c_str());
        recordstest::defineObjectLines(container ? container : scene, raw);
    }
    CMC_Canvas* canvasObject(const char* name)
    {
        CMC_Object* o = scene->getObject(name);
        EXPECT_TRUE(o && o->getType() == MC_CANVAS) << name;
        return o && o->getType() == MC_CANVAS ? static_cast<CMC_Canvas*>(o) : nullptr;
    }
    CCanvas* canvas(const char* name)
    {
        CMC_Canvas* o = canvasObject(name);
        return o ? o->getCanvas() : nullptr;
    }
    // The image file as the engine reads it; null when it does not load.
    std::unique_ptr<CGraphicsObject> loadImage(const std::string& name)
    {
        CImageFile file(window.get());
        file.Load(CXString(name.c_str()));
        std::unique_ptr<CGraphicsObject> image(file.getObject());
        if (image && image->LastError() != 0)
            image.reset();
        return image;
    }
};

// The 16-bit word and the alpha byte (0 without a plane) of a plain
// drawable at (x, y).
inline uint16_t wordAt(CGraphicsObject* g, int x, int y)
{
    const char* data = g->GetDataPtr();
    const int pitch = std::max(g->GetPitch(), g->Width());
    return data ? reinterpret_cast<const uint16_t*>(data)[int64_t(y) * pitch + x] : 0;
}
inline int alphaAt(CGraphicsObject* g, int x, int y)
{
    const char* plane = g->GetChannelAlpha();
    return plane ? uint8_t(plane[int64_t(y) * g->Width() + x]) : 0;
}

} // namespace canvastest
