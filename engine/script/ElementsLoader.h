#pragma once
#include "script/Element.h"

class CTextLineSource;

// Reads definition text ("application.def", scene ".cnv" files, class and
// loader files) into a list of records. Logical lines are joined with '/',
// split into tokens at ':' and '='; statements are OBJECT, IMPORT, DEF, ADD,
// APPLY and properties, several per line; '#' starts a comment and '!' ends
// the definitions.
class CMElementsLoader {
public:
    // Reads every logical line of the source; never null. The caller owns the
    // list and, through it, every record.
    static CMElements* load(CTextLineSource* source);
    // The next logical line.
    static CXString getLine(CTextLineSource* source);
    // Writing definition text is not supported: reports failure.
    static bool save(const CXString& fileName, CMElements* elements);

private:
    static void processLine(CMElements* list, const CXString& line);
    static void define(CMElements* list, const CXString& line);
};

class CTextFileReader;

// Reads a plain name=value text file into a property list (one property per
// line, split at '='); the caller owns the list.
class CPropertiesLoader {
public:
    static CMProperties* load(CWindow* window, CTextLineSource* reader);
};
