#include "text/extras/progress_callbacks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cmdline/cmd_params.h"
#include "io/io_test_support.h"

namespace {

// What the callback saw on its last call.
struct recorded_call {
    int calls = 0;
    uint32 user = 0;
    std::uintptr_t args[4] = {};
    bool code_given = false;
    uint32 code = 0;
    std::string text;
    std::string second;
    int32 numbers[2] = {};
};

recorded_call g_seen;

int32 record_call(uint32 user, std::uintptr_t a, std::uintptr_t b, std::uintptr_t c,
                  std::uintptr_t d, uint32* code) {
    ++g_seen.calls;
    g_seen.user = user;
    g_seen.args[0] = a;
    g_seen.args[1] = b;
    g_seen.args[2] = c;
    g_seen.args[3] = d;
    g_seen.code_given = code != nullptr;
    g_seen.code = code != nullptr ? *code : 0;
    // Read through the addresses while the caller's objects are alive.
    g_seen.text = *reinterpret_cast<const std::string*>(a);
    if (code == nullptr) {
        g_seen.second = *reinterpret_cast<const std::string*>(b);
        const auto* pair = reinterpret_cast<const int32*>(c);
        g_seen.numbers[0] = pair[0];
        g_seen.numbers[1] = pair[1];
    }
    return 23;
}

class ProgressCallbacks : public ::testing::Test {
protected:
    void SetUp() override {
        g_seen = {};
        m_params.m_progress_on = true;
        m_params.m_progress_fn = record_call;
        m_params.m_progress_user = 0x5150;
    }
    cmd_params m_params{0, false};
};

TEST_F(ProgressCallbacks, CodeFormsPassTextNumberAndCode) {
    const std::string text = "t";
    EXPECT_EQ(m_params.call_progress_code1(text, 7), 23);
    EXPECT_EQ(g_seen.user, 0x5150U);
    EXPECT_EQ(g_seen.args[0], reinterpret_cast<std::uintptr_t>(&text));
    EXPECT_EQ(g_seen.args[1], 7U);
    EXPECT_EQ(g_seen.args[2], 0U);
    EXPECT_EQ(g_seen.args[3], 0U);
    ASSERT_TRUE(g_seen.code_given);
    EXPECT_EQ(g_seen.code, 1U);
    EXPECT_EQ(m_params.call_progress_code2(text, -1), 23);
    EXPECT_EQ(g_seen.code, 2U);
    EXPECT_EQ(static_cast<int32>(static_cast<std::intptr_t>(g_seen.args[1])), -1);
    EXPECT_EQ(g_seen.calls, 2);
}

TEST_F(ProgressCallbacks, PairFormsPassAddressesAndFileRecord) {
    const std::string text = "t";
    const std::string second = "u";
    EXPECT_EQ(m_params.call_progress_pair(text, second, 3, 4), 23);
    EXPECT_EQ(g_seen.args[0], reinterpret_cast<std::uintptr_t>(&text));
    EXPECT_EQ(g_seen.args[1], reinterpret_cast<std::uintptr_t>(&second));
    EXPECT_EQ(g_seen.numbers[0], 3);
    EXPECT_EQ(g_seen.numbers[1], 4);
    EXPECT_EQ(g_seen.args[3], 0U);  // the record describes no file
    EXPECT_FALSE(g_seen.code_given);

    m_params.m_file_entry.m_size = 9;
    EXPECT_EQ(m_params.call_progress_pair_w(text, L"w\u00e9", -5, 6), 23);
    EXPECT_EQ(g_seen.text, "t");
    EXPECT_EQ(g_seen.second, "w\xc3\xa9");
    EXPECT_EQ(g_seen.numbers[0], -5);
    EXPECT_EQ(g_seen.numbers[1], 6);
    EXPECT_EQ(g_seen.args[3], reinterpret_cast<std::uintptr_t>(&m_params.m_file_entry));
    m_params.m_file_entry.m_size = 0;
    m_params.m_file_entry.m_inode = 12;
    EXPECT_EQ(m_params.call_progress_pair(text, second, 0, 0), 23);
    EXPECT_EQ(g_seen.args[3], reinterpret_cast<std::uintptr_t>(&m_params.m_file_entry));
}

TEST_F(ProgressCallbacks, NoCallWhenOffUnsetOrTextEmpty) {
    const auto all_refuse = [this](const std::string& text) {
        EXPECT_EQ(m_params.call_progress_pair(text, "u", 1, 2), -1);
        EXPECT_EQ(m_params.call_progress_pair_w(text, L"u", 1, 2), -1);
        EXPECT_EQ(m_params.call_progress_code1(text, 1), -1);
        EXPECT_EQ(m_params.call_progress_code2(text, 1), -1);
    };
    all_refuse("");
    m_params.m_progress_on = false;
    all_refuse("t");
    m_params.m_progress_on = true;
    m_params.m_progress_fn = nullptr;
    all_refuse("t");
    EXPECT_EQ(g_seen.calls, 0);
}

TEST(DiagnosticLists, ItemsFromLists) {
    const velk_test::temp_dir dir;
    cmd_params params(0, false);
    // Nothing before the file is open.
    params.diag_list({"a", "b"});
    params.diag_printf_list({"a"}, "n=%d", 1);
    params.diag_line_replaced("x", "x", "y");
    diag_list_quoted(&params, {"a"});
    ASSERT_TRUE(params.open_diag_file(dir.file("diag.txt")));
    const std::string opened = velk_test::read_file(dir.file("diag.txt"));
    params.diag_list({"a", "", "b"});
    params.diag_printf_list({"a", "b"}, "n=%d", 3);
    params.diag_line_replaced("a-b-c", "-", "+");
    params.diag_line_replaced("abc", "", "+");
    params.diag_line_replaced("abc", "x", "+");
    diag_list_quoted(&params, {"prog", "-db", "my file"});
    diag_list_quoted(&params, {});
    diag_list_quoted(nullptr, {"x"});
    (void)params.close_diag_file();
    EXPECT_EQ(velk_test::read_file(dir.file("diag.txt")), opened +
                                                              "->a; ; b\n"
                                                              "->n=3: a;b\n"
                                                              "->a+b+c\n"
                                                              "->abc\n"
                                                              "->abc\n"
                                                              "->prog -db \"my file\"\n");
}

}  // namespace
