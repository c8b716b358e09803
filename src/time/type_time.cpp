#include "time/type_time.h"

namespace kq {

const char* type_time_name(type_time kind) {
    switch (kind) {
        case tt_filetime:
            return "filetime";
        case tt_chrome:
            return "chrome";
        case tt_firefox3:
            return "firefox3";
        case tt_unix:
            return "unix time";
        case tt_unix_ms:
            return "unix millisec time";
        case tt_dos:
            return "dos time";
        case tt_ntp:
            return "ntp";
        case tt_guid:
            return "guid";
        case tt_ole:
            return "ole";
        case tt_systemtime:
        case tt_systemtime_local:
            return "system time";
        case tt_vhd:
            return "VHD time";
        case tt_qpc:
            return "QPC time";
        case tt_dotnet:
            return "c# time";
        case tt_snowflake:
            return "snowflake time";
        case tt_safari:
            return "safari time";
        case tt_hfs_plus:
            return "hfs+ time";
        default:
            return "";
    }
}

}  // namespace kq
