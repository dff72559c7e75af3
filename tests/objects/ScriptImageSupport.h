#pragma once
// The scene of the IMAGE tests: the ANIMO tests' scene (real window, mouse,
// the engine's screen unit and its cache) with picture files written into
// the temp folder by the engine's own writer.
#include "ImageFiles.h"
#include "ScriptAnimoSupport.h"
#include "graphics/Image.h"
#include "objects/ScriptImage.h"
#include "script/RunnerFactory.h"

#include <string>

namespace imagetest {

// The words and alpha bytes of "pic.img" (50 x 30): opaque but for its
// last ten columns.
inline uint16_t picWord(int x, int y) { return uint16_t(0x0841 * (x % 8) + 0x0020 * y + 1); }
inline uint8_t picAlpha(int x, int) { return x < 40 ? 255 : 0; }

class ImageTest : public animotest::AnimoTest {
protected:
    ImageTest()
    {
        EXPECT_TRUE(writeImage(tmp.file("pic.img"), 50, 30, picWord, picAlpha));
        EXPECT_TRUE(writeImage(tmp.file("red.img"), 20, 10, [](int, int) { return uint16_t(0xF800); }));
    }

    CMC_Image* object(const char* name)
    {
        CMC_Object* o = scene->getObject(name);
        EXPECT_TRUE(o && o->getType() == MC_IMAGE) << name;
        return o && o->getType() == MC_IMAGE ? static_cast<CMC_Image*>(o) : nullptr;
    }
    CImage* picture(const char* name)
    {
        CMC_Image* o = object(name);
        return o ? o->getImage() : nullptr;
    }
    // A method by id with the given argument vector (maybe null); the
    // result's text, "-" for none.
    std::string run(const char* name, int id, CXVector* args)
    {
        CMC_Object* o = scene->getObject(name);
        CMC_Variable* r = CMC_RunnerFactory::getRunner(o)->run(id, o, scene, args);
        std::string text = r ? r->toString().c_str() : "-";
        CMC_Object::flush(r);
        return text;
    }
};

} // namespace imagetest
