#pragma once
// Helpers shared by the text tests of counted-buffer routines.

#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace text_test {

// Names a parameterised case by its `name` field.
struct named_case_printer {
    template <class Info>
    std::string operator()(const Info& info) const {
        return info.param.name;
    }
};

// A heap copy of a text with no terminator and no spare capacity, so that under the
// sanitizer build any read past the given length is caught as a heap overflow.
template <class Char>
class exact_buffer {
public:
    explicit exact_buffer(std::basic_string_view<Char> text)
        : exact_buffer(text.data(), text.size()) {}
    exact_buffer(const Char* text, std::size_t size) : m_size(size), m_data(new Char[size]) {
        if (size > 0) {
            std::memcpy(m_data.get(), text, size * sizeof(Char));
        }
    }
    [[nodiscard]] Char* data() { return m_data.get(); }
    [[nodiscard]] int length() const { return static_cast<int>(m_size); }
    [[nodiscard]] int byte_length() const { return static_cast<int>(m_size * sizeof(Char)); }
    // The first count characters, as they stand after an in-place edit.
    [[nodiscard]] std::basic_string<Char> text(int count) const {
        return std::basic_string<Char>(m_data.get(), static_cast<std::size_t>(count));
    }

private:
    std::size_t m_size;
    std::unique_ptr<Char[]> m_data;
};

using narrow_buffer = exact_buffer<char>;
using wide_buffer = exact_buffer<wchar_t>;

}  // namespace text_test
