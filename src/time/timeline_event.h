#pragma once
// One line of a log2timeline timeline: a moment, the MACB marks saying which of an item's
// four times fall on it, and the texts of the line.

#include <string>
#include <vector>

#include "text/kq_types.h"
#include "time/kq_time.h"
#include "time/type_time.h"

struct timeline_event {
    int32 key_type = kq::tt_filetime;  // kind of key
    uint64 key = 0;                    // the value the event is stored under in a timeline
    kq::time time;
    std::string marks;  // four characters: a MACB letter where the time applies, else '.'
    std::string description;
    uint32 tag = 0;
    std::vector<std::string> letter_descriptions;  // one per MACB letter, filled by merges
    std::string source;
    std::string filename;
    std::string user;
    std::string note;
    std::string extra;
    bool valid = false;  // writers skip events without a valid moment

    timeline_event();
    // The moment of (value, type); when it is valid the event is valid, keyed by the moment's
    // FILETIME (key_type 1), and takes every text whose pointer is not null. Otherwise the
    // event stays cleared.
    timeline_event(uint64 value, const char* marks_text, const char* description_text,
                   const char* source_text, const char* filename_text, const char* user_text,
                   const char* note_text, const char* extra_text, kq::type_time type);

    void clear();
};
