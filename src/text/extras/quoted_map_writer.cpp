#include "text/extras/quoted_map_writer.h"

#include <array>
#include <vector>

#include "text/json_like_text.h"
#include "text/kq_types.h"
#include "text/number_text.h"

namespace {

// The URL security zones of Windows, by number.
constexpr std::array<const char*, 5> zone_labels = {
    " [local machine]", " [intranet]", " [trusted]", " [internet]", " [untrusted]",
};

constexpr char zone_id_key[] = "ZoneId";

const char* zone_label(const std::string& value) {
    uint32 zone = 0;
    (void)string_to_uint32(value, &zone);  // a value that is not a number leaves zone 0
    return zone < zone_labels.size() ? zone_labels.at(zone) : "";
}

}  // namespace

void write_quoted_map(std::ostream& out, const std::map<std::string, std::string>& map,
                      char separator) {
    std::vector<std::string> keys;
    std::vector<std::string> values;
    for (const auto& [key, value] : map) {
        keys.push_back(key);
        values.push_back(value);
    }
    write_quoted_pairs(out, keys, values, separator);
}

void write_zone_info(std::ostream& out, const std::map<std::string, std::string>& map,
                     bool name_zones) {
    if (map.empty()) {
        return;
    }
    out << "zone_info"
        << "={";
    for (auto pair = map.begin(); pair != map.end(); ++pair) {
        if (pair != map.begin()) {
            out << ';';
        }
        out << '"' << pair->first << "\":\"" << pair->second;
        if (name_zones && pair->first.rfind(zone_id_key, 0) == 0) {
            out << zone_label(pair->second);
        }
        out << '"';
    }
    out << '}';
}
