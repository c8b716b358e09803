#pragma once
// The standard file streams opened from paths held as bytes, UTF-16 units or wide text.
// Wide paths cross to bytes through the path codec, so a name that is not UTF-8 still
// opens; UTF-16 paths are converted as UTF-16 text.

#include <fstream>
#include <string>
#include <vector>

#include "text/kq_types.h"

namespace uni {

class ofstream : public std::ofstream {
public:
    ofstream() = default;
    explicit ofstream(const std::string& path, std::ios_base::openmode mode = std::ios_base::out);
    explicit ofstream(const byte_array& path, std::ios_base::openmode mode = std::ios_base::out);
    explicit ofstream(const std::vector<uint16_t>& path,
                      std::ios_base::openmode mode = std::ios_base::out);
    explicit ofstream(const std::wstring& path,
                      std::ios_base::openmode mode = std::ios_base::out);

    void open(const std::string& path, std::ios_base::openmode mode = std::ios_base::out);
    void open(const byte_array& path, std::ios_base::openmode mode = std::ios_base::out);
    // Opens for writing, truncating.
    void open(const std::vector<uint16_t>& path);
};

// A stream opened on a wide path for writing, truncating.
[[nodiscard]] ofstream ofstream_open_w(const std::wstring& path);

class ifstream : public std::ifstream {
public:
    ifstream() = default;
    explicit ifstream(const byte_array& path, std::ios_base::openmode mode = std::ios_base::in);
    explicit ifstream(const std::vector<uint16_t>& path,
                      std::ios_base::openmode mode = std::ios_base::in);
    explicit ifstream(const std::wstring& path, std::ios_base::openmode mode = std::ios_base::in);

    void open(const byte_array& path, std::ios_base::openmode mode = std::ios_base::in);
    void open(const std::vector<uint16_t>& path,
              std::ios_base::openmode mode = std::ios_base::in);
};

}  // namespace uni
