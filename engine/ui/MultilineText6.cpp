#include "ui/MultilineText6.h"

#include "base/File.h"
#include "base/StringTokenizer.h"
#include "base/XArray.h"
#include "ui/EditBox6.h"
#include "ui/FontCollection.h"
#include "ui/SimpleFont6.h"
#include "ui/Unit6.h"

#include <algorithm>
#include <climits>
#include <cstdint>

namespace {

int clamped(int64_t v) { return int(std::clamp<int64_t>(v, INT_MIN, INT_MAX)); }

// An edit field shows at most this many underscores, however wide it says
// it is.
const int MAX_FIELD_MARKS = 4096;

} // namespace

CMultilineText6::CMultilineText6(CWindow* w, bool hypertext, CUnit6* u)
    : CText6(w, hypertext, u), lines(new CXArray(101, 0.75f))
{
    linesBorrowed = true;
}

CMultilineText6::~CMultilineText6()
{
    CMultilineText6::flush();
    delete lines;
}

void CMultilineText6::flush()
{
    for (int i = 0; i < lines->getSize(); ++i)
        delete static_cast<CText6*>(lines->at(i));
    lines->removeAll();
    for (int i = 0; i < editBoxes->getSize(); ++i) {
        CEditBox6* box = static_cast<CEditBox6*>(editBoxes->at(i));
        if (unit)
            unit->removeEditBox(box);
        delete box;
    }
    editBoxes->removeAll();
    flush_ht_info();
    CGraphicsObject::Flush();
}

int CMultilineText6::getLineCount() const { return lines->getSize(); }

CText6* CMultilineText6::getLine(int index) const
{
    return index >= 0 && index < lines->getSize() ? static_cast<CText6*>(lines->at(index)) : nullptr;
}

void CMultilineText6::setText(CXString s)
{
    s = s.replace("&NBSP;", " ");
    if (font)
        Invalidate();
    text = convTab(s);
    parseText();
    if (font)
        layOut();
}

void CMultilineText6::setFont(CSimpleFont6* f)
{
    const bool hasText = text.IsString();
    if (hasText)
        Invalidate();
    font = f;
    if (!hasText)
        return;
    if (!font) {
        // Lines keep the font they were made with: none may outlive it.
        flush();
        width = height = 0;
        return;
    }
    parseText();
    layOut();
}

void CMultilineText6::layOut()
{
    if (font->isMultifont())
        splitMultiText();
    else
        splitText();
    width = getLength();
    height = getHeight();
    place();
    Invalidate();
}

void CMultilineText6::setJustify(CXRect rect, _justify h, _justify v) { CText6::setJustify(rect, h, v); }

void CMultilineText6::Move(int dx, int dy)
{
    Invalidate();
    justifyRect += CXPoint(dx, dy);
    place();
    Invalidate();
}

// Words are added while the line fits; the word that does not fit starts
// the next line, after an empty one when it is the first.
void CMultilineText6::splitText()
{
    flush();
    const int64_t limit = int64_t(justifyRect.right) - justifyRect.left;
    std::vector<Entry> entries;
    CStringTokenizer words(text, " ");
    CXString candidate, fitting;
    while (words.hasMoreTokens()) {
        const CXString word = words.nextToken();
        if (candidate.IsString())
            candidate += ' ';
        candidate += word;
        if (getLength(font, candidate) > limit) {
            entries.push_back(Entry{false, fitting});
            candidate = word;
        }
        fitting = candidate;
    }
    if (candidate.IsString())
        entries.push_back(Entry{false, fitting});
    makeLines(entries, false);
}

// One walk over the codes builds each line's markup. A word keeps the
// spaces before it in its run (one goes when it starts a line); a style
// switched on and not yet off starts the next line again.
void CMultilineText6::splitMultiText()
{
    flush();
    const int64_t limit = int64_t(justifyRect.right) - justifyRect.left;
    std::vector<Entry> entries;
    CXString markup, plain, prefix;
    int64_t lineWidth = 0;
    int lineCount = 0;
    CSimpleFont6* measuring = static_cast<CFontCollection*>(font)->getBaseFont();
    for (int i = 0; i < codes->getSize(); ++i) {
        CTextFormatCode* code = static_cast<CTextFormatCode*>(codes->at(i));
        switch (code->getMode()) {
        case CTextFormatCode::TEXT: {
            const CXString run = code->getText();
            const int n = run.getLength();
            int at = 0;
            while (at < n) {
                const int start = at;
                while (at < n && run.GetAt(at) == ' ')
                    ++at;
                if (at >= n)
                    break;
                while (at < n && run.GetAt(at) != ' ')
                    ++at;
                CXString word = run.Mid(start, at);
                plain += word;
                lineWidth += getLength(measuring, word);
                if (lineWidth > limit) {
                    ++lineCount;
                    entries.push_back(Entry{false, markup});
                    lineWidth = getLength(measuring, word);
                    if (word.GetAt(0) == ' ')
                        word = word.Right(1);
                    plain = word;
                    markup = prefix + word;
                } else {
                    markup += word;
                }
            }
            break;
        }
        case CTextFormatCode::FONT:
            prefix = prefix.IsString() ? CXString() : code->getText();
            markup += code->getText();
            measuring = code->getFont();
            break;
        case CTextFormatCode::BREAK:
            ++lineCount;
            entries.push_back(Entry{false, markup});
            entries.push_back(Entry{true, CXString()});
            plain = CXString();
            lineWidth = 0;
            markup = prefix;
            break;
        case CTextFormatCode::COLOR:
            markup += "<COLOR";
            markup += code->getColor();
            markup += '>';
            break;
        case CTextFormatCode::EDIT: {
            const int64_t fieldWidth = code->getWidth();
            if (fieldWidth + lineWidth > limit) {
                ++lineCount;
                lineWidth = 0;
                entries.push_back(Entry{false, markup});
                markup = prefix;
                plain = CXString();
            }
            const int space = measuring ? measuring->getLetterWidth(-1, ' ') : 0;
            const int letterHeight = measuring ? measuring->Height() : 0;
            const int64_t marks = space + 2 > 0 ? std::min<int64_t>(fieldWidth / (space + 2), MAX_FIELD_MARKS) : 0;
            plain += ' ';
            markup += ' ';
            for (int64_t k = 2; k < marks; ++k) {
                plain += '_';
                markup += '_';
            }
            const int64_t left = int64_t(x) + lineWidth + space;
            const int64_t top = int64_t(y) + int64_t(letterHeight - 4) * lineCount;
            addEditBox(CXRect(clamped(left), clamped(top), clamped(left + fieldWidth), clamped(top + letterHeight)),
                       code);
            lineWidth += fieldWidth + 3 * int64_t(space);
            break;
        }
        default:
            break;
        }
    }
    if (plain.IsString())
        entries.push_back(Entry{false, markup});
    makeLines(entries, tracking);
}

void CMultilineText6::makeLines(const std::vector<Entry>& entries, bool records)
{
    if (records) {
        flush_ht_info();
        linesInfoCount = int(entries.size());
        linesInfo = new ht_Line*[entries.size() > 0 ? entries.size() : 1];
    }
    ht_Line* previous = nullptr;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (entries[i].isBreak) {
            lines->add(static_cast<void*>(nullptr));
            if (records)
                linesInfo[i] = nullptr;
            continue;
        }
        CText6* line = new CText6(GetWindow(), tracking, nullptr);
        line->setFont(font);
        line->setText(entries[i].markup);
        line->setColor(colour);
        lines->add(line);
        if (!records)
            continue;
        ht_Line* record = line->get_ht_lines_info(0);
        linesInfo[i] = record;
        if (record) {
            record->firstWord = previous ? previous->firstWord + previous->wordCount : 0;
            previous = record;
        }
    }
}

// The field's name is not used: the box holds its initial text.
void CMultilineText6::addEditBox(CXRect rect, CTextFormatCode* code)
{
    if (!unit)
        return;
    editBoxes->add(unit->addEditBox(font, rect, 0, code->getText()));
}

int CMultilineText6::getLength()
{
    int widest = 0;
    for (int i = 0; i < lines->getSize(); ++i)
        if (CText6* line = getLine(i))
            widest = std::max(widest, line->getLength());
    return widest;
}

int CMultilineText6::getHeight()
{
    int total = 0;
    for (int i = 0; i < lines->getSize(); ++i)
        if (CText6* line = getLine(i))
            total += line->Height();
    if (lines->getSize() >= 2)
        total -= 2 * (lines->getSize() - 1);
    return total;
}

// Each line is drawn at the pen, clipped to the part of the text's own
// clipping rectangle that falls on it.
void CMultilineText6::Redraw()
{
    const bool clipped = clip.Width() != 0 && clip.Height() != 0;
    int pen = y;
    for (int i = 0; i < lines->getSize(); ++i) {
        CText6* line = getLine(i);
        if (!line)
            continue;
        line->SetOpacity(opacity);
        line->SetDestiny(GetDestiny());
        line->SetClippingRect(CXRect());
        line->SetPosition(x, pen);
        if (!clipped) {
            line->Redraw();
        } else {
            const CXRect box = line->GetBoundingBox() - CXPoint(x, y);
            const CXRect visible = box.Common(clip);
            if (visible.Width() > 0 && visible.Height() > 0) {
                line->SetClippingRect(
                    CXRect(visible.left, visible.top - (pen - y), visible.right, visible.bottom - (pen - y)));
                line->Redraw();
            }
        }
        pen += line->Height() - 4;
    }
}

// A file that cannot be read leaves the text as it was.
int CMultilineText6::Load(CXString fileName)
{
    CFile* file = new CFile(GetWindow(), fileName, CFile::MODE_READ | CFile::MODE_TEXT);
    const int error = file->LastError();
    if (error == 0) {
        CXString all;
        // A line is never empty (it keeps its line end) but at the end or
        // on a read error.
        for (CXString line = file->getLine(); line.IsString(); line = file->getLine()) {
            all += line;
            all += '\n';
        }
        setText(all);
    }
    delete file;
    return error;
}

int CMultilineText6::getNumWords()
{
    int total = 0;
    for (int i = 0; i < linesInfoCount; ++i)
        if (linesInfo[i])
            total += linesInfo[i]->wordCount;
    return total;
}

CText6* CMultilineText6::lineOf(int index, int* local)
{
    for (int i = 0; i < linesInfoCount; ++i) {
        const ht_Line* record = linesInfo[i];
        if (record && record->firstWord <= index && index < record->firstWord + record->wordCount) {
            *local = index - record->firstWord;
            return getLine(i);
        }
    }
    return nullptr;
}

int CMultilineText6::getWordAtXY(CXPoint p)
{
    int found = -1;
    for (int i = 0; i < linesInfoCount; ++i) {
        const ht_Line* record = linesInfo[i];
        CText6* line = getLine(i);
        if (!record || !line || p.y < record->top || p.y > record->bottom)
            continue;
        const int k = line->getWordAtXY(p);
        if (k != -1)
            found = k + record->firstWord;
    }
    return found;
}

CXString CMultilineText6::getWordAt(int index)
{
    int local = 0;
    CText6* line = lineOf(index, &local);
    return line ? line->getWordAt(local) : CXString();
}

CXPoint CMultilineText6::getWordPosition(int index)
{
    int local = 0;
    CText6* line = lineOf(index, &local);
    if (!line)
        return CXPoint(-1, -1);
    return CXPoint(line->getWordPosition(local).x, line->get_ht_lines_info(0)->top + y);
}

int CMultilineText6::getWordWidth(int index)
{
    int local = 0;
    CText6* line = lineOf(index, &local);
    return line ? line->getWordWidth(local) : 0;
}

void CMultilineText6::setWordColor(int index, int c)
{
    int local = 0;
    if (CText6* line = lineOf(index, &local))
        line->setWordColor(local, c);
}

int CMultilineText6::search(CXString word, int from)
{
    for (int i = 0; i < lines->getSize(); ++i)
        if (CText6* line = getLine(i)) {
            const int found = line->search(word, from);
            if (found != -1)
                return found;
        }
    return -1;
}
