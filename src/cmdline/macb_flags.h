#pragma once
// macb_flags: which MACB letters each time source of a file-system record set at one moment.
// An MFT entry carries three sets of times: the standard-information times ("si"), the
// file-name times ("fn") and those of its short 8.3 name ("fn8.3"). When several times of a
// record fall on one moment, they share one macb_flags whose letters accumulate, together
// with the names that the record was seen under at that moment.
//
// Letters are lower case at fixed places: 'm' at 0, 'a' at 1, 'c' at 2, 'b' at 3; an unset
// place holds '.'.

#include <ostream>
#include <set>
#include <string>

class macb_flags {
public:
    // Time sources as the callers number them.
    static constexpr int source_si = 1;
    static constexpr int source_fn = 2;
    static constexpr int source_fn83 = 3;

    macb_flags();

    // Letters back to "...." and nothing touched; names, path and stream name stay.
    void reset();
    // reset, and the names, path and stream name emptied.
    void clear();

    // The letter for the given source; any source but 1, 2 or 3 changes nothing.
    void set_m(int source);
    void set_a(int source);
    void set_c(int source);
    void set_b(int source);

    void set_si_m();
    void set_si_a();
    void set_si_c();
    void set_si_b();
    void set_fn_m();
    void set_fn_a();
    void set_fn_c();
    void set_fn_b();
    void set_fn83_m();
    void set_fn83_a();
    void set_fn83_c();
    void set_fn83_b();

    // The touched sources' letters, "; " between them: "si:[....]", then "fn:[....]" when
    // show_fn is set, then "fn8.3[....]" (no colon) when show_fn83 is set. A line end
    // follows when line_end is set and something was written.
    void print(std::ostream& out, bool line_end, bool show_fn83, bool show_fn) const;

    std::string m_si;
    std::string m_fn;
    std::string m_fn83;
    bool m_si_touched = false;
    bool m_fn_touched = false;
    bool m_fn83_touched = false;
    std::set<std::string> m_long_names;
    std::set<std::string> m_short_names;
    std::string m_path;
    // Written after a long name and ":" when not empty (an alternate data stream).
    std::string m_stream_name;

private:
    using letter_setter = void (macb_flags::*)();
    // Calls the setter of the given source; any other source calls none.
    void by_source(int source, letter_setter si, letter_setter fn, letter_setter fn83);
};
