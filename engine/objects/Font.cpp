#include "objects/Font.h"

#include "base/Archive.h"
#include "base/File.h"
#include "base/StringTokenizer.h"
#include "graphics/Color.h"
#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "script/Element.h"
#include "script/ObjectsContainer.h"
#include "script/RunnerFactory.h"
#include "script/Scene.h"
#include "script/SceneSnapshot.h"
#include "script/String.h"
#include "script/TypeRegistry.h"
#include "script/Values.h"
#include "script/VariableFactory.h"
#include "ui/FontCollection.h"

namespace {

CMC_Object* makeFont(CMC_ObjectsContainer* container, CMElement* element) { return new CMC_Font(container, element); }
CMC_Object* restoreFont(CMC_Scene* scene) { return new CMC_Font(scene); }
void fontFiles(CMC_Object* o, CXArchive* archive) { static_cast<CMC_Font*>(o)->serializeFiles(archive); }

CMC_RegisterType typeRegistration("FONT", 5, &makeFont);
CMC_RegisterSnapshotType snapshotRegistration(MC_FONT, &restoreFont, &fontFiles);
CMC_RegisterRunner<CMC_Font_Runner> runnerRegistration({MC_FONT});

// Edit boxes and texts find the font of the object their "FONT" names.
struct FontAccess {
    FontAccess()
    {
        CMC_ObjectsContainer::setFontAccessor(
            [](CMC_Object* o) -> CSimpleFont6* { return static_cast<CMC_Font*>(o)->getFont(); });
    }
} fontAccess;

// A count read from a snapshot is believed only as far as the file could
// hold that many entries of at least the given size.
bool plausible(CXArchive* archive, int n, int entryBytes)
{
    CFile* file = archive->GetFileHandle();
    return n >= 0 && (!file || int64_t(n) * entryBytes <= int64_t(file->Length()) - file->Tell());
}

} // namespace

CMC_Font::CMC_Font(CMC_ObjectsContainer* container, CMElement* element)
    : CMC_Object(container, element, MC_FONT), collection(new CFontCollection(window()))
{
    CMProperties* properties = element ? element->getProperties() : nullptr;
    for (int i = 0; properties && i < properties->getSize(); ++i) {
        CMProperty* p = properties->getAt(i);
        if (!p->getName().startsWith(CXString("DEF_")))
            continue;
        CStringTokenizer tokens(p->getName(), CXString("_"));
        tokens.nextToken();
        CXString family = tokens.nextToken();
        CXString style = tokens.nextToken();
        CSimpleFont6* font = addFont(new CSimpleFont6(window(), p->getValue()));
        font->setFamily(family);
        font->setStyle(style);
        font->setSize(tokens.nextToken().toNumber());
    }
    initializeBehaviours(container, element);
}

CMC_Font::CMC_Font(CMC_ObjectsContainer* container)
    : CMC_Object(CXString(), MC_FONT), collection(nullptr)
{
    scene = container;
    collection = new CFontCollection(window());
}

CMC_Font::~CMC_Font()
{
    delete collection;
    collection = nullptr;
    deleteFonts();
}

CWindow* CMC_Font::window() { return scene ? scene->getWindow() : nullptr; }

void CMC_Font::deleteFonts()
{
    for (CSimpleFont6* f : fonts)
        delete f;
    fonts.clear();
}

CSimpleFont6* CMC_Font::addFont(CSimpleFont6* font)
{
    collection->addFont(font);
    fonts.push_back(font);
    return font;
}

CXString** CMC_Font::getBehavioursList()
{
    static const char* const names[] = {"ONINIT", "ONDONE", "ONSIGNAL", nullptr};
    return makeEventList(names);
}

void CMC_Font::serialize(CXArchive* archive)
{
    if (!archive)
        return;
    CMC_Object::serialize(archive);
    if (archive->isStoring()) {
        *archive << int(fonts.size());
        for (CSimpleFont6* f : fonts)
            *archive << f->getFamily() << f->getStyle() << f->getSize();
        return;
    }
    int n = 0;
    *archive >> &n;
    delete collection;
    deleteFonts();
    collection = new CFontCollection(window());
    // Two empty strings and a size: 12 bytes at least.
    if (archive->LastError() || !plausible(archive, n, 12))
        return;
    for (int i = 0; i < n && !archive->LastError(); ++i) {
        CXString family, style;
        int size = 0;
        *archive >> &family;
        *archive >> &style;
        *archive >> &size;
        CSimpleFont6* font = addFont(new CSimpleFont6(window()));
        font->setFamily(family);
        font->setStyle(style);
        font->setSize(size);
    }
}

// Files are read in the scene's folder, where the snapshot is read.
void CMC_Font::serializeFiles(CXArchive* archive)
{
    if (archive->isStoring()) {
        *archive << int(fonts.size());
        for (CSimpleFont6* f : fonts)
            *archive << f->getFileName();
        return;
    }
    int n = 0;
    *archive >> &n;
    if (archive->LastError() || !plausible(archive, n, 4))
        return;
    for (int i = 0; i < n && !archive->LastError(); ++i) {
        CXString name;
        *archive >> &name;
        if (!archive->LastError() && i < int(fonts.size()) && name.IsString())
            fonts[size_t(i)]->Load(name);
    }
}

// The runner

void CMC_Font_Runner::prepareMthHashSet()
{
    CMC_Runner::prepareMthHashSet();
    registerMethod("SETCOLOR", SETCOLOR);
    registerMethod("SETSTYLE", SETSTYLE);
    registerMethod("SETFAMILY", SETFAMILY);
    registerMethod("SETSIZE", SETSIZE);
    registerMethod("GETHEIGHT", GETHEIGHT);
}

CMC_Variable* CMC_Font_Runner::run(int id, CMC_Object* object, CMC_ObjectsContainer* container, CXVector* args)
{
    if (!object || object->getType() != MC_FONT || id < SETCOLOR || id > GETHEIGHT)
        return CMC_Runner::run(id, object, container, args);
    CMC_Font* font = static_cast<CMC_Font*>(object);
    CFontCollection* collection = font->getFont();
    switch (id) {
    case SETCOLOR: {
        CWindow* window = object->getScene() ? object->getScene()->getWindow() : nullptr;
        CRefreshScreen* screen = window ? window->GetRefreshScreenInterface() : nullptr;
        const int depth = screen && screen->GetBpp() == 15 ? 15 : 16;
        const CColor colour((unsigned char)getParameterInteger(args, 0)->getValue(),
                            (unsigned char)getParameterInteger(args, 1)->getValue(),
                            (unsigned char)getParameterInteger(args, 2)->getValue());
        const int value = colour.GetInBPP(depth);
        collection->setDefColor(value);
        for (int i = 0; i < font->getFontCount(); ++i)
            font->getFontAt(i)->setDefColor(value);
        if (window)
            window->Invalidate();
        return nullptr;
    }
    case SETSTYLE:
        collection->setFamily(getParameterString(args, 0)->getValue());
        return nullptr;
    case SETFAMILY:
        collection->setStyle(getParameterString(args, 0)->getValue());
        return nullptr;
    case SETSIZE:
        collection->setSize(getParameterInteger(args, 0)->getValue());
        return nullptr;
    default: {
        CMC_Integer* height = CMC_VariableFactory::allocInteger();
        height->setValue(collection->Height());
        return height;
    }
    }
}
