// The options' message stream, or a process-wide stand-in for callers whose options were
// built without one, so a message writer never needs to test for it.

#include "cmdline/cmd_params.h"

std::ostringstream& cmd_params::message_or_shared_stream() const {
    if (m_message_stream) {
        return *m_message_stream;
    }
    static std::ostringstream shared;
    shared.str(std::string());
    shared.clear();
    return shared;
}
