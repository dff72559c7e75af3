#include "ui/Text6.h"

#include "base/XArray.h"
#include "graphics/Window.h"
#include "ui/FontCollection.h"
#include "ui/SimpleFont6.h"

namespace {

const int NO_COLOUR = ht_Word::WORD_COLOR_NONE;

// The style a style code toggles; null for any other body.
const char* styleOf(const CXString& body)
{
    static const char* const codes[][2] = {
        {"I", "ITALIC"}, {"B", "BOLD"}, {"LS", "LSTRIKE"}, {"US", "USTRIKE"}, {"U", "UNDERLINE"},
    };
    for (const auto& code : codes)
        if (body.equalsIgnoreCase(code[0]))
            return code[1];
    return nullptr;
}

// Recolouring a font rewrites its whole strip: it is done only when the
// colour changes.
void recolour(CSimpleFont6* font, int colour)
{
    if (font && font->getColor() != colour)
        font->setColor(colour);
}

// A collection's members all take the colour, as its setColor gives it.
void restoreColour(CSimpleFont6* font, int colour)
{
    if (!font->isMultifont()) {
        recolour(font, colour);
        return;
    }
    CFontCollection* fonts = static_cast<CFontCollection*>(font);
    bool differs = fonts->getColor() != colour;
    for (int i = 0; i < fonts->getFontCount() && !differs; ++i)
        differs = fonts->getFont(i)->getColor() != colour;
    if (differs)
        fonts->setColor(colour);
}

// Calls visit(word) for each word of the runs in text order, a run of n
// spaces giving n + 1 words (empty ones between adjacent spaces); stops
// when visit answers true.
template <class Visit>
void forEachWord(CXVector* codes, Visit visit)
{
    for (int i = 0; i < codes->getSize(); ++i) {
        CTextFormatCode* code = static_cast<CTextFormatCode*>(codes->at(i));
        if (code->getMode() != CTextFormatCode::TEXT)
            continue;
        const CXString run = code->getText();
        int start = 0;
        for (int j = 0; j <= run.getLength(); ++j)
            if (j == run.getLength() || run.GetAt(j) == ' ') {
                if (visit(run.Mid(start, j)))
                    return;
                start = j + 1;
            }
    }
}

} // namespace

CText6::CText6(CWindow* w, bool, CUnit6* u)
    : CGraphicsObject(w), font(nullptr), vJustify(TOP), hJustify(LEFT), codes(new CXVector(101, 0.75f)), unit(u),
      editBoxes(new CXVector(101, 0.75f)), colour(DEFAULT_COLOR), tracking(true), linesDirty(true),
      linesInfo(nullptr), linesInfoCount(0), linesBorrowed(false)
{
}

CText6::~CText6()
{
    CText6::flush_ht_info();
    flushCodes();
    delete codes;
    delete editBoxes;
}

void CText6::flush_ht_info()
{
    if (!linesInfo)
        return;
    if (!linesBorrowed)
        for (int i = 0; i < linesInfoCount; ++i)
            if (linesInfo[i]) {
                delete[] linesInfo[i]->words;
                delete linesInfo[i];
            }
    delete[] linesInfo;
    linesInfo = nullptr;
    linesInfoCount = 0;
}

void CText6::flushCodes()
{
    for (int i = 0; i < codes->getSize(); ++i)
        delete codes->at(i);
    codes->removeAll();
}

int CText6::getCodeCount() { return codes->getSize(); }

CTextFormatCode* CText6::getCode(int index)
{
    return index >= 0 && index < codes->getSize() ? static_cast<CTextFormatCode*>(codes->at(index)) : nullptr;
}

ht_Line* CText6::get_ht_lines_info(int index)
{
    return linesInfo && index >= 0 && index < linesInfoCount ? linesInfo[index] : nullptr;
}

ht_Word* CText6::wordOf(int index)
{
    ht_Line* line = get_ht_lines_info(0);
    return line && index >= 0 && index < line->wordCount ? &line->words[index] : nullptr;
}

int CText6::depth()
{
    CWindow* w = GetWindow();
    return w && w->GetBpp() == 15 ? 15 : 16;
}

CXString CText6::convTab(CXString s)
{
    if (s.Find('\t') < 0)
        return s;
    CXString out;
    for (int i = 0; i < s.getLength(); ++i) {
        if (s.GetAt(i) == '\t')
            for (int k = 0; k < TAB_SPACES; ++k)
                out += ' ';
        else
            out += s.GetAt(i);
    }
    return out;
}

bool CText6::checkCode(CXString body) { return styleOf(body) != nullptr; }

CXString CText6::getColoruredText(CXString s, int c)
{
    if (s.startsWith("<COLOR"))
        s.removeTag("COLOR");
    if (c == 0)
        return s;
    CXString wrapped("<COLOR");
    wrapped += c;
    wrapped += '>';
    wrapped += s;
    wrapped += "<COLOR>";
    return wrapped;
}

void CText6::setText(CXString s)
{
    if (font)
        Invalidate();
    text = getColoruredText(convTab(s), colour);
    parseText();
    if (font) {
        width = getLength();
        height = font->Height();
        place();
        Invalidate();
    }
    if (tracking)
        buildLineRecord();
}

void CText6::buildLineRecord()
{
    flush_ht_info();
    linesBorrowed = false;
    linesInfo = new ht_Line*[1];
    linesInfoCount = 1;
    const int count = count_words();
    ht_Line* line = new ht_Line{0, 0, 0, count, nullptr};
    if (count > 0) {
        line->words = new ht_Word[size_t(count)];
        for (int i = 0; i < count; ++i)
            line->words[i] = ht_Word{0, 0, NO_COLOUR};
    }
    linesInfo[0] = line;
    linesDirty = true;
}

void CText6::setFont(CSimpleFont6* f)
{
    const bool hasText = text.IsString();
    if (hasText)
        Invalidate();
    font = f;
    if (font)
        colour = font->getDefColor();
    if (!hasText)
        return;
    parseText();
    width = getLength();
    height = font ? font->Height() : 0;
    place();
    Invalidate();
    // Parsed with a font for the first time, the text has words its record
    // made without a font did not count.
    ht_Line* line = get_ht_lines_info(0);
    if (tracking && !linesBorrowed && (!line || line->wordCount != count_words()))
        buildLineRecord();
}

void CText6::setColor(int c)
{
    if (c == colour)
        return;
    colour = c;
    setText(getColoruredText(text, c));
}

void CText6::setJustify(CXRect rect, _justify h, _justify v)
{
    justifyRect = rect;
    hJustify = h;
    vJustify = v;
    place();
}

void CText6::place()
{
    const CXRect& r = justifyRect;
    switch (hJustify) {
    case LEFT: x = r.left; break;
    case RIGHT: x = r.right - width; break;
    case CENTER: x = (r.right - r.left - width) / 2 + r.left; break;
    default: break;
    }
    switch (vJustify) {
    case TOP: y = r.top; break;
    case BOTTOM: y = r.bottom - height; break;
    case CENTER: y = (r.bottom - r.top - height) / 2 + r.top; break;
    default: break;
    }
}

void CText6::Move(int dx, int dy)
{
    if (justifyRect.Width() == 0 || justifyRect.Height() == 0) {
        CGraphicsObject::Move(dx, dy);
        return;
    }
    Invalidate();
    justifyRect += CXPoint(dx, dy);
    place();
    Invalidate();
}

// Codes are made only with a collection: a single font shows the text as
// it is written.
void CText6::parseText()
{
    if (!font || !font->isMultifont())
        return;
    CSimpleFont6* current = static_cast<CFontCollection*>(font)->getBaseFont();
    flushCodes();
    const char* s = text.c_str();
    const int n = text.getLength();
    CXString pending;
    int i = 0;
    while (i < n) {
        const char c = s[i];
        if (c == '\t') {
            pending += c;
            addCode(CTextFormatCode::TAB, CXString(), nullptr);
        } else if (c == '\r' || c == '|') {
            addCode(CTextFormatCode::TEXT, pending, nullptr);
            pending = CXString();
            addCode(CTextFormatCode::BREAK, CXString(), nullptr);
        } else if (c == '<') {
            int j = i + 1;
            while (j < n && s[j] != '>' && s[j] != '<')
                ++j;
            if (j >= n) {
                // No end: the "<" and the rest are text.
                pending += text.Right(i);
                break;
            }
            if (s[j] == '<') {
                // The second "<" starts the code; what stands before it is text.
                addCode(CTextFormatCode::TEXT, pending + text.Mid(i, j), nullptr);
                pending = CXString();
                i = j;
                continue;
            }
            const CXString body = text.Mid(i + 1, j);
            if (checkCode(body)) {
                addCode(CTextFormatCode::TEXT, pending, nullptr);
                // A style the collection lacks keeps the font as it was.
                if (CSimpleFont6* next = addCode(CTextFormatCode::FONT, body, current))
                    current = next;
            } else if (body.startsWith("E,")) {
                addCode(CTextFormatCode::TEXT, pending, nullptr);
                addCode(CTextFormatCode::EDIT, body, nullptr);
            } else if (body.startsWith("COLOR")) {
                addCode(CTextFormatCode::TEXT, pending, nullptr);
                addCode(CTextFormatCode::COLOR, body.Right(5), nullptr);
            } else {
                // Not a code: the "<" goes and the body is read as text.
                ++i;
                continue;
            }
            pending = CXString();
            i = j + 1;
            continue;
        } else if (c != '\n') {
            pending += c;
        }
        ++i;
    }
    addCode(CTextFormatCode::TEXT, pending, nullptr);
}

CSimpleFont6* CText6::addCode(int mode, CXString t, CSimpleFont6* f)
{
    if (mode == CTextFormatCode::TEXT) {
        if (t.IsString())
            codes->add(new CTextFormatCode(t));
        return f;
    }
    if (mode == CTextFormatCode::FONT) {
        const char* style = styleOf(t);
        if (!f || !style || !font || !font->isMultifont())
            return nullptr;
        const CXString target = f->getStyle().equalsIgnoreCase(style) ? CXString("STANDARD") : CXString(style);
        CSimpleFont6* next = static_cast<CFontCollection*>(font)->get(f->getFamily(), target, f->getSize());
        if (next)
            codes->add(new CTextFormatCode(next, "<" + t + ">"));
        return next;
    }
    codes->add(new CTextFormatCode(depth(), mode, t));
    return f;
}

int CText6::count_words()
{
    int count = 0;
    forEachWord(codes, [&](const CXString&) {
        ++count;
        return false;
    });
    return count;
}

int CText6::getLength()
{
    if (!font)
        return 0;
    if (!font->isMultifont())
        return getLength(font, text);
    CSimpleFont6* measuring = static_cast<CFontCollection*>(font)->getBaseFont();
    int total = 0;
    for (int i = 0; i < codes->getSize(); ++i) {
        CTextFormatCode* code = static_cast<CTextFormatCode*>(codes->at(i));
        if (code->getMode() == CTextFormatCode::FONT)
            measuring = code->getFont();
        else if (code->getMode() == CTextFormatCode::TEXT)
            total += getLength(measuring, code->getText());
    }
    return total;
}

int CText6::getLength(CSimpleFont6* f, const CXString& s)
{
    if (!f)
        return 0;
    const char* p = s.c_str();
    int total = 0;
    char previous = 0;
    for (int i = 0; i < s.getLength(); ++i) {
        total += f->getLetterWidth(previous, p[i]) + 2;
        previous = p[i];
    }
    return total;
}

void CText6::Redraw()
{
    if (font) {
        const int saved = font->getColor();
        ht_Line* line = get_ht_lines_info(0);
        if (linesDirty && line) {
            line->top = y;
            line->bottom = y + font->Height();
        }
        font->SetOpacity(opacity);
        if (font->isMultifont())
            drawCodes();
        else
            drawPlain();
        font->SetOpacity(255);
        restoreColour(font, saved);
    }
    linesDirty = false;
}

// Each letter advances the pen by its drawn width, the words' edges are
// recorded as the pen passes their spaces, and a word with a colour of its
// own is drawn in it.
void CText6::drawCodes()
{
    CSimpleFont6* drawing = static_cast<CFontCollection*>(font)->getBaseFont();
    int pen = x;
    int index = 0;
    for (int i = 0; i < codes->getSize(); ++i) {
        CTextFormatCode* code = static_cast<CTextFormatCode*>(codes->at(i));
        if (code->getMode() == CTextFormatCode::FONT) {
            drawing = code->getFont();
        } else if (code->getMode() == CTextFormatCode::COLOR) {
            if (code->getColor() != 0)
                recolour(drawing, code->getColor());
        } else if (code->getMode() == CTextFormatCode::TEXT && drawing) {
            int savedColour = NO_COLOUR;
            ht_Word* word = wordOf(index);
            if (word && word->colour != NO_COLOUR) {
                savedColour = drawing->getColor();
                recolour(drawing, word->colour);
            }
            if (word && tracking)
                word->left = pen;
            drawing->SetDestiny(GetDestiny());
            const CXString run = code->getText();
            const char* s = run.c_str();
            for (int j = 0; j < run.getLength(); ++j) {
                const char c = s[j];
                if (tracking && c == ' ') {
                    if ((word = wordOf(index)))
                        word->right = pen - 1;
                    word = wordOf(++index);
                    if (word)
                        word->left = pen;
                    const int own = word ? word->colour : NO_COLOUR;
                    if (own != NO_COLOUR) {
                        if (savedColour == NO_COLOUR)
                            savedColour = drawing->getColor();
                        recolour(drawing, own);
                    } else if (savedColour != NO_COLOUR) {
                        recolour(drawing, savedColour);
                        savedColour = NO_COLOUR;
                    }
                }
                pen += drawClipped(drawing, pen, j > 0 ? s[j - 1] : 0, c);
            }
            if (tracking && (word = wordOf(index)))
                word->right = pen - 1;
        }
    }
    if (ht_Word* last = wordOf(index))
        last->right = pen;
}

// Letters outside the clipping rectangle only move the pen; a letter
// partly inside is clipped by the font to its visible part.
int CText6::drawClipped(CSimpleFont6* drawing, int pen, char previous, char c)
{
    if (clip.Width() == 0 || clip.Height() == 0)
        return drawing->drawLetter(pen, y, previous, c);
    const CXRect letter(pen - x, 0, pen - x + drawing->getRealLetterWidth(c), height);
    const CXRect visible = letter.Common(clip);
    if (visible.Width() <= 0 || visible.Height() <= 0)
        return drawing->getLetterWidth(previous, c) + 2;
    if (visible != letter)
        drawing->SetClippingRect(c, CXRect(visible.left - letter.left, visible.top, visible.right - letter.left,
                                           visible.bottom));
    const int advance = drawing->drawLetter(pen, y, previous, c);
    drawing->CGraphicsObject::SetClippingRect(CXRect());
    return advance;
}

// A single font draws the stored text as written, 2 pixels further apart
// than it measures it.
void CText6::drawPlain()
{
    font->SetDestiny(GetDestiny());
    const char* s = text.c_str();
    int pen = x;
    for (int i = 0; i < text.getLength(); ++i)
        pen += font->drawLetter(pen, y, i > 0 ? s[i - 1] : 0, s[i]) + 2;
}

int CText6::getWordAtXY(CXPoint p)
{
    ht_Line* line = get_ht_lines_info(0);
    for (int k = 0; line && k < line->wordCount; ++k)
        if (line->words[k].left <= p.x && p.x <= line->words[k].right)
            return k;
    return -1;
}

CXString CText6::getWordAt(int index)
{
    CXString found;
    int k = 0;
    forEachWord(codes, [&](const CXString& word) {
        if (k++ != index)
            return false;
        found = word;
        return true;
    });
    return found;
}

// Word edges are window positions already; the text's x is added to them
// all the same, as scripts made for the engine expect.
CXPoint CText6::getWordPosition(int index)
{
    ht_Word* word = wordOf(index);
    return word ? CXPoint(word->left + x, -1) : CXPoint(-1, -1);
}

int CText6::getWordWidth(int index)
{
    ht_Word* word = wordOf(index);
    return word ? word->right - word->left : 0;
}

int CText6::search(CXString wanted, int from)
{
    ht_Line* line = get_ht_lines_info(0);
    int k = line ? line->firstWord : 0;
    int found = -1;
    forEachWord(codes, [&](const CXString& word) {
        if (k >= from && word.equals(wanted))
            found = k;
        ++k;
        return found != -1;
    });
    return found;
}

void CText6::setWordColor(int index, int c)
{
    if (ht_Word* word = wordOf(index))
        word->colour = c;
}
