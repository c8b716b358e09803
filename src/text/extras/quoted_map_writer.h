#pragma once
// Text maps written as quoted key/value pairs, among them the keys of a Zone.Identifier
// stream with the security zone named.

#include <map>
#include <ostream>
#include <string>

// "key":"value" for each pair in key order, pairs separated by separator and a blank.
void write_quoted_map(std::ostream& out, const std::map<std::string, std::string>& map,
                      char separator);

// zone_info={"key":"value";...} with the pairs in key order; with name_zones a key that
// begins with "ZoneId" gets its zone's label after the value (" [internet]" for 3; a value
// that is not a number counts as zone 0, " [local machine]"; zones above 4 get none).
// Nothing for an empty map.
void write_zone_info(std::ostream& out, const std::map<std::string, std::string>& map,
                     bool name_zones);
