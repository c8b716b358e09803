#include "text/extras/name_list_printers.h"

#include <algorithm>
#include <initializer_list>
#include <vector>

#include "text/kq_types.h"
#include "text/name_list.h"

namespace {

std::stringstream& print_names(std::stringstream& stream, int flags,
                               const std::function<std::string(int)>& name_of,
                               std::initializer_list<int> values) {
    stream.str(std::string());
    stream.clear();
    if (std::find(values.begin(), values.end(), 0) != values.end()) {
        return stream;
    }
    const std::vector<int> list(values);
    // A count the caller left in the low bits would make print_name_list read past the list.
    const uint32 counted = (static_cast<uint32>(flags) & ~name_list_flags::count_mask) |
                           static_cast<uint32>(list.size());
    return print_name_list(stream, counted, name_of, list.data());
}

}  // namespace

std::stringstream& print_names7(std::stringstream& stream, int flags,
                                const std::function<std::string(int)>& name_of, int v1, int v2,
                                int v3, int v4, int v5, int v6, int v7) {
    return print_names(stream, flags, name_of, {v1, v2, v3, v4, v5, v6, v7});
}

std::stringstream& print_names6(std::stringstream& stream, int flags,
                                const std::function<std::string(int)>& name_of, int v1, int v2,
                                int v3, int v4, int v5, int v6) {
    return print_names(stream, flags, name_of, {v1, v2, v3, v4, v5, v6});
}

std::stringstream& print_names5(std::stringstream& stream, int flags,
                                const std::function<std::string(int)>& name_of, int v1, int v2,
                                int v3, int v4, int v5) {
    return print_names(stream, flags, name_of, {v1, v2, v3, v4, v5});
}

std::stringstream& print_names4(std::stringstream& stream, int flags,
                                const std::function<std::string(int)>& name_of, int v1, int v2,
                                int v3, int v4) {
    return print_names(stream, flags, name_of, {v1, v2, v3, v4});
}

std::stringstream& print_names3(std::stringstream& stream, int flags,
                                const std::function<std::string(int)>& name_of, int v1, int v2,
                                int v3) {
    return print_names(stream, flags, name_of, {v1, v2, v3});
}

std::stringstream& print_names2(std::stringstream& stream, int flags,
                                const std::function<std::string(int)>& name_of, int v1, int v2) {
    return print_names(stream, flags, name_of, {v1, v2});
}
