#include "time/local_clock.h"

namespace kq {

int32 current_local_year() {
    const std::time_t now = std::time(nullptr);
    std::tm local{};
    if (localtime_r(&now, &local) == nullptr) {
        return 0;
    }
    return local.tm_year + 1900;
}

bool mktime_positive(const std::tm& fields, int64& out) {
    std::tm copy = fields;
    out = static_cast<int64>(std::mktime(&copy));
    return out > 0;
}

}  // namespace kq
