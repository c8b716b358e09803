#include "io/null_out_stream.h"

std::streamsize null_out_buf::xsputn(const char* /*data*/, std::streamsize count) {
    return count;
}

null_out_buf::int_type null_out_buf::overflow(int_type c) { return traits_type::not_eof(c); }

// The base is built before the member buffer exists; the buffer is installed once it does.
null_out_stream::null_out_stream() : std::ostream(nullptr) { rdbuf(&m_buffer); }

null_out_stream g_null_out_stream;
