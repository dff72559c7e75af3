#include "ui/Dialog6.h"

#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "script/ObjectsContainer.h"
#include "ui/Button.h"
#include "ui/Unit6.h"

#include <algorithm>

CDialog6::CDialog6(CMC_ObjectsContainer* c) : container(c), background(nullptr) {}

CDialog6::~CDialog6()
{
    titleButton.reset();
    if (background)
        background->removeInvalidateObserver(this);
    for (CGraphicsObject* g : graphics)
        g->removeInvalidateObserver(this);
}

CRefreshScreen* CDialog6::canvas()
{
    CWindow* window = container ? container->getWindow() : nullptr;
    return window ? window->GetRefreshScreenInterface() : nullptr;
}

CXRect CDialog6::stripOf(CGraphicsObject* graphic)
{
    CXRect box = graphic->GetBoundingBox();
    return CXRect(box.left, box.top, box.right, box.top + TITLE_HEIGHT);
}

void CDialog6::raise(CGraphicsObject* graphic)
{
    CRefreshScreen* screen = canvas();
    if (!screen)
        return;
    const int priority = screen->GetPriority(graphic);
    *screen >> graphic;
    screen->put(graphic, priority + RAISE);
}

void CDialog6::setBackground(CGraphicsObject* bg)
{
    if (background && background != bg)
        background->removeInvalidateObserver(this);
    background = bg;
    titleButton.reset();
    if (!bg)
        return;
    bg->addInvalidateObserver(this);
    CXRect box = bg->GetBoundingBox();
    lastDragPoint = CXPoint(box.left, box.top);
    titleButton.reset(new CButton(container ? container->getWindow() : nullptr, stripOf(bg), TITLE_BUTTON_ID, nullptr));
    titleButton->addNotifier(this);
    // The unit's hot spots are found only while it is active, and the unit
    // carries out the drag.
    if (CUnit6* unit = CUnit6::getDefUnit())
        titleButton->setUnit(unit);
    titleButton->EnableCursor(false);
    titleButton->SetDeleteFlags(false, false);
    titleButton->Set(bg, nullptr, true);
    titleButton->EnableDragging(true);
    if (CRefreshScreen* screen = canvas()) {
        *screen >> bg;
        screen->put(bg, BACKGROUND_PRIORITY);
    }
}

void CDialog6::add(CGraphicsObject* g)
{
    if (!g || std::find(graphics.begin(), graphics.end(), g) != graphics.end())
        return;
    raise(g);
    g->addInvalidateObserver(this);
    graphics.push_back(g);
}

// An image in two of the button's roles is raised once.
void CDialog6::add(CButton* b)
{
    if (!b || std::find(buttons.begin(), buttons.end(), b) != buttons.end())
        return;
    CGraphicsObject* images[3] = {b->GetStandard(), b->GetOnMove(), b->GetOnClick()};
    for (int i = 0; i < 3; ++i)
        if (images[i] && std::find(images, images + i, images[i]) == images + i)
            raise(images[i]);
    buttons.push_back(b);
}

void CDialog6::show() { showAll(true); }

void CDialog6::hide() { showAll(false); }

void CDialog6::showAll(bool on)
{
    for (CGraphicsObject* g : graphics)
        g->Visible(on);
    for (CButton* b : buttons)
        b->Enable(on);
    if (background)
        background->Visible(on);
}

void CDialog6::move(int dx, int dy)
{
    for (CGraphicsObject* g : graphics)
        g->Move(dx, dy);
    for (CButton* b : buttons)
        b->Move(dx, dy);
}

void CDialog6::onStartDragging(CControl*, CXPoint p) { lastDragPoint = p; }

void CDialog6::onDragging(CControl*, CXPoint p)
{
    move(p.x - lastDragPoint.x, p.y - lastDragPoint.y);
    lastDragPoint = p;
}

void CDialog6::onEndDragging(CControl*, CXPoint)
{
    if (background && titleButton)
        titleButton->SetActiveRect(stripOf(background));
}

void CDialog6::onDestroy(CGraphicsObject* source)
{
    if (source == background)
        background = nullptr;
    graphics.erase(std::remove(graphics.begin(), graphics.end(), source), graphics.end());
}
