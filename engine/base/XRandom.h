#pragma once
#include "base/XObject.h"

#include <cstdint>

// Random integers and random lists: a 15-bit generator (0..32767, the range
// titles were made with) plus the millisecond tick count. Main thread only.
class CXRandom : public CXObject {
public:
    enum { MAX_VECTOR = 10000 };

    // Seeds the generator with the current time in seconds.
    CXRandom();

    static void seed(uint32_t value);
    // The next value of the generator, 0..32767.
    static int rand15();

    // 0..n-1; 0 when n is not positive.
    static int random(int n);
    // base..base+n-1; base when n is not positive.
    static int random(int base, int n);
    // Fills the first count entries of a process-wide area of MAX_VECTOR
    // ints with random(base, n) and returns it; count 0 means n - base
    // entries. With unique set the entries are distinct and there are at
    // most n of them. Too many entries leave the area unchanged.
    static int* random_vector(int base, int n, int count, bool unique);
};
