#include "base/TextCoder.h"

#include "base/File.h"
#include "base/TextFileReader.h"

#include <cstdint>

namespace {

// A byte moved by a shift, modulo 256.
char shifted(char c, int shift) { return char(uint8_t((uint8_t(c) + shift) & 0xFF)); }

} // namespace

CTextCoder::CTextCoder(CWindow* window, const CXString& name, bool noDecodedCopy)
    : fileName(name), reader(new CTextFileReader(window, name.c_str())), coded(false), cycle(0), counter(0),
      finished(false), position(0), lineCount(0)
{
    init(window, noDecodedCopy);
}

CTextCoder::CTextCoder(CWindow* window, CTextFileReader* r, bool noDecodedCopy)
    : reader(r), coded(false), cycle(0), counter(0), finished(false), position(0), lineCount(0)
{
    init(window, noDecodedCopy);
}

CTextCoder::~CTextCoder() { delete reader; }

void CTextCoder::init(CWindow* window, bool noDecodedCopy)
{
    finished = false;
    if (!reader) {
        errorCode = ERROR_UNREADABLE;
        return;
    }
    errorCode = reader->LastError();
    CXString first = reader->getLine();
    bool copy = first.startsWith("{<D:");
    if (!copy && !first.startsWith("{<C:")) {
        coded = false;
        reader->reset();
        return;
    }
    coded = true;
    int colon = first.Find(':');
    int end = first.Find('>');
    cycle = CXString::atoi(first.Mid(colon + 1, end < 0 ? first.getLength() : end).c_str());
    if (cycle <= 0) {
        // Nothing can be unscrambled without a cycle.
        finished = true;
        errorCode = ERROR_UNREADABLE;
        return;
    }
    if (copy && !noDecodedCopy && fileName.IsString())
        decode(window, fileName, fileName + ".decoded");
}

bool CTextCoder::_eof()
{
    if (!reader)
        return true;
    return coded ? finished : reader->eof();
}

int CTextCoder::getOffset(int k)
{
    int shift = int((int64_t(k) + 2) / 2);
    return (k & 1) ? -shift : shift;
}

void CTextCoder::advance()
{
    if (++counter >= cycle)
        counter = 0;
}

CXString CTextCoder::getLine()
{
    if (!reader)
        return CXString();
    if (!coded)
        return reader->getLine();
    if (cycle <= 0)
        return CXString();

    CXString read;
    if (lineCount % cycle == 0) {
        position = 0;
        buffer = reader->getLine();
        read = buffer;
    }
    if (finished)
        return read;
    int marker = buffer.FindSubString("<E>", position);
    if (marker < 0) {
        finished = true;
        return read;
    }
    CXString line(marker - position + 1);
    for (int i = position; i < marker; ++i) {
        line += shifted(buffer.GetAt(i), -getOffset(counter));
        advance();
    }
    position = marker + 3;
    ++lineCount;
    return line;
}

CXString CTextCoder::codeLine()
{
    CXString stored;
    for (int i = 0; i < cycle && reader && !reader->eof(); ++i) {
        CXString plain = reader->getLine();
        if (plain.lastChar() == '\n')
            plain.left(plain.getLength() - 1);
        for (int k = 0; k < plain.getLength(); ++k) {
            stored += shifted(plain.GetAt(k), getOffset(counter));
            advance();
        }
        stored += "<E>";
    }
    stored += '\n';
    return stored;
}

void CTextCoder::code(CWindow* window, const CXString& in, const CXString& out, int cycle)
{
    if (cycle <= 0)
        return;
    CTextCoder coder(window, in, true);
    if (coder.reader->LastError() != 0)
        return;
    coder.setCycle(cycle);
    coder.counter = 0;
    CFile file(window, out, CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_TEXT);
    if (file.LastError() != 0)
        return;
    CXString header;
    header.Format("{<C:%d>}\n", cycle);
    file.putLine(header);
    while (!coder.reader->eof())
        file.putLine(coder.codeLine());
}

void CTextCoder::decode(CWindow* window, const CXString& in, const CXString& out)
{
    CTextCoder coder(window, in, true);
    if (coder.LastError() != 0)
        return;
    CFile file(window, out, CFile::MODE_WRITE | CFile::MODE_UPDATE | CFile::MODE_TEXT);
    if (file.LastError() != 0)
        return;
    while (!coder._eof()) {
        CXString line = coder.getLine();
        // The read that finds no further line only marks the end.
        if (coder.coded && coder.finished)
            break;
        file.putLine(line + "\n");
    }
}
