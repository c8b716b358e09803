#include "text/extras/percent_template.h"

namespace {

bool is_number_digit(char c) { return c >= '1' && c <= '9'; }

// The placeholder starting at text[at] == '%' with a character after it; returns where the
// literal after it begins.
std::size_t take_placeholder(const std::string& text, std::size_t at,
                             std::vector<std::string>& pieces, std::multimap<int, int>& numbers,
                             std::multimap<char, int>& characters) {
    const int index = static_cast<int>(pieces.size());
    const char first = text[at + 1];
    std::size_t end = at + 2;
    if (!is_number_digit(first)) {
        characters.emplace(first, index);
    } else {
        int number = first - '0';
        if (end < text.size() && is_number_digit(text[end])) {
            number = number * 10 + (text[end] - '0');
            ++end;
        }
        numbers.emplace(number, index);
    }
    pieces.push_back(text.substr(at, end - at));
    return end;
}

}  // namespace

bool parse_percent_template(std::vector<std::string>& pieces, std::multimap<int, int>& numbers,
                            std::multimap<char, int>& characters, const std::string& text) {
    pieces.clear();
    numbers.clear();
    characters.clear();
    if (text.empty()) {
        return false;
    }
    std::size_t at = text.find('%');
    pieces.push_back(text.substr(0, at));
    while (at != std::string::npos && at + 1 < text.size()) {
        const std::size_t literal = take_placeholder(text, at, pieces, numbers, characters);
        at = text.find('%', literal);
        if (at == std::string::npos) {
            if (literal < text.size()) {
                pieces.push_back(text.substr(literal));
            }
            break;
        }
        pieces.push_back(text.substr(literal, at - literal));
    }
    return !pieces.empty();
}
