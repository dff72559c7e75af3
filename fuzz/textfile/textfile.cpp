// A text file of arbitrary bytes read by a title's TEXT with "LOAD": its
// lines (code page 1250, any line ends, bytes that end a line early) become
// the text's markup, wrapped with a collection of two fonts into an area
// whose width the first byte gives (its lowest bit: hypertext or not),
// drawn, and asked for its words; then a missing file is loaded over it.
#include "fuzz/BlockFonts.h"
#include "objects/ScriptText.h"
#include "script/Element.h"
#include "script/Runner.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/String.h"
#include "script/VariableFactory.h"
#include "ui/MultilineText6.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

void call(CMC_ObjectsContainer& scene, const char* method, const char* argument)
{
    CMC_Object* on = scene.getObject("T");
    CMC_Runner* runner = on ? CMC_RunnerFactory::getRunner(on) : nullptr;
    if (!runner)
        return;
    CXVector args(101, 0.75f);
    args.add(CMC_String::temporary(CXString(argument)));
    CMC_Object::flush(runner->run(CXString(method), on, &scene, &args));
    CMC_Object::flush(static_cast<CMC_Variable*>(args.at(0)));
}

void define(CMElements& records, int width, bool hypertext)
{
    CMElement* font = new CMElement(CXString("F"));
    font->addProperty(CXString("TYPE"), CXString("FONT"));
    font->addProperty(CXString("DEF_BLOCKS_STANDARD_7"), CXString("F:\\standard.fnt"));
    font->addProperty(CXString("DEF_BLOCKS_BOLD_7"), CXString("F:\\bold.fnt"));
    records.add(font);
    CMElement* text = new CMElement(CXString("T"));
    text->addProperty(CXString("TYPE"), CXString("TEXT"));
    text->addProperty(CXString("FONT"), CXString("F"));
    text->addProperty(CXString("RECT"), CXString(("-2,0," + std::to_string(width - 2) + ",40").c_str()));
    text->addProperty(CXString("HJUSTIFY"), CXString(width % 3 ? "LEFT" : "CENTER"));
    text->addProperty(CXString("VJUSTIFY"), CXString(width % 5 ? "TOP" : "BOTTOM"));
    text->addProperty(CXString("HYPERTEXT"), CXString(hypertext ? "TRUE" : "FALSE"));
    text->addProperty(CXString("VISIBLE"), CXString("TRUE"));
    records.add(text);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // The font files the FONT object reads.
    static blockfonts::Fonts fonts;
    if (!CMC_RunnerFactory::isReady()) {
        CMC_VariableFactory::initialize();
        CMC_RunnerFactory::initialize();
    }
    if (size < 1 || !fuzzinput::write("text.txt", data + 1, size - 1))
        return 0;
    {
        CMC_Scene scene(nullptr, MC_SCENE);
        CMElements records(true);
        define(records, data[0] >> 1, data[0] & 1);
        delete scene.resolveObjects(&records);
        scene.onInit();
        call(scene, "LOAD", "F:\\TEXT.TXT");
        CMC_Object* object = scene.getObject("T");
        if (CMultilineText6* text = object ? static_cast<CMC_Text*>(object)->getText() : nullptr) {
            CGraphicsObject destination(nullptr, CXSize(96, 48), 16);
            text->SetDestiny(&destination);
            text->Redraw();
            blockfonts::askWords(*text, text->getNumWords());
            call(scene, "LOAD", "F:\\missing.txt");
            text->Redraw();
            text->SetDestiny(nullptr);
        }
        CMC_VariableFactory::clearPool();
        scene.unload(nullptr);
    }
    CMC_VariableFactory::clearPool();
    CMC_Scene::doneDefUnit();
    return 0;
}
