#include "text/extras/stream_put_position.h"

#include "text/text_snippets.h"

bool ostream_back_up(std::ostream& stream, uint32 count) {
    return erase_stream_tail<char>(stream, nullptr, count, false);
}

bool wostream_back_up(std::wostringstream& stream, uint32 count, bool rebuild) {
    return erase_stream_tail<wchar_t>(stream, stream.rdbuf(), count, rebuild);
}

uint32 ostream_position(std::ostream& stream) {
    if (stream.fail() || stream.bad()) {
        return 0;
    }
    const std::streampos at = stream.tellp();
    if (at == std::streampos(-1)) {
        return 0;
    }
    return static_cast<uint32>(static_cast<uint64>(static_cast<std::streamoff>(at)));
}
