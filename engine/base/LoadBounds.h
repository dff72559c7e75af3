#pragma once
#include "base/XString.h"

#include <cstdint>
#include <map>

// What one scene snapshot or definition file may make the engine hold: at
// most OBJECT_BYTES for one of its objects and FILE_BYTES for all of them.
//
// Titles draw 800x600 16-bit screens: a full-screen picture is 960,000
// bytes, 1,440,000 with its alpha plane. Their largest canvases and
// pictures are a few screens, their arrays tens of thousands of values,
// some megabytes. One object may ask for 32 MiB, some 23 screens with alpha
// or four million values; a file's objects for 256 MiB together, eight
// objects at that bound, more memory than the machines the titles were
// made for had in all.
//
// While a file's objects are made, bounds are open for it. What a size read
// from the file would make the engine allocate (a canvas's pixels, a
// pattern's table, a grid, the values of a vector, the rows of a database,
// each string) is claimed first, for the object whose record is being read.
// A claim past either bound is refused and allocated by nobody: the record
// is still read to its end, keeping nothing more, and the loader leaves
// the object out and tells it in one line that names the file and the
// object. Bounds are per thread and nest; without open bounds (objects made
// at run time) every claim is granted.
class CLoadBounds {
public:
    static const int64_t OBJECT_BYTES = int64_t(32) << 20;
    static const int64_t FILE_BYTES = int64_t(256) << 20;
    // What a string read costs besides its bytes, and a value read (a cell
    // of a grid, a field of a row): about what holding one takes.
    static const int64_t STRING_BYTES = 64;
    static const int64_t VALUE_BYTES = 256;
    // Objects left out that are told by name; further ones are counted in
    // one line when the bounds close.
    static const int OBJECTS_TOLD = 32;

    // kind is what the file is ("scene snapshot"), name the file as the
    // title names it, enginePath where it was read (either may be empty).
    CLoadBounds(const char* kind, const CXString& name, const CXString& enginePath);
    ~CLoadBounds();
    CLoadBounds(const CLoadBounds&) = delete;
    CLoadBounds& operator=(const CLoadBounds&) = delete;

    // The bounds open on this thread, or null.
    static CLoadBounds* current();
    // Claims count x each bytes for the object of the current bounds; false
    // when they are refused (then every later claim for that object is
    // refused too). Without bounds, true.
    static bool claim(int64_t count, int64_t each = 1);

    // Claims from now on are for this object: anything that stands for it
    // while it is made (its definition record, the object itself).
    void setObject(const void* key);
    // Whether a claim for that object was refused.
    bool refused(const void* key) const;
    // The object is not kept: what it was granted is given back, and when
    // a claim for it was refused, it is told by its name.
    void leaveOut(const void* key, const CXString& objectName);
    // What the objects kept hold together.
    int64_t getHeld() const { return held; }

private:
    struct Tally {
        int64_t granted = 0;
        int64_t asked = 0; // with the refused claim
        bool refused = false;
        bool overFile = false;
    };
    bool take(int64_t bytes);
    // "scene snapshot \"S.bin\"", as the lines name the file.
    CXString file() const;

    const char* kind;
    CXString name;
    CXString path;
    std::map<const void*, Tally> tallies;
    const void* object;
    int64_t held;
    int told;
    int untold;
    CLoadBounds* previous;
};
