#pragma once
// print_name_list for a fixed number of values given one by one.

#include <functional>
#include <sstream>
#include <string>

// Each empties the stream; when none of its values is 0 it writes their names through
// print_name_list with their count in the flags' low four bits (whatever those bits held).
// Returns the stream.
std::stringstream& print_names7(std::stringstream& stream, int flags,
                                const std::function<std::string(int)>& name_of, int v1, int v2,
                                int v3, int v4, int v5, int v6, int v7);
std::stringstream& print_names6(std::stringstream& stream, int flags,
                                const std::function<std::string(int)>& name_of, int v1, int v2,
                                int v3, int v4, int v5, int v6);
std::stringstream& print_names5(std::stringstream& stream, int flags,
                                const std::function<std::string(int)>& name_of, int v1, int v2,
                                int v3, int v4, int v5);
std::stringstream& print_names4(std::stringstream& stream, int flags,
                                const std::function<std::string(int)>& name_of, int v1, int v2,
                                int v3, int v4);
std::stringstream& print_names3(std::stringstream& stream, int flags,
                                const std::function<std::string(int)>& name_of, int v1, int v2,
                                int v3);
std::stringstream& print_names2(std::stringstream& stream, int flags,
                                const std::function<std::string(int)>& name_of, int v1, int v2);
