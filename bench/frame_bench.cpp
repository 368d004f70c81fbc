// Frame benchmark: the mirror on an animating stand-in game, on the screen it
// runs on. Prints one line per figure, "figure|value|goal|ok", and ends with
// 1 when a figure misses its goal. scripts/bench runs it on each screen size.
#include "mirror/fullscreen_window.h"
#include "stand_in.h"
#include "test_support.h"

#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <optional>
#include <string>
#include <thread>
#include <vector>

namespace orvane::bench {
namespace {

using namespace std::chrono_literals;
using clock = std::chrono::steady_clock;
using milliseconds = std::chrono::duration<double, std::milli>;

constexpr DWORD game_frame_ms = 10; // the game animates faster than the mirror's 20 ms ticks

double cpu_ms(HANDLE process) {
    FILETIME created{}, ended{}, kernel{}, user{};
    ::GetProcessTimes(process, &created, &ended, &kernel, &user);
    const auto ticks = [](FILETIME time) {
        return (static_cast<unsigned long long>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
    };
    return static_cast<double>(ticks(kernel) + ticks(user)) / 10'000.0; // 100 ns units
}

// Reads the frame number that the stand-in game draws in its band, from any
// device context showing the game's picture at `picture` (scaled or not);
// nothing where a cell is neither clearly white nor clearly black.
class band_reader {
public:
    band_reader(SIZE source, const RECT& picture)
        : source_(source), picture_(picture),
          row_(pixel_bitmap({picture.right - picture.left, 1})) {}

    std::optional<unsigned> read(HDC dc) const {
        const LONG width = picture_.right - picture_.left;
        const LONG height = picture_.bottom - picture_.top;
        const int band_y = stand_in::frame_band::height_of(source_.cy) / 2;
        ::BitBlt(row_.get().dc, 0, 0, width, 1, dc, picture_.left,
                 picture_.top + band_y * height / source_.cy, SRCCOPY);
        unsigned frame = 0;
        for (int cell = 0; cell < stand_in::frame_band::cells; ++cell) {
            const int centre = (stand_in::frame_band::cell_left(cell, source_.cx) +
                                stand_in::frame_band::cell_left(cell + 1, source_.cx)) /
                               2;
            const std::uint32_t pixel =
                static_cast<const std::uint32_t*>(row_.get().pixels)[centre * width / source_.cx];
            const bool white = (pixel & 0xC0C0C0) == 0xC0C0C0, black = (pixel & 0xC0C0C0) == 0;
            if (!white && !black) {
                return std::nullopt;
            }
            frame = (frame << 1) | (white ? 1u : 0u);
        }
        return frame;
    }

private:
    SIZE source_;
    RECT picture_;
    memory_bitmap row_; // one row of the picture at the band
};

struct figure {
    std::string name;
    double value;
    std::string goal; // empty: shown for information
    bool ok = true;
};

void print(const figure& row) {
    std::printf("%s|%.3f|%s|%s\n", row.name.c_str(), row.value, row.goal.c_str(),
                row.goal.empty() ? "" : (row.ok ? "ok" : "MISSED"));
}

struct working_set_mb {
    double current;
    double peak;
};

working_set_mb working_set(HANDLE process) {
    PROCESS_MEMORY_COUNTERS memory{};
    memory.cb = sizeof memory;
    ::K32GetProcessMemoryInfo(process, &memory, sizeof memory);
    constexpr double mb = 1024.0 * 1024.0;
    return {static_cast<double>(memory.WorkingSetSize) / mb,
            static_cast<double>(memory.PeakWorkingSetSize) / mb};
}

// The tool itself on the running game, beside a window program of the same
// window size that does nothing: under Wine every process with a window pays
// for the platform's libraries and a copy of its window's pixels.
std::vector<figure> measure_tool(const std::filesystem::path& directory, SIZE screen,
                                 std::chrono::seconds duration, const std::wstring& scaling,
                                 double& own_mb) {
    const test::game_record baseline_record{.file = directory / L"baseline.txt"};
    const auto baseline =
        test::start_game(directory, baseline_record,
                         {{L"ORVANE_GAME_TITLE", L"Baseline window"},
                          {L"ORVANE_GAME_CLIENT_SIZE",
                           std::to_wstring(screen.cx) + L"x" + std::to_wstring(screen.cy)}});
    test::tool_run tool(scaling.empty() ? L"" : L"--orvane-scaling=" + scaling, directory);
    if (!test::eventually([&] { return tool.watch() && tool.mirror; })) {
        throw std::runtime_error("the tool showed no mirror");
    }
    const auto settled = std::min<std::chrono::seconds>(5s, duration);
    std::this_thread::sleep_for(settled);
    const double settled_mb = working_set(tool.process.handle.get()).current;
    std::this_thread::sleep_for(duration - settled);
    const auto tool_mb = working_set(tool.process.handle.get());
    const double baseline_mb = working_set(baseline.process.handle.get()).peak;
    ::PostMessageW(tool.mirror, WM_CLOSE, 0, 0);
    test::eventually([&] { return !tool.watch(); });
    const DWORD exit_code = tool.exit_code;
    const std::string after =
        " after " + std::to_string(duration.count()) + " s, MB" +
        (scaling.empty() ? "" : ", " + std::string(scaling.begin(), scaling.end()));
    own_mb = tool_mb.peak - baseline_mb;
    return {
        {"tool working set growth from " + std::to_string(settled.count()) + " s to " +
             std::to_string(duration.count()) + " s, MB",
         tool_mb.current - settled_mb, ""},
        {"tool peak working set" + after, tool_mb.peak, ""},
        {"idle window program of the same size, peak working set" + after, baseline_mb, ""},
        {"tool's own share (difference)" + after, own_mb, "< 10", own_mb < 10.0},
        {"tool exit code after WM_CLOSE" + after.substr(after.find(" MB") + 3),
         static_cast<double>(exit_code), "0", exit_code == 0},
    };
}

struct slice_figures {
    long frames = 0;
    double ms = 0, cpu_ms = 0, seconds = 0; // ms: frame or floor time
    double nominal_frames = 0;              // at the timer's rate, which may change
    long behind_total = 0, behind_max = 0;  // game frames
    long unread = 0;                        // frames whose numbers could not be read
};

// Dispatches messages until `deadline` as the message loop does (Wine does
// its own work there), except the mirror's ticks and paints.
void pump_messages_until(clock::time_point deadline, HWND held_back) {
    for (auto now = clock::now(); now < deadline; now = clock::now()) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(deadline - now);
        ::MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(wait.count()),
                                    QS_ALLINPUT);
        MSG message{};
        while (::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.hwnd != held_back) {
                ::DispatchMessageW(&message);
            } else if (message.message == WM_PAINT) {
                ::ValidateRect(held_back, nullptr); // else it comes again at once
            } else if (message.message != WM_TIMER) {
                ::DispatchMessageW(&message);
            }
        }
    }
}

// The same mirror in this process, so that each frame can be timed: a tick
// that reads the game's picture, finds it changed, and scales and shows it.
// One-second slices take turns: undisturbed frames (time, delivery, CPU);
// frames followed by reading the frame number shown and the game's; and,
// with the mirror's ticks held back, on the same cadence, the floor of a
// frame timed bare: one 1:1 read of the game (in as many parts as the tool
// reads it) and one copy of a screen-sized picture into the window, with the
// window's device context got and released around it as a tick does.
std::vector<figure> measure_mirror(HWND game, std::chrono::seconds duration) {
    RECT source{};
    ::GetClientRect(game, &source);
    const SIZE source_size{source.right, source.bottom};
    fullscreen_window mirror(std::wstring(test::mirror_class), game);
    const RECT& picture = mirror.picture_rect();
    const band_reader game_band(source_size, source);
    const band_reader mirror_band(source_size, picture);
    POINT corner{0, 0};
    ::ClientToScreen(mirror.handle(), &corner);
    const band_reader screen_band(source_size,
                                  {picture.left + corner.x, picture.top + corner.y,
                                   picture.right + corner.x, picture.bottom + corner.y});
    HDC game_dc = ::GetDC(game);
    RECT screen_rect{};
    ::GetClientRect(mirror.handle(), &screen_rect);
    const SIZE screen{screen_rect.right, screen_rect.bottom};
    const game_client client{{0, 0}, source_size, source_size};
    const LONG read_rows = rows_per_read(client);
    const memory_bitmap game_rows = pixel_bitmap({source.right, read_rows}),
                        shown_copy = pixel_bitmap(screen);

    const auto frame_slice = [&](slice_figures& figures, bool sample) {
        const auto start = clock::now();
        MSG message{};
        while (clock::now() - start < 1s && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
            if (message.message != WM_TIMER || message.hwnd != mirror.handle()) {
                ::DispatchMessageW(&message);
                continue;
            }
            const auto frame_start = clock::now();
            ::DispatchMessageW(&message);
            figures.ms += milliseconds(clock::now() - frame_start).count();
            ++figures.frames;
            if (sample) {
                // The mirror's own picture, right after its frame; and the
                // screen's, which shows it a compositor frame or so later.
                const auto read_mirror = [&](HWND window, const band_reader& band) {
                    HDC dc = ::GetDC(window);
                    const auto frame = band.read(dc);
                    ::ReleaseDC(window, dc);
                    return frame;
                };
                const auto shown = read_mirror(mirror.handle(), mirror_band);
                const auto in_game = game_band.read(game_dc);
                const auto on_screen = read_mirror(nullptr, screen_band);
                const long behind =
                    shown && in_game ? static_cast<std::int16_t>(*in_game - *shown) : -1;
                // Wine at times hands back a black picture from the mirror
                // window's device context that the screen does not show: a
                // read the screen contradicts by more than 16 frames is none.
                if (behind < 0 || !on_screen ||
                    std::abs(static_cast<std::int16_t>(*on_screen - *shown)) > 16) {
                    ++figures.unread;
                    const auto text = [](const std::optional<unsigned>& frame) {
                        return frame ? std::to_string(*frame) : std::string("unreadable");
                    };
                    std::fprintf(stderr, "after frame %ld: mirror %s, screen %s, game %s\n",
                                 figures.frames, text(shown).c_str(), text(on_screen).c_str(),
                                 text(in_game).c_str());
                    continue;
                }
                figures.behind_total += behind;
                figures.behind_max = std::max(figures.behind_max, behind);
            }
        }
    };
    const auto bare_slice = [&](slice_figures& figures) {
        const auto start = clock::now();
        for (auto next = start; next - start < 1s;
             next += std::chrono::milliseconds(mirror.interval_ms())) {
            pump_messages_until(next, mirror.handle());
            const auto blit_start = clock::now();
            for (LONG top = 0; top < source.bottom; top += read_rows) {
                copy_game_rows(client, game_dc, top, std::min(read_rows, source.bottom - top),
                               game_rows.get().dc);
            }
            ::GdiFlush();
            ::GdiFlush();
            HDC target = ::GetDC(mirror.handle());
            ::BitBlt(target, 0, 0, screen.cx, screen.cy, shown_copy.get().dc, 0, 0, SRCCOPY);
            ::ReleaseDC(mirror.handle(), target);
            figures.ms += milliseconds(clock::now() - blit_start).count();
            ++figures.frames;
        }
    };

    enum slice_kind { undisturbed, sampled, bare, kinds };
    slice_figures totals[kinds];
    slice_figures warm_up;
    const auto end = clock::now() + duration * kinds + 1s;
    for (int slice = -1; clock::now() < end; ++slice) {
        const auto kind = slice < 0 ? undisturbed : static_cast<slice_kind>(slice % kinds);
        auto& figures = slice < 0 ? warm_up : totals[kind];
        const auto start = clock::now();
        const double cpu_start = cpu_ms(::GetCurrentProcess());
        if (kind == bare) {
            bare_slice(figures);
        } else {
            frame_slice(figures, kind == sampled);
        }
        figures.cpu_ms += cpu_ms(::GetCurrentProcess()) - cpu_start;
        const double seconds = std::chrono::duration<double>(clock::now() - start).count();
        figures.seconds += seconds;
        figures.nominal_frames += seconds * 1000.0 / std::max(mirror.interval_ms(), 10u);
    }
    ::ReleaseDC(game, game_dc);

    const auto mean = [](const slice_figures& figures) {
        return figures.ms / static_cast<double>(std::max(figures.frames, 1L));
    };
    const double tick_ms = mirror.interval_ms();
    const double frame_ms = mean(totals[undisturbed]);
    const double bare_ms = mean(totals[bare]);
    const auto& steady = totals[undisturbed];
    const double fps = static_cast<double>(steady.frames) / steady.seconds;
    const double delivered = static_cast<double>(steady.frames) / steady.nominal_frames;
    const auto& sampled_figures = totals[sampled];
    const long read = sampled_figures.frames - sampled_figures.unread;
    const double behind =
        static_cast<double>(sampled_figures.behind_total) / static_cast<double>(std::max(read, 1L));
    char tick_in_frames[32];
    std::snprintf(tick_in_frames, sizeof tick_in_frames, "<= 1 tick (%.1f)",
                  tick_ms / game_frame_ms);
    return {
        {"timer interval at the end, ms", tick_ms, ""},
        {"mean frame, nearest (WM_TIMER dispatch: read, compare, scale, show), ms", frame_ms, ""},
        {"mean floor: 1:1 read and a screen-sized copy (GetDC to ReleaseDC), ms", bare_ms, ""},
        {"frame / floor", frame_ms / bare_ms, "<= 1.25", frame_ms / bare_ms <= 1.25},
        {"mirrored frames per second", fps, ""},
        {"mirrored / nominal frame rate", delivered, ">= 0.9", delivered >= 0.9},
        {"game frames behind after a frame, mean", behind, tick_in_frames,
         behind * game_frame_ms <= tick_ms},
        {"game frames behind after a frame, max", static_cast<double>(sampled_figures.behind_max),
         ""},
        {"frames sampled for the lag", static_cast<double>(sampled_figures.frames), ""},
        {"of them, frame numbers not read (listed on stderr)",
         static_cast<double>(sampled_figures.unread), ""},
        {"CPU time per mirrored frame, ms",
         steady.cpu_ms / static_cast<double>(std::max(steady.frames, 1L)), ""},
    };
}

// Each scaling mode's mirror in this process in turn, a second each, round
// and round: its mean frame time, against nearest's, and the frames it
// delivers against the timer's nominal rate.
std::vector<figure> measure_modes(HWND game, std::chrono::seconds duration) {
    constexpr std::pair<const char*, scaling_mode> modes[] = {{"nearest", scaling_mode::nearest},
                                                              {"integer", scaling_mode::integer},
                                                              {"smooth", scaling_mode::smooth},
                                                              {"sharp", scaling_mode::sharp}};
    slice_figures totals[std::size(modes)];
    for (const auto end = clock::now() + duration * std::size(modes); clock::now() < end;) {
        for (std::size_t m = 0; m < std::size(modes); ++m) {
            fullscreen_window mirror(std::wstring(test::mirror_class), game,
                                     {.scaling = modes[m].second});
            pump_messages_until(clock::now() + 200ms, nullptr); // its first paints
            auto& figures = totals[m];
            const auto start = clock::now();
            MSG message{};
            while (clock::now() - start < 1s && ::GetMessageW(&message, nullptr, 0, 0) > 0) {
                const bool tick = message.message == WM_TIMER && message.hwnd == mirror.handle();
                const auto frame_start = clock::now();
                ::DispatchMessageW(&message);
                if (tick) {
                    figures.ms += milliseconds(clock::now() - frame_start).count();
                    ++figures.frames;
                }
            }
            const double seconds = std::chrono::duration<double>(clock::now() - start).count();
            // Windows raises intervals below 10 ms to 10 ms.
            figures.nominal_frames += seconds * 1000.0 / std::max(mirror.interval_ms(), 10u);
        }
    }
    std::vector<figure> figures;
    const double nearest_ms = totals[0].ms / static_cast<double>(std::max(totals[0].frames, 1L));
    for (std::size_t m = 0; m < std::size(modes); ++m) {
        const std::string name = modes[m].first;
        const double ms = totals[m].ms / static_cast<double>(std::max(totals[m].frames, 1L));
        const double delivered =
            static_cast<double>(totals[m].frames) / std::max(totals[m].nominal_frames, 1.0);
        figures.push_back({"mean frame, " + name + " scaling, ms", ms, ""});
        if (m > 0) {
            const double goal = name == "smooth" ? 2.0 : name == "sharp" ? 1.6 : 0.0;
            char text[16] = "";
            if (goal > 0) {
                std::snprintf(text, sizeof text, "<= %.1f", goal);
            }
            figures.push_back({"mean frame, " + name + " / nearest", ms / nearest_ms, text,
                               goal == 0 || ms / nearest_ms <= goal});
        }
        figures.push_back({"mirrored / nominal frame rate, " + name + " scaling", delivered,
                           ">= 0.9", delivered >= 0.9});
    }
    return figures;
}

// The mirror in this process on the animating game and on a still one in
// turn, round and round: the CPU time each costs a second, the still one once
// it rests (after a still second).
std::vector<figure> measure_still(HWND animating, HWND still, std::chrono::seconds duration) {
    double cpu[2] = {}, seconds[2] = {};
    for (const auto end = clock::now() + duration * 2; clock::now() < end;) {
        for (const int is_still : {0, 1}) {
            fullscreen_window mirror(std::wstring(test::mirror_class),
                                     is_still ? still : animating);
            pump_messages_until(clock::now() + 1500ms, nullptr); // its first frames, its rest
            const auto start = clock::now();
            const double cpu_start = cpu_ms(::GetCurrentProcess());
            pump_messages_until(start + 1s, nullptr);
            cpu[is_still] += cpu_ms(::GetCurrentProcess()) - cpu_start;
            seconds[is_still] += std::chrono::duration<double>(clock::now() - start).count();
        }
    }
    const double animating_ms = cpu[0] / seconds[0], still_ms = cpu[1] / seconds[1];
    return {
        {"CPU time a second, animating game, ms", animating_ms, ""},
        {"CPU time a second, still game (resting), ms", still_ms, ""},
        {"CPU time, still / animating", still_ms / animating_ms, "<= 0.125",
         still_ms <= 0.125 * animating_ms},
    };
}

// The mirror in this process on the still game, which the key I makes invert
// its picture: `presses` times the game left to rest for 2 s, then the key
// passed through the mirror (woken: shown by the first tick after the key) or
// posted to the game itself (its own change, seen by a resting look): how
// long, and how many of the mirror's ticks, until its window shows the change,
// looked at after each message.
std::vector<figure> measure_wake(HWND still, int presses) {
    fullscreen_window mirror(std::wstring(test::mirror_class), still);
    std::vector<double> delays[2], ticks[2];
    for (int press = 0; press < 2 * presses; ++press) {
        const bool through_mirror = press % 2 == 0;
        pump_messages_until(clock::now() + 2s, nullptr);
        HDC dc = ::GetDC(mirror.handle());
        const RECT& p = mirror.picture_rect();
        const COLORREF before = ::GetPixel(dc, p.left + 1, p.top + 1);
        const auto start = clock::now();
        ::PostMessageW(through_mirror ? mirror.handle() : still, WM_KEYDOWN, 'I', 0x00170001);
        int timer_ticks = 0;
        while (::GetPixel(dc, p.left + 1, p.top + 1) == before && clock::now() < start + 2s) {
            ::MsgWaitForMultipleObjects(0, nullptr, FALSE, 1, QS_ALLINPUT);
            for (MSG message{}; ::PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE);) {
                timer_ticks += message.message == WM_TIMER && message.hwnd == mirror.handle();
                ::DispatchMessageW(&message);
            }
        }
        delays[through_mirror].push_back(milliseconds(clock::now() - start).count());
        ticks[through_mirror].push_back(timer_ticks);
        ::ReleaseDC(mirror.handle(), dc);
    }
    const auto mean = [](const std::vector<double>& values) {
        double sum = 0;
        for (const double value : values) {
            sum += value;
        }
        return sum / double(values.size());
    };
    const auto max = [](const std::vector<double>& values) {
        return *std::max_element(values.begin(), values.end());
    };
    const double rest_and_tick = pace::resting_ms + pace::awake_floor_ms;
    const std::string own_goal = "<= rest + 1 tick (" + std::to_string(int(rest_and_tick)) + ")";
    return {
        {"key through the resting mirror to the change shown, mean, ms", mean(delays[1]), ""},
        {"key through the resting mirror to the change shown, max, ms", max(delays[1]), ""},
        {"key through the resting mirror to the change shown, max, ticks", max(ticks[1]), "<= 1",
         max(ticks[1]) <= 1},
        {"the resting game's own change to it shown, mean, ms", mean(delays[0]), own_goal,
         mean(delays[0]) <= rest_and_tick},
        {"the resting game's own change to it shown, max, ms", max(delays[0]), own_goal,
         max(delays[0]) <= rest_and_tick},
    };
}

int run(std::chrono::seconds tool_duration, std::chrono::seconds mirror_duration) {
    const test::temp_directory directory;
    const test::game_record record{directory.path / L"game-record.txt"};
    const auto game = test::start_game(directory.path, record,
                                       {{L"ORVANE_GAME_FRAME_MS", std::to_wstring(game_frame_ms)}});
    const test::game_record still_record{directory.path / L"still-record.txt"};
    const auto still_game = test::start_game(directory.path, still_record);
    if (!game.window || !still_game.window) {
        throw std::runtime_error("the stand-in game showed no window");
    }
    const SIZE screen{::GetSystemMetrics(SM_CXSCREEN), ::GetSystemMetrics(SM_CYSCREEN)};
    std::printf("screen|%ldx%ld||\n", screen.cx, screen.cy);

    // Every mode holds the same pictures and band; the filters add a few rows.
    double nearest_mb = 0;
    std::vector<figure> figures;
    for (const wchar_t* scaling : {L"", L"integer", L"smooth", L"sharp"}) {
        double own_mb = 0;
        const auto tool_figures =
            measure_tool(directory.path, screen, tool_duration, scaling, own_mb);
        figures.insert(figures.end(), tool_figures.begin(), tool_figures.end());
        if (*scaling) {
            const std::string name(scaling, scaling + std::wcslen(scaling));
            figures.push_back({"tool's own share, " + name + " - nearest, MB", own_mb - nearest_mb,
                               "<= 1", own_mb - nearest_mb <= 1.0});
        } else {
            nearest_mb = own_mb;
        }
    }
    auto mirror_figures = measure_mirror(game.window, mirror_duration);
    auto mode_figures = measure_modes(game.window, mirror_duration);
    mirror_figures.insert(mirror_figures.end(), mode_figures.begin(), mode_figures.end());
    auto still_figures = measure_still(game.window, still_game.window, mirror_duration);
    mirror_figures.insert(mirror_figures.end(), still_figures.begin(), still_figures.end());
    auto wake_figures = measure_wake(still_game.window, 20);
    mirror_figures.insert(mirror_figures.end(), wake_figures.begin(), wake_figures.end());
    figures.insert(figures.begin(), mirror_figures.begin(), mirror_figures.end());
    test::end_process(game.process.id);
    test::end_process(still_game.process.id);

    bool all_ok = true;
    for (const auto& row : figures) {
        print(row);
        all_ok = all_ok && row.ok;
    }
    return all_ok ? 0 : 1;
}

} // namespace
} // namespace orvane::bench

// orvane-bench [TOOL_SECONDS [MIRROR_SECONDS]]
int main(int argc, char** argv) {
    const auto seconds = [&](int index, int fallback) {
        return std::chrono::seconds(argc > index ? std::atoi(argv[index]) : fallback);
    };
    try {
        return orvane::bench::run(seconds(1, 60), seconds(2, 10));
    } catch (const std::exception& failure) {
        std::fprintf(stderr, "orvane-bench: %s\n", failure.what());
        return 2;
    }
}
