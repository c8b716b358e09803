#pragma once
// The indexes by handler id that the report writer links records through, kept beside the
// record lists of velk_options. Each step runs right after a record joined its list. As in
// SQL, a NULL HandlerId matches nothing: such a record enters no index.

#include <cstddef>

class velk_options;

// The notification's handler id joins m_used_handler_ids.
void index_notification(velk_options& options, std::size_t position);
// (handler id, position) into m_handler_index, where the first handler of an id stays.
// With widen_short_name, and unless "-no_whitespace", a handler that a notification uses
// widens m_short_name_width to its short name; notifications are read first for this.
void index_handler(velk_options& options, std::size_t position, bool widen_short_name);
// (handler id, position) into m_channel_index; an id may have several channels.
void index_channel(velk_options& options, std::size_t position);
// (handler id, position) into m_settings_index.
void index_settings(velk_options& options, std::size_t position);
