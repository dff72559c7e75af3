#include "ui/Font5.h"

#include "graphics/RefreshScreen.h"
#include "graphics/Window.h"
#include "media/Animo.h"
#include "media/Frame.h"
#include "script/Element.h"

#include <algorithm>

CFont5::CFont5(CWindow* w) : window(w), destiny(nullptr) {}

CFont5::CFont5(CWindow* w, CXString name) : window(w), destiny(nullptr) { load(name); }

CFont5::CFont5(CWindow* w, CMElement* element) : window(w), destiny(nullptr)
{
    if (element) {
        fileName = element->getPropertyValue(CXString("FILENAME"));
        load(fileName);
    }
}

CFont5::~CFont5() = default;

// A packed frame is opened for good (unpack), so that the cleared corners
// are what it draws; a font's letters are few and small.
bool CFont5::load(CXString name)
{
    animation.reset();
    alphabet = CXString();
    std::unique_ptr<CAnimo> loaded(new CAnimo(window, name));
    setErrorCode(loaded->LastError());
    if (LastError() != 0)
        return false;
    for (int i = 0; i < loaded->GetNOF(); ++i) {
        CFrame* f = loaded->GetFrame(i);
        f->DeCompress();
        f->unpack();
        char* a = f->GetChannelAlpha();
        const int w = f->Width(), h = f->Height();
        if (a && w > 0 && h > 0 && f->GetCompression() == COMPRESSION_NONE) {
            a[0] = a[w - 1] = 0;
            a[(h - 1) * w] = a[(h - 1) * w + w - 1] = 0;
        }
        // A frame without a name takes a place no character finds, so that
        // the letters after it keep their frames.
        const CXString frameName = loaded->getFrameName(0, i);
        alphabet += frameName.IsString() ? frameName.GetAt(0) : '\0';
    }
    if (window)
        loaded->SetDestiny(window->GetRefreshScreenInterface());
    animation = std::move(loaded);
    return true;
}

CFrame* CFont5::letter(char c, int* index)
{
    if (!animation || c == '\0')
        return nullptr;
    const int i = alphabet.Find(c);
    if (index)
        *index = i;
    return i >= 0 && i < animation->GetNOF() ? animation->GetFrame(i) : nullptr;
}

CXSize CFont5::getLetterSize(char c)
{
    CFrame* f = letter(c);
    return f ? CXSize(f->Width(), f->Height()) : CXSize(0, 0);
}

int CFont5::getLetterWidth(char c) { return getLetterSize(c).cx; }

int CFont5::getLetterHeight(char c) { return getLetterSize(c).cy; }

int CFont5::getAlphabetHeight()
{
    int tallest = 0;
    for (int i = 0; animation && i < animation->GetNOF(); ++i)
        tallest = std::max(tallest, animation->GetFrame(i)->Height());
    return tallest;
}

int CFont5::drawLetter(CXPoint p, char c) { return drawLetter(p.x, p.y, c); }

// The animation's origin is set so that the frame's corner, wherever the
// file placed the frame, lands on the point.
int CFont5::drawLetter(int x, int y, char c)
{
    int index = -1;
    CFrame* f = letter(c, &index);
    if (!f)
        return 0;
    animation->SetDestiny(destiny);
    animation->SetAutoClip(false);
    animation->SetFrame(index);
    animation->SetGlobalPosition(0, 0);
    const CXPoint at = animation->GetPosition();
    animation->SetGlobalPosition(x - at.x, y - at.y);
    animation->Redraw();
    return f->Width();
}

int CFont5::getLengthInPixels(CXString text, int spacing)
{
    int length = 0;
    for (int i = 0; i < text.getLength(); ++i) {
        const char c = text.GetAt(i);
        if (c == ' ')
            length += getLetterWidth('A');
        else
            length += getLetterWidth(c) + spacing;
    }
    return length;
}
