#include "app/push_layouts.h"

#include <array>
#include <span>
#include <string>

#include "app/push_columns.h"
#include "app/push_table_type.h"
#include "sqlite/table_definition.h"
#include "text/guid16.h"
#include "text/md5_digest.h"

namespace {

constexpr std::array<uint64, 4> notification_layouts = {0x3ff, 0x7ff, 0xfff, 0x3fff};
constexpr std::size_t notification_known_columns = 14;
constexpr std::array<uint64, 3> handler_layouts = {0x1ff, 0x3fb, 0x7fb};
constexpr std::array<uint64, 2> channel_layouts = {0x1f, 0x3f};

// The prefix of a schema signature, as the CREATE TABLE parser writes it: "sz;name;name".
constexpr const char* signature_prefix = "sz";

std::span<const uint64> layouts_of(uint32 table_type) {
    switch (table_type) {
        case 1:
            return notification_layouts;
        case 2:
            return handler_layouts;
        case 4:
            return channel_layouts;
        default:
            return {};
    }
}

void sign_with_role_names(table_definition& def, const push_table_roles& table) {
    std::string text(signature_prefix);
    for (column_definition& col : def.m_columns) {
        for (const push_column_role& role : table.columns) {
            if (role.bit == col.m_column_bit) {
                col.m_name_lower = role.name_lower;
            }
        }
        text += ';';
        text += col.m_name_lower;
    }
    if (md5_digest(text.data(), static_cast<uint32>(text.size()), def.m_schema_digest)) {
        def.m_schema_signature = guid_to_text(def.m_schema_digest, 0);
    }
}

bool build_definition(table_definition& def, uint32 table_type, uint64 mask, bool verify) {
    def.clear();
    if (!is_carved_layout(table_type, mask)) {
        return false;
    }
    def.m_column_mask = mask;
    for (uint64 bit = 1; bit != 0 && bit <= mask; bit <<= 1U) {
        if ((mask & bit) == 0) {
            continue;
        }
        column_definition& col = def.m_columns.emplace_back();
        col.m_selected = 1;
        col.m_column_bit = bit;
    }
    if (verify) {
        sign_with_role_names(def, *push_roles_for(table_type));
    }
    return true;
}

// The serial types an added column may hold: any but the reserved 10 and 11, and NULL when
// the column may be NULL.
constexpr const char* added_column_any = "-+0123456789";
constexpr const char* added_column_not_null = "-+123456789";

// The role bit of a column of the notification table by its name, whether or not a mask
// builder has marked it; 0 for a column the tool does not know.
uint64 notification_bit_of(const column_definition& col) {
    return push_role_bit(*push_roles_for(push_table_notification), col.m_name_lower);
}

// The number of leading columns that are the known ones in bit order (0x1, 0x2, 0x4, ...).
std::size_t known_prefix(const table_definition& def) {
    std::size_t n = 0;
    while (n < def.m_columns.size() && n < notification_known_columns &&
           notification_bit_of(def.m_columns[n]) == uint64{1} << n) {
        ++n;
    }
    return n;
}

}  // namespace

bool is_carved_layout(uint32 table_type, uint64 mask) {
    for (const uint64 layout : layouts_of(table_type)) {
        if (layout == mask) {
            return true;
        }
    }
    return false;
}

bool build_notification_definition(table_definition& def, uint64 mask, bool verify) {
    return build_definition(def, 1, mask, verify);
}

bool build_handler_definition(table_definition& def, uint64 mask, bool verify) {
    return build_definition(def, 2, mask, verify);
}

bool build_channel_definition(table_definition& def, uint64 mask, bool verify) {
    return build_definition(def, 4, mask, verify);
}

notification_schema_layout notification_layout_of(const table_definition& def) {
    notification_schema_layout layout;
    if (def.m_columns.empty()) {
        return layout;
    }
    layout.fit = notification_layout_fit::unknown;
    const std::size_t known = known_prefix(def);
    const uint64 mask = known == 0 ? 0 : (uint64{1} << known) - 1;
    const std::size_t added = def.m_columns.size() - known;
    if (!is_carved_layout(push_table_notification, mask) || added > max_added_columns) {
        return layout;
    }
    for (std::size_t i = known; i < def.m_columns.size(); ++i) {
        const column_definition& col = def.m_columns[i];
        if (notification_bit_of(col) != 0) {
            return layout;  // a known column after an unknown one
        }
        layout.added_patterns[i - known] =
            (col.m_constraints & col_not_null) != 0 ? added_column_not_null : added_column_any;
    }
    layout.fit =
        added == 0 ? notification_layout_fit::carved : notification_layout_fit::added_columns;
    layout.known_mask = mask;
    layout.added = added;
    return layout;
}

const char* notification_layout_unknown(const table_definition& def, bool schema_read) {
    switch (notification_layout_of(def).fit) {
        case notification_layout_fit::no_schema:
            return schema_read ? nullptr : "the schema cannot be read";
        case notification_layout_fit::unknown:
            return "its columns are not the known ones followed by added ones";
        default:
            return nullptr;
    }
}
