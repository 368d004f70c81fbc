#include "options/command_line_options.h"

#include <gtest/gtest.h>

#include <vector>

namespace orvane {
namespace {

struct parse_case {
    const wchar_t* command_line; // as wWinMain gets it: without the program's name
    command_line_options expected;
};

TEST(parse_command_line, splits_key_value_elements) {
    const std::vector<parse_case> cases = {
        {L"", {}},                // the platform then hands back our own path, which holds no '='
        {L"a=1", {{L"a", L"1"}}}, // the first element counts, it is no program name
        {L"--k=v --x=y", {{L"--k", L"v"}, {L"--x", L"y"}}},
        {L"--k=hello world", {{L"--k", L"hello"}}},
        {L"\"--k=hello world\" --x=1", {{L"--k", L"hello world"}, {L"--x", L"1"}}},
        // Element 0 follows the program-name rule: it ends at the first blank
        // and a quotation mark inside it is an ordinary character.
        {L"--k=\"a b\"", {{L"--k", L"\"a"}}},
        {L"--x=1 --k=\"a b\"", {{L"--x", L"1"}, {L"--k", L"a b"}}},
        {L"--k=", {{L"--k", L""}}},
        {L"=v", {{L"", L"v"}}},
        {L"=", {{L"", L""}}},
        {L"--k=a=b=c", {{L"--k", L"a=b=c"}}},
        {L"--k=1 --k=2", {{L"--k", L"1"}}},
        {L"--k = 1", {{L"", L""}}},
        {L"--x=1 \"\" plain", {{L"--x", L"1"}}},
        {L"--x=1 --K=2", {{L"--x", L"1"}, {L"--K", L"2"}}},
    };
    for (const auto& [command_line, expected] : cases) {
        SCOPED_TRACE(testing::Message() << "command line: " << std::wstring(command_line));
        EXPECT_EQ(parse_command_line(command_line), expected);
    }
}

TEST(get_option, returns_stored_value_even_when_empty_else_the_default) {
    const auto options = parse_command_line(L"--empty= --set=value --K=upper");
    constexpr std::wstring_view fallback = L"default";

    EXPECT_EQ(get_option(options, L"--set", fallback), L"value");
    EXPECT_EQ(get_option(options, L"--empty", fallback), L"");
    EXPECT_EQ(get_option(options, L"--k", fallback).data(),
              fallback.data()); // keys keep their case
    EXPECT_EQ(get_option(options, L"--absent", fallback).data(), fallback.data());
}

TEST(get_option, finds_by_view_into_a_longer_text_and_views_the_map) {
    const auto options = parse_command_line(L"--orvane-exe-path=C:\\games\\OrvanePC.exe");
    const std::wstring_view key = std::wstring_view{L"--orvane-exe-path=ignored"}.substr(0, 17);

    const auto value = get_option(options, key, L"");
    EXPECT_EQ(value, L"C:\\games\\OrvanePC.exe");
    EXPECT_EQ(value.data(), options.at(L"--orvane-exe-path").data()); // no copy
}

} // namespace
} // namespace orvane
