#include "text/multi_value_record.h"

int multi_value_record::clear() {
    m_version = 1;
    m_kind = 0;
    m_flags = 0;
    m_count = 0;
    m_numbers.clear();
    m_signed_numbers.clear();
    m_reals.clear();
    m_buffers.clear();
    m_texts.clear();
    m_key.fill(0);
    return 0;
}
