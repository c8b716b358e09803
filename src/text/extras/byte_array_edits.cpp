#include "text/extras/byte_array_edits.h"

#include "text/byte_buffer.h"

byte_array zeroed_byte_array(uint32 count) {
    byte_array bytes;
    byte_array_alloc(bytes, count);
    return bytes;
}

int byte_array_remove_value(byte_array& bytes, int value) {
    return static_cast<int>(
        std::erase_if(bytes, [value](uint8 b) { return static_cast<int>(b) == value; }));
}
