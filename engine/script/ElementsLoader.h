#pragma once
#include "script/Element.h"

class CCommandLine6;
class CTextCoder;
class CTextFileReader;
class CTextLineSource;

// Reads definition text ("application.def", scene ".cnv" files, class and
// loader files) into a list of records. Logical lines are joined with '/',
// split into tokens at ':' and '='; statements are OBJECT, IMPORT, DEF, ADD,
// APPLY and properties, several per line; '#' starts a comment and '!' ends
// the definitions.
class CMElementsLoader {
public:
    // Reads a definition file through the file search (scrambled or not);
    // null when it cannot be read. With a window and the "code" / "decode"
    // switches on the running application's command line, a scrambled copy
    // "<file>.coded" (cycle 6) and a plain copy "<file>.decoded" are written
    // first.
    static CMElements* load(CWindow* window, const CXString& fileName);
    // The same over a text already in memory; the reader is taken over and
    // deleted. No copies are written.
    static CMElements* load(CWindow* window, CTextFileReader* reader);
    // Reads every logical line of the source; never null. The caller owns the
    // list and, through it, every record.
    static CMElements* load(CTextLineSource* source);
    // The next logical line.
    static CXString getLine(CTextLineSource* source);
    // Writing definition text is not supported: reports failure.
    static bool save(const CXString& fileName, CMElements* elements);

    // The running application's command line, consulted for the "code" and
    // "decode" switches; the application sets it while it exists.
    static void setCommandLine(CCommandLine6* commandLine);
};

// Reads a plain name=value text file into a property list (one property per
// line, split at '='); the caller owns the list.
class CPropertiesLoader {
public:
    static CMProperties* load(CWindow* window, CTextFileReader* reader);
    static CMProperties* load(CWindow* window, CTextLineSource* lines);
};
