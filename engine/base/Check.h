#pragma once

// Checks of the engine's own invariants, not of a title's input: a failed
// one is a fault of the engine, which would otherwise go on with freed
// memory. It writes one line naming the rule and the place, and aborts.
//
// QUARNEL_CHECK is always on, for rules whose breach corrupts memory at
// once. QUARNEL_CHECK_CHECKED is on in the checked build (the sanitizer
// build CI runs), for rules whose breach the engine survives.
namespace quarnel {
[[noreturn]] void checkFailed(const char* rule, const char* file, int line);
}

#define QUARNEL_CHECK(condition, rule) ((condition) ? (void)0 : quarnel::checkFailed(rule, __FILE__, __LINE__))
#ifdef QUARNEL_CHECKED
#define QUARNEL_CHECK_CHECKED(condition, rule) QUARNEL_CHECK(condition, rule)
#else
#define QUARNEL_CHECK_CHECKED(condition, rule) ((void)0)
#endif
