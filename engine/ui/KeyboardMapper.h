#pragma once

// What the keyboard's characters become on a system of a given language:
// mapChar turns the character of a key (after shift) into the one typed,
// acceptChar says whether it is typed at all. Characters are bytes of code
// page 1250.
class CKeyboardMapper {
public:
    virtual ~CKeyboardMapper() {}
    virtual unsigned char mapChar(unsigned char c, bool alt, bool shift) = 0;
    virtual bool acceptChar(unsigned char c) = 0;

    // The mapper of a language number (CLanguageOSVer): Czech for 2,
    // Hungarian for 6, the default for any other. The caller owns it.
    static CKeyboardMapper* forLanguage(int language);
};

// Czech keyboards have Y and Z swapped; only letters are typed.
class CCzechKeyboardMapper : public CKeyboardMapper {
public:
    unsigned char mapChar(unsigned char c, bool alt, bool shift) override;
    bool acceptChar(unsigned char c) override;
};

// Hungarian keyboards as the Czech ones.
class CHungarianKeyboardMapper : public CCzechKeyboardMapper {};

// Every character is typed; with alt the letters of the Polish programmer's
// layout give their Polish letters.
class CDefaultKeyboardMapper : public CKeyboardMapper {
public:
    unsigned char mapChar(unsigned char c, bool alt, bool shift) override;
    bool acceptChar(unsigned char) override { return true; }
};
