#include <cstdio>
#include <string>

namespace {
// Built before main runs; the version line starts from it.
const std::string program_name = "velk";
}  // namespace

int main() {
    const std::string version_line = program_name + " - " + "v" VELK_VERSION_TEXT + " -";
    std::printf("%s\n", version_line.c_str());
    return 0;
}
