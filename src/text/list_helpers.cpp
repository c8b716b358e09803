#include "text/list_helpers.h"

#include <algorithm>
#include <iterator>
#include <new>
#include <unordered_set>

bool int64_set_difference(std::vector<int64>& out, const std::set<int64>& a,
                          const std::set<int64>& b) {
    out.clear();
    if (a.empty()) {
        return false;
    }
    std::set_difference(a.begin(), a.end(), b.begin(), b.end(), std::back_inserter(out));
    return out.empty();
}

void unique_wstring_list(std::vector<std::wstring>& list) {
    std::unordered_set<std::wstring> seen;
    std::vector<std::wstring> kept;
    kept.reserve(list.size());
    for (std::wstring& item : list) {
        if (seen.insert(item).second) {
            kept.push_back(std::move(item));
        }
    }
    list = std::move(kept);
}

bool strings_to_c_arrays(std::vector<const char*>& pointers, std::vector<uint32>& lengths,
                         const std::vector<std::string>& list) {
    pointers.clear();
    lengths.clear();
    try {
        pointers.resize(list.size(), nullptr);
        lengths.resize(list.size(), 0);
    } catch (const std::bad_alloc&) {
        pointers.clear();
        lengths.clear();
        return false;
    }
    for (std::size_t i = 0; i < list.size(); ++i) {
        lengths[i] = static_cast<uint32>(list[i].size());
        pointers[i] = list[i].empty() ? nullptr : list[i].data();
    }
    return !pointers.empty();
}

bool set_named_lists(named_lists& record, const std::string& name,
                     const std::vector<std::string>& a, const std::vector<std::string>& b) {
    if (!a.empty() && a.size() == b.size()) {
        record.name = name;
        record.first = a;
        record.second = b;
        record.filled = true;
    }
    return false;
}
