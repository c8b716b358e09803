#include "cmdline/macb_flags.h"

namespace {

constexpr const char* no_letters = "....";

// Places of the letters in a source's text.
constexpr std::size_t m_place = 0;
constexpr std::size_t a_place = 1;
constexpr std::size_t c_place = 2;
constexpr std::size_t b_place = 3;

// The text always holds four characters (reset makes it so); a text edited from outside
// to something shorter is lengthened rather than written past.
void set_letter(std::string& letters, bool& touched, std::size_t place, char letter) {
    if (letters.size() <= place) {
        letters.resize(place + 1, '.');
    }
    letters[place] = letter;
    touched = true;
}

}  // namespace

macb_flags::macb_flags() { clear(); }

void macb_flags::reset() {
    m_si = no_letters;
    m_fn = no_letters;
    m_fn83 = no_letters;
    m_si_touched = false;
    m_fn_touched = false;
    m_fn83_touched = false;
}

void macb_flags::clear() {
    reset();
    m_long_names.clear();
    m_short_names.clear();
    m_path.clear();
    m_stream_name.clear();
}

void macb_flags::set_si_m() { set_letter(m_si, m_si_touched, m_place, 'm'); }
void macb_flags::set_si_a() { set_letter(m_si, m_si_touched, a_place, 'a'); }
void macb_flags::set_si_c() { set_letter(m_si, m_si_touched, c_place, 'c'); }
void macb_flags::set_si_b() { set_letter(m_si, m_si_touched, b_place, 'b'); }
void macb_flags::set_fn_m() { set_letter(m_fn, m_fn_touched, m_place, 'm'); }
void macb_flags::set_fn_a() { set_letter(m_fn, m_fn_touched, a_place, 'a'); }
void macb_flags::set_fn_c() { set_letter(m_fn, m_fn_touched, c_place, 'c'); }
void macb_flags::set_fn_b() { set_letter(m_fn, m_fn_touched, b_place, 'b'); }
void macb_flags::set_fn83_m() { set_letter(m_fn83, m_fn83_touched, m_place, 'm'); }
void macb_flags::set_fn83_a() { set_letter(m_fn83, m_fn83_touched, a_place, 'a'); }
void macb_flags::set_fn83_c() { set_letter(m_fn83, m_fn83_touched, c_place, 'c'); }
void macb_flags::set_fn83_b() { set_letter(m_fn83, m_fn83_touched, b_place, 'b'); }

void macb_flags::by_source(int source, letter_setter si, letter_setter fn, letter_setter fn83) {
    switch (source) {
        case source_si:
            (this->*si)();
            break;
        case source_fn:
            (this->*fn)();
            break;
        case source_fn83:
            (this->*fn83)();
            break;
        default:
            break;
    }
}

void macb_flags::set_m(int source) {
    by_source(source, &macb_flags::set_si_m, &macb_flags::set_fn_m, &macb_flags::set_fn83_m);
}

void macb_flags::set_a(int source) {
    by_source(source, &macb_flags::set_si_a, &macb_flags::set_fn_a, &macb_flags::set_fn83_a);
}

void macb_flags::set_c(int source) {
    by_source(source, &macb_flags::set_si_c, &macb_flags::set_fn_c, &macb_flags::set_fn83_c);
}

void macb_flags::set_b(int source) {
    by_source(source, &macb_flags::set_si_b, &macb_flags::set_fn_b, &macb_flags::set_fn83_b);
}

void macb_flags::print(std::ostream& out, bool line_end, bool show_fn83, bool show_fn) const {
    std::string text;
    const auto add = [&text](const char* opening, const std::string& letters) {
        if (!text.empty()) {
            text += "; ";
        }
        text += opening + letters + "]";
    };
    if (m_si_touched) {
        add("si:[", m_si);
    }
    if (m_fn_touched && show_fn) {
        add("fn:[", m_fn);
    }
    if (m_fn83_touched && show_fn83) {
        add("fn8.3[", m_fn83);
    }
    if (text.empty()) {
        return;
    }
    if (line_end) {
        text += '\n';
    }
    out << text;
}
