#pragma once
// Unallocated space to be carved: file offset -> length, in ascending offset order.

#include <map>

#include "text/kq_types.h"

using region_map = std::map<uint64, uint64>;
