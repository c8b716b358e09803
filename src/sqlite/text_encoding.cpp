#include "sqlite/text_encoding.h"

#include "sqlite/sqlite_format.h"

namespace fh = sqlite_format::file_header;

text_encoding text_encoding_of(uint32 header_word) {
    switch (header_word & fh::encoding_bits) {
        case fh::encoding_utf16le:
            return text_encoding::utf16le;
        case fh::encoding_utf16be:
            return text_encoding::utf16be;
        default:
            return text_encoding::utf8;
    }
}
