// The tool's own option parser on top of the common one, and the reset of the per-input
// record store.

#include "app/velk_options.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <ostream>
#include <string>
#include <vector>

#include "io/io_test_support.h"

namespace {

// What parsing leaves in the record and in the argument list.
struct parse_result {
    bool accepted = false;
    bool no_whitespace = false;
    bool pad = false;
    bool parse_chunk = false;
    bool carve = false;
    bool incl_slack = false;
    bool incl_settings = false;
    bool have_input = false;
    std::string db_path{};
    std::vector<std::string> left{};  // what stays in the list after the program name

    bool operator==(const parse_result&) const = default;
};

void PrintTo(const parse_result& r, std::ostream* out) {
    *out << "{accepted " << r.accepted << ", no_whitespace " << r.no_whitespace << ", pad " << r.pad
         << ", parse_chunk " << r.parse_chunk << ", carve " << r.carve << ", incl_slack "
         << r.incl_slack << ", incl_settings " << r.incl_settings << ", have_input " << r.have_input
         << ", db '" << r.db_path << "', left";
    for (const std::string& item : r.left) {
        *out << " " << item;
    }
    *out << "}";
}

struct parse_case {
    const char* name;
    std::vector<std::string> args;  // after the program name
    parse_result expected;
};

const parse_case parse_cases[] = {
    // "-csv" pads its cells unless the examiner asked for no whitespace.
    {"CsvPads",
     {"-csv", "-db", "f"},
     {.accepted = true, .pad = true, .have_input = true, .db_path = "f"}},
    {"CsvNoWhitespaceKeepsTheCommonValues",
     {"-csv", "-no_whitespace", "-db", "f"},
     {.accepted = true, .no_whitespace = true, .have_input = true, .db_path = "f"}},
    {"BodyfileDoesNotPad",
     {"-bodyfile", "-db", "f"},
     {.accepted = true, .have_input = true, .db_path = "f"}},
    // A page chunk has no schema, slack or settings: those options are not even taken.
    {"ParseChunkIgnoresCarveOptions",
     {"-parse_chunk", "-carve", "-incl_settings", "-db", "f"},
     {.accepted = true,
      .parse_chunk = true,
      .have_input = true,
      .db_path = "f",
      .left = {"-carve", "-incl_settings"}}},
    {"CarveImpliesSlack",
     {"-CARVE", "-db", "f"},
     {.accepted = true, .carve = true, .incl_slack = true, .have_input = true, .db_path = "f"}},
    {"SlackAndSettings",
     {"-incl_slack", "-Incl_Settings", "-db", "f"},
     {.accepted = true,
      .incl_slack = true,
      .incl_settings = true,
      .have_input = true,
      .db_path = "f"}},
    {"PipeNeedsNoDb", {"-PIPE"}, {.accepted = true, .have_input = true}},
    {"PipeLeavesDbUnread",
     {"-pipe", "-db", "f"},
     {.accepted = true, .have_input = true, .left = {"-db", "f"}}},
    {"CapitalDb", {"-DB", "f"}, {.accepted = true, .have_input = true, .db_path = "f"}},
    {"DbAsLastArgument", {"-csv", "-db"}, {.pad = true, .left = {"-db"}}},
    {"NoInput", {"-all_fields"}, {}},
    {"UnknownArgumentsStay",
     {"-db", "f", "-unknown", "x"},
     {.accepted = true, .have_input = true, .db_path = "f", .left = {"-unknown", "x"}}},
};

class VelkOptionsParse : public ::testing::TestWithParam<parse_case> {};

TEST_P(VelkOptionsParse, FillsTheRecord) {
    const parse_case& test = GetParam();
    std::vector<std::string> args{"velk"};
    args.insert(args.end(), test.args.begin(), test.args.end());
    velk_options options;
    parse_result result;
    result.accepted = options.parse(args);
    result.no_whitespace = options.m_no_whitespace;
    result.pad = options.m_pad;
    result.parse_chunk = options.m_parse_chunk;
    result.carve = options.m_carve;
    result.incl_slack = options.m_incl_slack;
    result.incl_settings = options.m_incl_settings;
    result.have_input = options.m_have_input;
    result.db_path = options.m_db.db_path();
    result.left.assign(args.begin() + 1, args.end());
    EXPECT_EQ(result, test.expected);
    // Date and time share one cell in every form, whatever the command line says.
    EXPECT_TRUE(!result.accepted || options.m_pair_datetime);
}

INSTANTIATE_TEST_SUITE_P(Cases, VelkOptionsParse, ::testing::ValuesIn(parse_cases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(VelkOptions, AllFieldsAndVerifyInAnyCase) {
    std::vector<std::string> args{"velk", "-Verify", "-db", "f", "-ALL_FIELDS"};
    velk_options options;
    ASSERT_TRUE(options.parse(args));
    EXPECT_TRUE(options.m_all_fields);
    EXPECT_TRUE(options.m_verify);
    EXPECT_EQ(args.size(), 1U);
}

TEST(VelkOptions, StartsWithTheDefaultTablesAndAnEmptyStore) {
    const velk_options options;
    EXPECT_EQ(options.m_notification_table, "notification");
    EXPECT_EQ(options.m_handler_table, "notificationhandler");
    EXPECT_EQ(options.m_channel_table, "wnspushchannel");
    EXPECT_EQ(options.m_settings_table, "handlersettings");
    EXPECT_EQ(options.m_carve_tables, ~0ULL);
    EXPECT_EQ(options.m_short_name_width, 22);
    EXPECT_FALSE(options.m_have_input);
    EXPECT_EQ(options.m_db_failure, db_failure::not_read);
}

// A store with something in every list, index and definition, and an open connection.
void fill_store(velk_options& options, const std::string& database) {
    ASSERT_TRUE(options.m_db.open_readonly(database, ""));
    options.m_notifications.emplace_back();
    options.m_used_handler_ids.insert(7);
    options.m_handlers.emplace_back();
    options.m_handler_index[7] = 0;
    options.m_channels.emplace_back();
    options.m_channel_index.insert({7, 0});
    options.m_settings.emplace_back();
    options.m_settings_index.insert({7, 0});
    options.m_short_name_width = 40;
    options.m_have_input = true;
    options.m_table_type = 2;
    options.m_db_failure = db_failure::none;
    ASSERT_TRUE(options.m_notification_def.load_create_sql("CREATE TABLE t (a, b)", true));
}

bool records_empty(const velk_options& options) {
    return options.m_notifications.empty() && options.m_handlers.empty() &&
           options.m_channels.empty() && options.m_settings.empty();
}

bool indexes_empty(const velk_options& options) {
    return options.m_used_handler_ids.empty() && options.m_handler_index.empty() &&
           options.m_channel_index.empty() && options.m_settings_index.empty();
}

// Every input starts from an empty store: records, indexes, definitions, the connection;
// the options themselves stay.
TEST(VelkOptions, ResetResultsEmptiesTheStore) {
    const velk_test::temp_dir dir;
    const std::string copy = dir.file("records.db");
    std::filesystem::copy_file(std::string(VELK_TEST_DATA_DIR) + "/records/records.db", copy);
    velk_options options;
    options.m_incl_slack = true;
    fill_store(options, copy);
    ASSERT_FALSE(HasFatalFailure());

    options.reset_results();
    EXPECT_FALSE(options.m_db.is_open());
    EXPECT_TRUE(records_empty(options));
    EXPECT_TRUE(indexes_empty(options));
    EXPECT_TRUE(options.m_notification_def.m_columns.empty());
    EXPECT_EQ(options.m_short_name_width, 22);
    EXPECT_FALSE(options.m_have_input);
    EXPECT_EQ(options.m_table_type, 0U);
    EXPECT_EQ(options.m_db_failure, db_failure::not_read);
    EXPECT_TRUE(options.m_incl_slack);
}

}  // namespace
