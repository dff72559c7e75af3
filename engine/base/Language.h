#pragma once
#include "base/XString.h"

// What the language object needs of the keyboard (CKeyboard): to take up
// its language settings again after the language changed.
class CKeyboardLanguageIfc {
public:
    virtual ~CKeyboardLanguageIfc() {}
    virtual void initLanguage() = 0;
};

// The language of a title's localised files: starts as the system's, can be
// switched by a script, and maps a file name to its copy in the language's
// sub-folder.
//
//   locale code  number  folder
//   "0415"       1       "POL"
//   "0405"       2       "CZE"
//   "0402"       3       "BUL"
//   "0418"       4       "ROM"
//   "0419"       5       "RUS"
//   "040E"       6       "HUN"
//   "041B"       7       "SLO"
//   any other    9       none
class CLanguageOSVer {
public:
    // Takes the system's language (platform::systemLanguageCode).
    CLanguageOSVer();

    // The number of the current language (the table above); the keyboard
    // picks its character mapper by it.
    int getLanguage() const { return language; }
    // The folder of the current language; empty when it has none.
    CXString getSubFolder() const;
    // A code from the table selects its language; a code not in it keeps
    // the present one; the empty text changes nothing. The folder is then
    // set anew and a linked keyboard told.
    void setLanguageFolder(const CXString& code);
    // Where the file's copy in the language folder is: the folder and a
    // backslash put after the name's last backslash (or before a name
    // without one). A language without a folder gives the name unchanged.
    CXString getLocalFileName(const CXString& name) const;

    void setKeyboard(CKeyboardLanguageIfc* keyboard) { this->keyboard = keyboard; }

private:
    int language;
    CXString subFolder;
    CKeyboardLanguageIfc* keyboard;
};
