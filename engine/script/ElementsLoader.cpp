#include "script/ElementsLoader.h"

#include "base/CommandLine.h"
#include "base/File.h"
#include "base/StringTokenizer.h"
#include "base/TextCoder.h"
#include "base/TextFileReader.h"
#include "base/TextLineSource.h"

#include <string>
#include <unordered_map>

namespace {
CCommandLine6* runningCommandLine = nullptr;

// Adapts the text file reader to the line source the readers take.
class CReaderLines : public CTextLineSource {
public:
    explicit CReaderLines(CTextFileReader* r) : reader(r) {}
    bool _eof() override { return reader->eof(); }
    CXString getLine() override { return reader->getLine(); }

private:
    CTextFileReader* reader;
};

// Passes the lines on and notes whether one holds a control byte that no
// definition text has (text, tabs, carriage returns and the end-of-file
// mark are all it holds).
class CCheckedLines : public CTextLineSource {
public:
    explicit CCheckedLines(CTextLineSource* s) : source(s) {}
    bool _eof() override { return source->_eof(); }
    CXString getLine() override
    {
        CXString line = source->getLine();
        for (int i = 0; !foreign && i < line.getLength(); ++i) {
            unsigned char c = (unsigned char)line.c_str()[i];
            foreign = c < 0x20 && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != 0x1A;
        }
        return line;
    }
    bool foreign = false;

private:
    CTextLineSource* source;
};

// The records being read. Every statement that names a record acts on the
// first record of that name, found here by its name (byte by byte) so that
// a statement costs the same however many records come before it.
class CRecords {
public:
    explicit CRecords(CMElements* l) : list(l) {}
    CMElement* get(const CXString& name) const
    {
        auto it = first.find(key(name));
        return it == first.end() ? nullptr : it->second;
    }
    // Appends the record; a record of a name already held is listed but
    // never found (a repeated DEF).
    void add(CMElement* record)
    {
        list->add(record);
        first.emplace(key(record->getName()), record);
    }

private:
    static std::string key(const CXString& name) { return std::string(name.c_str(), size_t(name.getLength())); }

    CMElements* list;
    std::unordered_map<std::string, CMElement*> first;
};

// 'DEF:NAME(X=1|Y=2)': a record with inline properties, always appended.
// Lines that do not have this shape add nothing.
void define(CRecords& records, const CXString& line)
{
    int open = line.Find('(', 0);
    int close = line.FindLast(')', -1);
    if (open < 4 || close < open)
        return;
    CMElement* record = new CMElement(line.Mid(4, open));
    CStringTokenizer pieces(line.Mid(open + 1, close), "|");
    while (pieces.hasMoreTokens()) {
        CXString piece = pieces.nextToken();
        int eq = piece.Find('=', 0);
        if (eq < 0)
            continue;
        CXString name = piece.Left(eq);
        CXString value = piece.Right(eq + 1);
        record->addProperty(name.AllTrim(' '), value.AllTrim(' '));
    }
    records.add(record);
}

void processLine(CRecords& records, const CXString& line)
{
    CStringTokenizer tokens(line, ":=\n");
    while (tokens.hasMoreTokens()) {
        CXString t1 = tokens.nextToken();
        if (t1 == "OBJECT") {
            if (!tokens.hasMoreTokens())
                return;
            CXString name = tokens.nextToken();
            if (records.get(name))
                return;
            records.add(new CMElement(name));
            continue;
        }
        if (t1 == "IMPORT") {
            if (!tokens.hasMoreTokens())
                return;
            CXString name = tokens.nextToken();
            if (!records.get(name)) {
                CMElement* e = new CMElement(name);
                e->addProperty("TYPE", "SEQUENCE");
                records.add(e);
            }
            continue;
        }
        if (t1 == "DEF") {
            define(records, line);
            return;
        }
        CMElement* record = records.get(t1);
        if (!record || !tokens.hasMoreTokens())
            return;
        CXString t2 = tokens.nextToken();
        if (t2 == "ADD" || t2 == "APPLY") {
            if (!tokens.hasMoreTokens())
                return;
            CMElement* other = records.get(tokens.nextToken());
            if (!other)
                return;
            if (t2 == "ADD")
                other->addChild(record);
            else
                record->addChild(other);
            continue;
        }
        if (!tokens.hasMoreTokens()) {
            record->addProperty(t2);
            return;
        }
        CXString value = tokens.nextToken();
        while (tokens.hasMoreTokens()) {
            value += ' ';
            value += tokens.nextToken();
        }
        record->addProperty(t2, value);
        return;
    }
}

} // namespace

void CMElementsLoader::setCommandLine(CCommandLine6* commandLine)
{
    runningCommandLine = commandLine;
}

CMElements* CMElementsLoader::load(CWindow* window, const CXString& fileName)
{
    CTextCoder coder(window, fileName, false);
    if (window && runningCommandLine) {
        if (runningCommandLine->isToCode())
            CTextCoder::code(window, fileName, fileName + ".coded", 6);
        if (runningCommandLine->isToDecode())
            CTextCoder::decode(window, fileName, fileName + ".decoded");
    }
    if (coder.LastError() != 0)
        return nullptr;
    CCheckedLines lines(&coder);
    CMElements* list = load(&lines);
    list->setSource(CFile::getFullName(window, fileName));
    list->setDamaged(lines.foreign);
    return list;
}

CMElements* CMElementsLoader::load(CWindow* window, CTextFileReader* reader)
{
    if (!reader)
        return nullptr;
    CTextCoder coder(window, reader, false);
    if (coder.LastError() != 0)
        return nullptr;
    return load(&coder);
}

CXString CMElementsLoader::getLine(CTextLineSource* source)
{
    CXString line;
    for (;;) {
        CXString physical = source->getLine();
        physical = physical.replace("\t", "");
        bool joins = physical.Find('/') >= 0;
        // Lines end in CR LF; the CR of a line longer than two characters is
        // dropped. A line with a bare LF end keeps its last character.
        int n = physical.getLength();
        if (n > 2 && physical.GetAt(n - 1) == '\r')
            line += physical.Left(n - 1);
        else
            line += physical;
        line.AllTrim(' ');
        if (!joins || source->_eof())
            break;
    }
    return line.replace("/", "");
}

CMElements* CMElementsLoader::load(CTextLineSource* source)
{
    CMElements* list = new CMElements(true);
    CRecords records(list);
    bool ended = false;
    while (source && !source->_eof()) {
        CXString line = getLine(source);
        if (line.GetAt(0) == '!') {
            ended = true;
            continue;
        }
        if (ended || line.GetAt(0) == '#')
            continue;
        processLine(records, line);
    }
    return list;
}

bool CMElementsLoader::save(const CXString&, CMElements*)
{
    return false;
}

CMProperties* CPropertiesLoader::load(CWindow* window, CTextFileReader* reader)
{
    if (!reader)
        return new CMProperties;
    CReaderLines lines(reader);
    return load(window, &lines);
}

CMProperties* CPropertiesLoader::load(CWindow*, CTextLineSource* reader)
{
    CMProperties* list = new CMProperties;
    while (reader && !reader->_eof()) {
        CStringTokenizer pieces(reader->getLine(), "=");
        CXString name = pieces.nextToken();
        CXString value = pieces.nextToken();
        list->add(new CMProperty(name, value));
    }
    return list;
}
