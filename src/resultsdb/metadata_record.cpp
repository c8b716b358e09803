#include "resultsdb/metadata_record.h"

#include "cmdline/cmd_params.h"
#include "resultsdb/results_clock.h"
#include "text/host_probe.h"
#include "text/number_text.h"

using mr = metadata_record;

const std::array<metadata_field, metadata_column_count> metadata_fields = {{
    {"runtime", &mr::runtime, nullptr},
    {"chunk", &mr::chunk, nullptr},
    {"parent", &mr::parent, nullptr},
    {"cmdline", nullptr, &mr::cmdline},
    {"gen_hdrs", nullptr, &mr::gen_hdrs},
    {"col_hdrs", nullptr, &mr::col_hdrs},
    {"col_types", nullptr, &mr::col_types},
    {"extra_args", nullptr, &mr::extra_args},
    {"host", nullptr, &mr::host},
    {"user", nullptr, &mr::user},
    {"file", nullptr, &mr::file},
    {"file_other", nullptr, &mr::file_other},
    {"output_option", &mr::output_option, nullptr},
    {"separator", nullptr, &mr::separator},
    {"notes", nullptr, &mr::notes},
    {"toolname", nullptr, &mr::toolname},
    {"artifact_type", nullptr, &mr::artifact_type},
    {"data_tbl_name", nullptr, &mr::data_tbl_name},
    {"row_data_start", &mr::row_data_start, nullptr},
    {"row_data_end", &mr::row_data_end, nullptr},
}};

namespace {

int64 output_option_of(const cmd_params& options) {
    if (options.m_csv) {
        return output_form::csv;
    }
    if (options.m_csvl2t) {
        return output_form::l2t_csv;
    }
    if (options.m_bodyfile) {
        return output_form::bodyfile;
    }
    if (options.m_xml) {
        return output_form::xml;
    }
    return output_form::other;
}

// A stored number that does not parse (damaged or hand-edited database) reads 0.
int64 number_or_zero(const std::string& text) {
    uint64 value = 0;
    return string_to_uint64(text, &value) ? static_cast<int64>(value) : 0;
}

int64 number_or_zero(const char* text) {
    uint64 value = 0;
    return text != nullptr && parse_uint64(text, &value) ? static_cast<int64>(value) : 0;
}

}  // namespace

metadata_record::metadata_record() { clear(); }

void metadata_record::clear() {
    for (const metadata_field& field : metadata_fields) {
        if (field.number != nullptr) {
            this->*field.number = 0;
        } else {
            (this->*field.text).clear();
        }
    }
    runtime = results_clock::now();
    output_option = output_form::other;
    numbered_columns = true;
    long_column_names = false;
    column_names.clear();
}

void metadata_record::fill_from_options(const cmd_params& options) {
    clear();
    cmdline = options.m_command_line;
    host = options.m_host_name.empty() ? get_host_name() : options.m_host_name;
    user = options.m_user_name;
    output_option = output_option_of(options);
    separator = options.m_separator;
    toolname = options.m_program_name;
    artifact_type = options.m_artifact_type;
}

bool metadata_record::parse_row(const std::vector<std::string>& values, bool keep) {
    if (!keep) {
        clear();
    }
    if (values.size() != metadata_column_count) {
        return false;
    }
    for (std::size_t k = 0; k < metadata_column_count; ++k) {
        const metadata_field& field = metadata_fields[k];
        if (field.number != nullptr) {
            this->*field.number = number_or_zero(values[k]);
        } else {
            this->*field.text = values[k];
        }
    }
    return true;
}

bool metadata_record::parse_values(const std::vector<std::string>& column_names_in, int count,
                                   const char* const* values) {
    clear();
    if (count < 0 || static_cast<std::size_t>(count) != metadata_column_count ||
        column_names_in.size() != metadata_column_count) {
        return false;
    }
    for (std::size_t k = 0; k < metadata_column_count; ++k) {
        // The exec callback's array of count entries; absent as a whole, every value is null.
        const char* value =
            values == nullptr
                ? nullptr
                : values[k];  // NOLINT(cppcoreguidelines-pro-bounds-pointer-arithmetic)
        const metadata_field& field = metadata_fields[k];
        if (field.number != nullptr) {
            this->*field.number = number_or_zero(value);
        } else {
            this->*field.text = value == nullptr ? "" : value;
        }
    }
    return true;
}
