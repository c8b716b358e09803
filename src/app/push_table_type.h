#pragma once
// The tables of the push-notification database that velk reads, as one bit each: the table
// type of a record, of a carved hit, and the bits of the record finder's table selection.

#include "text/kq_types.h"

enum push_table_type : uint32 {
    push_table_notification = 1,
    push_table_handler = 2,
    push_table_channel = 4,
    push_table_settings = 8,  // never carved: only read from the live table
};
