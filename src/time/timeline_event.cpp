#include "time/timeline_event.h"

namespace {

void copy_text(std::string& field, const char* text) {
    if (text != nullptr) {
        field = text;
    }
}

}  // namespace

timeline_event::timeline_event() { clear(); }

timeline_event::timeline_event(uint64 value, const char* marks_text, const char* description_text,
                               const char* source_text, const char* filename_text,
                               const char* user_text, const char* note_text, const char* extra_text,
                               kq::type_time type) {
    clear();
    const kq::time moment(value, type);
    if (!moment.is_valid) {
        return;
    }
    valid = true;
    time = moment;
    key_type = kq::tt_filetime;
    key = static_cast<uint64>(moment.filetime);
    copy_text(marks, marks_text);
    copy_text(description, description_text);
    copy_text(source, source_text);
    copy_text(filename, filename_text);
    copy_text(user, user_text);
    copy_text(note, note_text);
    copy_text(extra, extra_text);
}

void timeline_event::clear() {
    key_type = kq::tt_filetime;
    key = 0;
    time.clear();
    marks.clear();
    description.clear();
    tag = 0;
    letter_descriptions.clear();
    source.clear();
    filename.clear();
    user.clear();
    note.clear();
    extra.clear();
    valid = false;
}
