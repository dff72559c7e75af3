#include "ui/TextDisplay.h"

#include "ui/FontCollection.h"
#include "ui/Text6.h"

#include <algorithm>
#include <cstdint>

namespace {
const int DEFAULT_COLOR = 65535;
const int TAB_SPACES = 8;

bool breaksLine(char c) { return c == '|' || c == '\r'; }
} // namespace

CPlainText6::CPlainText6(CWindow* w)
    : CGraphicsObject(w), font(nullptr), horizontal(JUSTIFY_LEFT), vertical(JUSTIFY_TOP), colour(DEFAULT_COLOR)
{
}

CPlainText6::~CPlainText6() = default;

void CPlainText6::setFont(CSimpleFont6* f)
{
    if (text.IsString())
        Invalidate();
    font = f;
    layOut();
    if (text.IsString())
        Invalidate();
}

void CPlainText6::setText(CXString s)
{
    if (font)
        Invalidate();
    text = CXString();
    for (int i = 0; i < s.getLength(); ++i) {
        const char c = s.GetAt(i);
        if (c == '\t')
            for (int k = 0; k < TAB_SPACES; ++k)
                text += ' ';
        else
            text += c;
    }
    layOut();
    if (font)
        Invalidate();
}

void CPlainText6::setJustify(CXRect rect, int h, int v)
{
    area = rect;
    horizontal = h;
    vertical = v;
    place();
}

void CPlainText6::setColor(int c)
{
    if (c == colour)
        return;
    colour = c;
    Invalidate();
}

void CPlainText6::place()
{
    switch (horizontal) {
    case JUSTIFY_LEFT: x = area.left; break;
    case JUSTIFY_RIGHT: x = area.right - width; break;
    case JUSTIFY_CENTER: x = (area.right - area.left - width) / 2 + area.left; break;
    default: break;
    }
    switch (vertical) {
    case JUSTIFY_TOP: y = area.top; break;
    case JUSTIFY_BOTTOM: y = area.bottom - height; break;
    case JUSTIFY_CENTER: y = (area.bottom - area.top - height) / 2 + area.top; break;
    default: break;
    }
}

// Words are measured one by one, each from its first space, as the text's
// own wrapping measures them: a word that takes the line past the area's
// width starts the next line (a line may so be left empty).
void CPlainText6::layOut()
{
    lines.clear();
    width = height = 0;
    if (!font)
        return;
    const int64_t limit = int64_t(area.right) - area.left;
    CXString line;
    int64_t lineWidth = 0;
    const int n = text.getLength();
    int i = 0;
    while (i < n) {
        if (breaksLine(text.GetAt(i))) {
            lines.push_back(line);
            line = CXString();
            lineWidth = 0;
            ++i;
            continue;
        }
        // A word: the spaces before it and its characters, up to a space
        // or a line break; spaces that end a run are dropped.
        CXString word;
        while (i < n && (text.GetAt(i) == ' ' || text.GetAt(i) == '\n'))
            if (text.GetAt(i++) == ' ')
                word += ' ';
        bool letters = false;
        while (i < n && text.GetAt(i) != ' ' && !breaksLine(text.GetAt(i))) {
            if (text.GetAt(i) != '\n') {
                word += text.GetAt(i);
                letters = true;
            }
            ++i;
        }
        if (!letters)
            continue;
        const int w = CText6::getLength(font, word);
        lineWidth += w;
        if (lineWidth > limit) {
            lines.push_back(line);
            lineWidth = w;
            line = word.GetAt(0) == ' ' ? word.Right(1) : word;
        } else {
            line += word;
        }
    }
    if (line.IsString())
        lines.push_back(line);
    for (const CXString& l : lines)
        width = std::max(width, int32_t(CText6::getLength(font, l)));
    const int pitch = font->Height() - 4;
    height = lines.empty() ? 0 : font->Height() + int(lines.size() - 1) * pitch;
    place();
}

void CPlainText6::Redraw()
{
    if (!font || lines.empty())
        return;
    // A collection draws with its base font.
    CSimpleFont6* drawing = font->isMultifont() ? static_cast<CFontCollection*>(font)->getBaseFont() : font;
    if (!drawing)
        return;
    const int savedColour = drawing->getColor();
    const bool recolour = colour != 0 && colour != savedColour;
    if (recolour)
        drawing->setColor(colour);
    drawing->SetOpacity(opacity);
    drawing->SetDestiny(GetDestiny());
    const int pitch = drawing->Height() - 4;
    int top = y;
    for (const CXString& line : lines) {
        drawLine(drawing, line, top);
        top += pitch;
    }
    drawing->SetOpacity(255);
    if (recolour)
        drawing->setColor(savedColour);
}

// Letters outside the clipping rectangle only move the pen; a letter partly
// inside is clipped by the font to its visible part.
void CPlainText6::drawLine(CSimpleFont6* drawing, const CXString& line, int top)
{
    const bool clipped = clip.Width() > 0 && clip.Height() > 0;
    const int lineTop = top - y;
    const int letterHeight = drawing->Height();
    int pen = x;
    char previous = 0;
    for (int i = 0; i < line.getLength(); ++i) {
        const char c = line.GetAt(i);
        if (!clipped) {
            pen += drawing->drawLetter(pen, top, previous, c);
        } else {
            const CXRect letter(pen - x, lineTop, pen - x + drawing->getRealLetterWidth(c), lineTop + letterHeight);
            const CXRect visible = letter.Common(clip);
            if (visible.Width() <= 0 || visible.Height() <= 0) {
                pen += drawing->getLetterWidth(previous, c) + 2;
            } else if (visible == letter) {
                pen += drawing->drawLetter(pen, top, previous, c);
            } else {
                drawing->SetClippingRect(c, CXRect(visible.left - letter.left, visible.top - lineTop,
                                                   visible.right - letter.left, visible.bottom - lineTop));
                pen += drawing->drawLetter(pen, top, previous, c);
                drawing->CGraphicsObject::SetClippingRect(CXRect());
            }
        }
        previous = c;
    }
}
