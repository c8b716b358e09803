#include "app/push_layouts.h"

#include <array>
#include <span>
#include <string>

#include "app/push_columns.h"
#include "sqlite/table_definition.h"
#include "text/guid16.h"
#include "text/md5_digest.h"

namespace {

constexpr std::array<uint64, 4> notification_layouts = {0x3ff, 0x7ff, 0xfff, 0x3fff};
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
