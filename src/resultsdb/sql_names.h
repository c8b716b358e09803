#pragma once
// Table and column names as they go into the results database's SQL texts. Names come from
// callers and from output captions, so any byte may be in them; quoting keeps a name one
// identifier whatever it holds.

#include <string>

// `name`, each backquote inside doubled.
[[nodiscard]] std::string backquoted_name(const std::string& name);
// [name] when the name holds no ']' (SQLite has no escape inside brackets), else the
// backquoted form. Brackets keep the stored CREATE TABLE text as callers wrote it.
[[nodiscard]] std::string bracketed_name(const std::string& name);
