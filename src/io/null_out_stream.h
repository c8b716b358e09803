#pragma once
// A stream that accepts everything and keeps nothing: handed out where a message stream is
// wanted but none was set, so writers need no null checks. It never goes bad.

#include <ostream>
#include <streambuf>

class null_out_buf : public std::streambuf {
protected:
    std::streamsize xsputn(const char* data, std::streamsize count) override;
    int_type overflow(int_type c) override;
};

class null_out_stream : public std::ostream {
public:
    null_out_stream();
    null_out_stream(const null_out_stream&) = delete;
    null_out_stream& operator=(const null_out_stream&) = delete;

private:
    null_out_buf m_buffer;
};

extern null_out_stream g_null_out_stream;
