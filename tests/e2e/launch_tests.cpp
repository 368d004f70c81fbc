// The tool as a player runs it: real processes, the stand-in game, the error box.
#include "test_support.h"

#include "windows/target_window_search.h"

#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

namespace orvane::test {
namespace {

constexpr DWORD failure_exit_code = 0xFFFFFFFF;

class launch : public testing::Test {
protected:
    void TearDown() override { record_.end_games(); }

    // A copy of the stand-in game at `relative` inside the test's directory.
    std::filesystem::path install_game(const std::filesystem::path& relative) {
        const auto target = directory_.path() / relative;
        std::filesystem::create_directories(target.parent_path());
        std::filesystem::copy_file(game_exe(), target);
        return target;
    }

    tool_outcome run(std::wstring_view arguments) { return run_tool(arguments, directory_.path()); }

    // The game's working directory, as it reported it, without a trailing separator.
    std::filesystem::path game_directory() const {
        auto directory = std::filesystem::path(record_.value(L"cwd").value_or(L""));
        return directory.has_filename() ? directory : directory.parent_path();
    }

    bool game_running() const {
        const auto process_id = record_.value(L"pid");
        return process_id && process_running(static_cast<DWORD>(std::stoul(*process_id)));
    }

    temp_directory directory_;
    game_record record_{directory_.path() / L"game-record.txt"};
    scoped_environment record_variable_{L"ORVANE_GAME_RECORD", record_.path().native()};
};

TEST_F(launch, game_already_running_is_used_and_nothing_is_started) {
    const auto game = install_game(L"running/OrvanePC.exe");
    const scoped_environment no_dialog{L"ORVANE_GAME_DIALOG", L"none"};
    const started_process running = start_process(game, L"", game.parent_path());
    ASSERT_TRUE(record_.wait_for(L"main_window"));

    // Whatever the tool would start writes to another record.
    const game_record second{directory_.path() / L"second-record.txt"};
    const scoped_environment second_variable{L"ORVANE_GAME_RECORD", second.path().native()};
    for (const std::wstring& exe_path : {game.native(), std::wstring(L"Z:\\no\\such\\game.exe")}) {
        const auto outcome = run(L"\"--orvane-exe-path=" + exe_path + L"\"");
        EXPECT_TRUE(outcome.mirror_shown);
        EXPECT_TRUE(outcome.ended);
        EXPECT_EQ(outcome.exit_code, 0u);
        EXPECT_FALSE(outcome.error_box) << *outcome.error_box;
    }
    EXPECT_FALSE(second.exists());
    EXPECT_TRUE(game_running());
}

struct start_case {
    const char* name;
    std::filesystem::path install_at;                              // inside the test's directory
    std::wstring (*exe_option)(const std::filesystem::path& game); // empty: no option
};

void PrintTo(const start_case& row, std::ostream* out) {
    *out << row.name;
}

class launch_start : public launch, public testing::WithParamInterface<start_case> {};

TEST_P(launch_start, game_runs_in_its_own_directory_and_gets_no_arguments) {
    const auto game = install_game(GetParam().install_at);
    const std::wstring exe_option = GetParam().exe_option(game);

    const auto outcome =
        run(exe_option.empty() ? L"" : L"\"--orvane-exe-path=" + exe_option + L"\"");
    EXPECT_TRUE(outcome.mirror_shown);
    EXPECT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.exit_code, 0u);
    EXPECT_FALSE(outcome.error_box) << *outcome.error_box;

    EXPECT_EQ(game_directory(), game.parent_path());
    // The name as given, unquoted by Windows and quoted by Wine, and nothing more.
    const std::wstring passed_name = exe_option.empty() ? L"OrvanePC.exe" : exe_option;
    const auto command_line = record_.value(L"command_line").value_or(L"");
    EXPECT_TRUE(command_line == passed_name || command_line == L"\"" + passed_name + L"\"")
        << command_line;
    EXPECT_TRUE(record_.value(L"main_window"));
    EXPECT_TRUE(game_running());
}

INSTANTIATE_TEST_SUITE_P(
    paths, launch_start,
    testing::Values(start_case{"default_relative_name_in_current_directory", L"OrvanePC.exe",
                               [](const std::filesystem::path&) {
                                   return std::wstring();
                               }},
                    start_case{"absolute_path_elsewhere", L"games/orvane/Game.exe",
                               [](const std::filesystem::path& game) {
                                   return game.native();
                               }},
                    start_case{"absolute_path_with_blank", L"my games/Orvane PC.exe",
                               [](const std::filesystem::path& game) {
                                   return game.native();
                               }},
                    start_case{"forward_slashes", L"games/slashed/Game.exe",
                               [](const std::filesystem::path& game) {
                                   return game.generic_wstring();
                               }},
                    start_case{"relative_with_dot_components", L"games/dotted/Game.exe",
                               [](const std::filesystem::path&) {
                                   return std::wstring(L"games\\gone\\..\\dotted\\.\\Game.exe");
                               }}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(launch, resolution_option_selects_the_layout) {
    install_game(L"OrvanePC.exe");
    const std::pair<std::wstring, int> cases[] = {
        {L"", 3},
        {L"--orvane-game-resolution=nokia-communicator", 0},
        {L"--orvane-game-resolution=palm", 1},
        {L"--orvane-game-resolution=palm+", 2},
        {L"--orvane-game-resolution=palm+landscape", 3},
        {L"--orvane-game-resolution=ppc", 4},
        {L"--orvane-game-resolution=symbian-uiq", 5},
        {L"--orvane-game-resolution=Palm", 3},
        {L"\"--orvane-game-resolution=palm \"", 3},
        {L"--orvane-game-resolution=", 3},
    };
    for (const auto& [arguments, layout] : cases) {
        SCOPED_TRACE(testing::Message() << "arguments: " << arguments);
        const auto outcome = run(arguments);
        EXPECT_TRUE(outcome.mirror_shown);
        EXPECT_EQ(outcome.exit_code, 0u);
        EXPECT_FALSE(outcome.error_box) << *outcome.error_box;
        EXPECT_EQ(record_.value(L"layout"), std::to_wstring(layout));
        record_.end_games();
        std::filesystem::remove(record_.path());
    }
}

TEST_F(launch, dialog_and_main_window_are_found_by_configured_texts) {
    install_game(L"OrvanePC.exe");
    const scoped_environment title{L"ORVANE_GAME_DIALOG_TITLE", L"Choose Resolution (stand-in)"};
    const scoped_environment main_title{L"ORVANE_GAME_TITLE", L"Stand-in main window"};
    const auto outcome = run(L"\"--orvane-game-resolution-window-title=Choose Resolution\" "
                             L"\"--orvane-window-text-start=Stand-in main\" "
                             L"--orvane-game-resolution=ppc");
    EXPECT_TRUE(outcome.mirror_shown);
    EXPECT_EQ(outcome.exit_code, 0u);
    EXPECT_FALSE(outcome.error_box);
    EXPECT_EQ(record_.value(L"layout"), L"4");
}

struct failure_case {
    const char* name;
    std::wstring arguments;
    std::vector<std::pair<std::wstring, std::wstring>> game_environment;
    std::wstring message;
    bool game_started;
};

void PrintTo(const failure_case& row, std::ostream* out) {
    *out << row.name;
}

class launch_failure : public launch, public testing::WithParamInterface<failure_case> {};

TEST_P(launch_failure, shows_the_error_and_exits_with_minus_one) {
    install_game(L"OrvanePC.exe");
    std::filesystem::create_directories(directory_.path() / L"folder");
    std::vector<std::unique_ptr<scoped_environment>> environment;
    for (const auto& [name, value] : GetParam().game_environment) {
        environment.push_back(std::make_unique<scoped_environment>(name, value));
    }

    const auto outcome = run(GetParam().arguments);
    EXPECT_FALSE(outcome.mirror_shown);
    EXPECT_TRUE(outcome.ended);
    EXPECT_EQ(outcome.exit_code, failure_exit_code);
    EXPECT_EQ(outcome.error_box.value_or(L"(no box)"), GetParam().message);
    EXPECT_EQ(game_running(), GetParam().game_started); // a started game keeps running
    // A dialog the tool gave up on was left as it was.
    if (HWND dialog = find_target_window(L"Game Resolution", L"#32770")) {
        if (HWND combobox = ::GetDlgItem(dialog, 1000)) {
            EXPECT_EQ(::SendMessageW(combobox, CB_GETCURSEL, 0, 0), 0);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    messages, launch_failure,
    testing::Values(failure_case{"missing_executable",
                                 L"--orvane-exe-path=NoSuchGame.exe",
                                 {},
                                 L"Unable to start the target process",
                                 false},
                    failure_case{"empty_executable_path",
                                 L"--orvane-exe-path=",
                                 {},
                                 L"Unable to start the target process",
                                 false},
                    failure_case{"directory_as_executable",
                                 L"--orvane-exe-path=folder",
                                 {},
                                 L"Unable to start the target process",
                                 false},
                    failure_case{"no_resolution_dialog",
                                 L"",
                                 {{L"ORVANE_GAME_DIALOG", L"none"}},
                                 L"Game Resolution selection window was not found",
                                 true},
                    failure_case{"dialog_title_in_other_case",
                                 L"",
                                 {{L"ORVANE_GAME_DIALOG_TITLE", L"game resolution"}},
                                 L"Game Resolution selection window was not found",
                                 true},
                    failure_case{"dialog_without_combobox",
                                 L"",
                                 {{L"ORVANE_GAME_DIALOG", L"no-combobox"}},
                                 L"Game Resolution selection combobox was not found",
                                 true},
                    failure_case{"dialog_without_ok_button",
                                 L"",
                                 {{L"ORVANE_GAME_DIALOG", L"no-ok"}},
                                 L"Game Resolution selection OK button was not found",
                                 true},
                    failure_case{"main_window_too_late",
                                 L"",
                                 {{L"ORVANE_GAME_MAIN_DELAY_MS", L"60000"}},
                                 L"The target window was not found",
                                 true}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace orvane::test
