#pragma once
// Always-on check of our own invariants (never of file contents): release builds keep it.
// On failure it prints the expression, the function signature and the source name, then
// aborts, so a broken invariant can never turn into silent corruption of a report.

namespace kq {
[[noreturn]] void assertion_failed(const char* expression, const char* function,
                                   const char* source);
}  // namespace kq

// `function` is the exact signature text to report; `source` the source's short name
// (for example "kq_string").
#define KQ_ASSERT(expression, function, source)                    \
    do {                                                           \
        if (!(expression)) {                                       \
            ::kq::assertion_failed(#expression, function, source); \
        }                                                          \
    } while (false)
