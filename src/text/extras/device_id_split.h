#pragma once
// The instance part of a device id, as USB and storage enumerations record it
// ("USB#VID_1&PID_2#6&2a1b&0&1", "USBSTOR/Disk&Ven_X/ABCD1234&0").

#include <string>

// item receives the instance part and base the item without a short "&" suffix (an item of
// more than 4 characters whose second is not "&" loses a last "&" among its last three
// characters). A text holding "#" is read in the hash form: the item is the part after the
// one holding "pid_", else "rev_", else "prod_" (any case), and separator becomes "#".
// Otherwise the caller's separator is used, or, when empty, "/" or else "\" as the text holds
// one; the item is the last part (the one before a trailing separator). False, outputs empty,
// when the text is empty, holds no separator, lacks the hash-form component or the item is
// empty.
[[nodiscard]] bool split_device_id(std::string& item, std::string& base, std::string& separator,
                                   const std::string& text);
