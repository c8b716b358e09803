#include "text/kq_assert.h"

#include <cstdio>
#include <cstdlib>

namespace kq {

void assertion_failed(const char* expression, const char* function, const char* source) {
    std::fprintf(stderr, "Assertion failed: \"%s\" in %s, source %s\n", expression, function,
                 source);
    std::fflush(stderr);
    std::abort();
}

}  // namespace kq
