#include "text/extras/output_field_spec.h"

void output_field_spec::clear() {
    m_name.clear();
    m_name_arg.clear();
    m_aux_index = -1;
    m_flags = 0;
    m_valid = false;
    m_aux_value = 0;
    m_numeric_arg = 0;
    m_pairs.clear();
    m_list.clear();
    m_text_arg.clear();
}
