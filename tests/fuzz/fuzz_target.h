#pragma once
// Fuzz targets of velk. Each *_fuzz.cpp defines one target with VELK_FUZZ_TARGET(name); the
// target registers itself, so that the same code serves two drivers:
// - libfuzzer_main.cpp, linked with one target into a libFuzzer binary by `make fuzz`;
// - fuzz_replay_test.cpp, which replays every committed corpus file of every target in
//   the ordinary test run (tests/fuzz/corpus/<name>/), as SQLite's fuzzcheck does.
// A target must accept any bytes and return 0.

#include <cstddef>
#include <vector>

#include "text/kq_types.h"

namespace velk_fuzz {

using entry_fn = int (*)(const uint8* data, std::size_t size);

struct target {
    const char* name;
    entry_fn entry;
};

inline std::vector<target>& targets() {
    static std::vector<target> all;
    return all;
}

struct registration {
    registration(const char* name, entry_fn entry) { targets().push_back({name, entry}); }
};

}  // namespace velk_fuzz

#define VELK_FUZZ_TARGET(name)                                                      \
    int velk_fuzz_##name(const uint8* data, std::size_t size);                      \
    static const ::velk_fuzz::registration velk_fuzz_registered_##name(#name,       \
                                                                       velk_fuzz_##name); \
    int velk_fuzz_##name(const uint8* data, std::size_t size)
