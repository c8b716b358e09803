#include "text/random_text.h"

#include <sys/time.h>

#include <cstdlib>
#include <utility>

namespace {

bool g_seeded = false;

void seed_once() {
    if (g_seeded) {
        return;
    }
    timeval now{};
    (void)gettimeofday(&now, nullptr);  // a failed clock still leaves a usable seed of 0
    std::srand(static_cast<unsigned>(now.tv_usec));
    g_seeded = true;
}

}  // namespace

uint8 random_in_range(int low, int high) {
    seed_once();
    int lo = low & 0xFF;
    int hi = high & 0xFF;
    if (hi < lo) {
        std::swap(lo, hi);
    }
    return static_cast<uint8>(lo + std::rand() % (hi - lo + 1));
}

uint32 random_uint32() {
    uint32 value = 0;
    for (int i = 0; i < 4; ++i) {
        value = (value << 8) | random_in_range(0, 255);
    }
    return value;
}

std::string random_printable_text(int n) {
    std::string text;
    for (int i = 0; i < n; ++i) {
        text.push_back(static_cast<char>(random_in_range(33, 126)));
    }
    return text;
}

std::string random_alnum_text(int n) {
    std::string text;
    while (static_cast<int>(text.size()) < n) {
        // '0' to 'z' also spans the punctuation between the digits and the letters; those
        // draws are thrown away.
        const uint8 c = random_in_range('0', 'z');
        if ((c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) {
            text.push_back(static_cast<char>(c));
        }
    }
    return text;
}

std::string random_digit_text(int n) {
    std::string text(1, static_cast<char>(random_in_range('1', '9')));
    for (int i = 1; i < n; ++i) {
        text.push_back(static_cast<char>(random_in_range('0', '9')));
    }
    return text;
}
