#include "base/Check.h"

#include <cstdio>
#include <cstdlib>

void quarnel::checkFailed(const char* rule, const char* file, int line)
{
    std::fprintf(stderr, "Quarnel: internal fault: %s (%s:%d)\n", rule, file, line);
    std::fflush(stderr);
    std::abort();
}
