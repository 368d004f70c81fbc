// A stand-in for the game: a resolution dialog, then a main window with a
// picture, both found and driven by the tool. The tool starts it with no
// arguments, so environment variables steer it:
//   ORVANE_GAME_RECORD         file that "key=value" lines are appended to
//   ORVANE_GAME_SHOWS          "dialog window" (a dialog, then the main window),
//                              "window", "dialog" (and then nothing),
//                              "dialog-without-combobox" or "dialog-without-ok"
//   ORVANE_GAME_TITLE          the title of both windows ("Game Resolution",
//                              "Orvane - Stand-in Game")
//   ORVANE_GAME_CLIENT_SIZE    its client size (640x480)
//   ORVANE_GAME_FRAME_MS       animates: a frame every so many ms, its number shown
//   ORVANE_GAME_DPI_AWARE      "1": per-monitor DPI aware, so the system does not scale it
//   ORVANE_GAME_PIXEL_CODES    "1": each pixel's colour has a code of its place in
//                              its low bits, so that no two pixels share one
//   ORVANE_GAME_MINIMIZED      "1": the main window starts minimized
//   ORVANE_GAME_SCENE          "1": a pixel-art scene, its clouds drifting, in
//                              place of the test picture (the demo)
// As a game does on its own: the key R switches its client size between the
// size asked for and one 80 pixels wider, the key M shows a message box, N a
// notice without taking the keyboard, which WM_APP closes again, the key T
// makes the window topmost or not, and the key I inverts its picture or not.
// With the argument --close it closes the running stand-in game instead, as a
// player quitting the game would.
#include "stand_in.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

std::wstring environment(const wchar_t* name, const wchar_t* fallback = L"") {
    wchar_t value[1024];
    const DWORD length = ::GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : fallback;
}

// Appended and closed at once, so that a reader sees each line as it happens.
void record(const std::wstring& line) {
    std::ofstream(std::filesystem::path(environment(L"ORVANE_GAME_RECORD")),
                  std::ios::app | std::ios::binary)
        << std::string(line.begin(), line.end()) + "\n"; // ASCII in the tests
}

constexpr const wchar_t* main_window_class = L"Afx:00400000:0";
const std::wstring shows = environment(L"ORVANE_GAME_SHOWS", L"dialog window");
const int frame_ms = std::wcstol(environment(L"ORVANE_GAME_FRAME_MS").c_str(), nullptr, 10);
unsigned frame_number = 0;
bool inverted = false;

INT_PTR CALLBACK dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    if (message == WM_INITDIALOG) {
        // Made here, so that each can be left out.
        const auto control = [&](const wchar_t* type, const wchar_t* text, DWORD style, int id) {
            return ::CreateWindowExW(0, type, text, WS_CHILD | WS_VISIBLE | style,
                                     id == 1000 ? 10 : 220, 10, 200, 160, dialog,
                                     reinterpret_cast<HMENU>(INT_PTR{id}), nullptr, nullptr);
        };
        if (shows != L"dialog-without-combobox") {
            HWND combobox = control(L"COMBOBOX", nullptr, CBS_DROPDOWNLIST, 1000);
            for (const auto* layout : {L"nokia-communicator", L"palm", L"palm+", L"palm+landscape",
                                       L"ppc", L"symbian-uiq"}) {
                ::SendMessageW(combobox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(layout));
            }
            ::SendMessageW(combobox, CB_SETCURSEL, 0, 0);
        }
        if (shows != L"dialog-without-ok") {
            control(L"BUTTON", L"OK", BS_DEFPUSHBUTTON, IDOK);
        }
        // Titled last: once it can be found, its controls are there.
        ::SetWindowTextW(dialog, environment(L"ORVANE_GAME_TITLE", L"Game Resolution").c_str());
        return TRUE;
    }
    if (message == WM_COMMAND && LOWORD(wparam) == IDOK) {
        record(L"layout=" +
               std::to_wstring(::SendDlgItemMessageW(dialog, 1000, CB_GETCURSEL, 0, 0)));
        record(L"answered=" + std::to_wstring(::GetTickCount64()));
        ::EndDialog(dialog, IDOK);
    }
    return FALSE;
}

void fill(HDC dc, const RECT& area, COLORREF colour) {
    ::SetDCBrushColor(dc, colour);
    ::FillRect(dc, &area, static_cast<HBRUSH>(::GetStockObject(DC_BRUSH)));
}

// A landscape of 160 x 120 pixels, drawn four times larger in one call: sky,
// sun, drifting clouds, mountains, hills, a tree, a chest and a walker.
void paint_scene(HDC dc, const RECT& client) {
    constexpr int width = 160, height = 120;
    std::vector<COLORREF> art(width * height);
    const auto set = [&](int x, int y, COLORREF colour) {
        if (x >= 0 && x < width && y >= 0 && y < height) {
            art[std::size_t(y * width + x)] = colour; // 0xRRGGBB in the bitmap
        }
    };
    const auto disc = [&](int cx, int cy, int r, COLORREF colour) {
        for (int y = -r; y <= r; ++y) {
            for (int x = -r; x <= r; ++x) {
                if (x * x + y * y <= r * r + r) {
                    set(cx + x, cy + y, colour);
                }
            }
        }
    };
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const int band = std::min(y / 8, 11); // the sky in bands, lighter down to the hills
            set(x, y, COLORREF(0x50 + 12 * band) << 16 | COLORREF(0x90 + 10 * band) << 8 | 0xF0);
        }
    }
    disc(132, 20, 9, 0xFFB030);
    disc(132, 20, 7, 0xFFE060);
    const int drift = int(frame_number / 3 % (width + 60)) - 30;
    for (const int left : {drift, (drift + 90) % (width + 60) - 30}) {
        disc(left, 30, 5, 0xFFFFFF);
        disc(left + 7, 27, 7, 0xFFFFFF);
        disc(left + 15, 31, 5, 0xFFFFFF);
    }
    for (int x = 0; x < width; ++x) {
        const int peak = 52 + std::abs(x % 56 - 28) * 3 / 4, hill = 82 + std::abs(x % 40 - 20) / 3;
        for (int y = peak; y < 96; ++y) {
            set(x, y, y < peak + 4 && peak < 58 ? 0xF0F4FF : y < hill ? 0x6A70A8 : 0x3CA048);
        }
        for (int y = 96; y < height; ++y) {
            const bool joint = y % 8 == 0 || (x + (y / 8 % 2) * 8) % 16 == 0;
            set(x, y, y < 99 ? 0x28C838 : joint ? 0x6A4020 : 0x9A6430);
        }
    }
    for (int y = 74; y < 96; ++y) {
        set(24, y, 0x704018);
        set(25, y, 0x5A3010);
    }
    disc(24, 70, 8, 0x1E7A2A);
    disc(22, 67, 4, 0x2E9A3A);
    for (int y = 86; y < 96; ++y) {
        for (int x = 100; x < 114; ++x) {
            const bool edge = x == 100 || x == 113 || y == 86 || y == 95 || y == 89;
            set(x, y, edge ? 0x3A2008 : y == 90 && x == 106 ? 0xFFE060 : 0xB07828);
        }
    }
    // The walker, a row of text a line: . clear, h hat, s skin, b shirt, l legs.
    constexpr const char* walker[] = {"..hhhh..", ".hhhhhh.", "..ssss..", "..s.s...",
                                      "..ssss..", ".bbbbbb.", "bbbbbbbb", "s.bbbb.s",
                                      "..bbbb..", "..l..l..", ".ll..ll."};
    const int step = int(frame_number / 6 % 2);
    for (int row = 0; row < 11; ++row) {
        for (int column = 0; column < 8; ++column) {
            const char c = walker[row][row >= 9 && step ? 7 - column : column];
            if (c != '.') {
                set(64 + column, 85 + row,
                    c == 'h'   ? 0x207838
                    : c == 's' ? 0xF8C898
                    : c == 'b' ? 0xD07020
                               : 0x402818);
            }
        }
    }
    BITMAPINFO info{};
    info.bmiHeader = {sizeof(BITMAPINFOHEADER), width, -height, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
    ::StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, width, height, art.data(), &info,
                    DIB_RGB_COLORS, SRCCOPY);
}

void paint(HWND window) {
    PAINTSTRUCT paint_struct{};
    HDC dc = ::BeginPaint(window, &paint_struct);
    RECT client{};
    ::GetClientRect(window, &client);
    if (environment(L"ORVANE_GAME_SCENE") == L"1") {
        paint_scene(dc, client);
        ::EndPaint(window, &paint_struct);
        return;
    }
    const LONG x = client.right / 2, y = client.bottom / 2;
    for (int i = 0; i < 4; ++i) {
        fill(dc,
             {i % 2 ? x : 0, i / 2 ? y : 0, i % 2 ? client.right : x, i / 2 ? client.bottom : y},
             std::array{RGB(255, 0, 0), RGB(0, 255, 0), RGB(0, 0, 255), RGB(255, 255, 0)}[i]);
    }
    // Pixel art on them, what scaling shows best: single-pixel detail, thin
    // lines, a sprite with a one-pixel outline; clear of the quadrants' edges.
    static const WORD checker[8] = {0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA};
    HBITMAP pattern = ::CreateBitmap(8, 8, 1, 1, checker);
    HBRUSH brush = ::CreatePatternBrush(pattern);
    const RECT area{8, 8, 40, 40};
    ::FillRect(dc, &area, brush); // in one call, so that a frame is drawn at once
    ::DeleteObject(brush);
    ::DeleteObject(pattern);
    fill(dc, {0, 3 * y / 4, client.right, 3 * y / 4 + 1}, RGB(255, 255, 255));
    fill(dc, {3 * x / 4, 0, 3 * x / 4 + 1, client.bottom}, RGB(0, 0, 0));
    fill(dc, {100, 80, 114, 94}, RGB(0, 0, 0));
    fill(dc, {101, 81, 113, 93}, RGB(255, 0, 255));
    if (environment(L"ORVANE_GAME_PIXEL_CODES") == L"1") {
        // 15 bits, 5 in each colour, of the pixel's index scrambled, so that
        // neighbours differ; in one call. Unique for up to 32768 pixels.
        std::vector<std::uint32_t> codes(std::size_t(client.right * client.bottom));
        for (std::uint32_t i = 0; i < codes.size(); ++i) {
            const std::uint32_t code = i * 12345 & 0x7FFF;
            codes[i] = (code >> 10) << 16 | (code >> 5 & 31) << 8 | (code & 31);
        }
        BITMAPINFO info{};
        info.bmiHeader = {
            sizeof(BITMAPINFOHEADER), client.right, -client.bottom, 1, 32, BI_RGB, 0, 0, 0, 0, 0};
        ::StretchDIBits(dc, 0, 0, client.right, client.bottom, 0, 0, client.right, client.bottom,
                        codes.data(), &info, DIB_RGB_COLORS, SRCINVERT);
    }
    using namespace orvane::stand_in::frame_band;
    for (int cell = 0; frame_ms > 0 && cell < cells; ++cell) {
        const bool bit = (frame_number >> (cells - 1 - cell)) & 1;
        fill(dc,
             {cell_left(cell, client.right), 0, cell_left(cell + 1, client.right),
              height_of(client.bottom)},
             bit ? RGB(255, 255, 255) : RGB(0, 0, 0));
    }
    if (inverted) {
        ::PatBlt(dc, 0, 0, client.right, client.bottom, DSTINVERT);
    }
    ::EndPaint(window, &paint_struct);
}

SIZE asked_size{640, 480};
HWND notice = nullptr;

// The client size asked for, with the frame as the window has it (at some
// display scalings Wine's differs from what AdjustWindowRectEx says), in the
// desktop's bottom-right corner: on two monitors, where only the second one
// is. Records the client size it got.
void place(HWND window, SIZE size, UINT flags) {
    RECT frame{}, client{};
    ::GetWindowRect(window, &frame);
    ::GetClientRect(window, &client);
    const int width = frame.right - frame.left + size.cx - client.right,
              height = frame.bottom - frame.top + size.cy - client.bottom;
    ::SetWindowPos(
        window, nullptr,
        ::GetSystemMetrics(SM_XVIRTUALSCREEN) + ::GetSystemMetrics(SM_CXVIRTUALSCREEN) - width,
        ::GetSystemMetrics(SM_YVIRTUALSCREEN) + ::GetSystemMetrics(SM_CYVIRTUALSCREEN) - height,
        width, height, SWP_NOZORDER | flags);
    ::GetClientRect(window, &client);
    record(L"client=" + std::to_wstring(client.right) + L"x" + std::to_wstring(client.bottom));
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == WM_KEYDOWN && wparam == 'R') {
        RECT client{};
        ::GetClientRect(window, &client);
        place(window, {asked_size.cx + (client.right == asked_size.cx ? 80 : 0), asked_size.cy},
              SWP_NOACTIVATE);
    } else if (message == WM_KEYDOWN && wparam == 'M') {
        ::MessageBoxW(window, L"A message from the game", L"Stand-in message", MB_OK);
    } else if (message == WM_KEYDOWN && wparam == 'N') {
        RECT at{};
        ::GetWindowRect(window, &at);
        notice = ::CreateWindowExW(0, L"STATIC", L"Stand-in notice", WS_POPUP | WS_BORDER, at.left,
                                   at.top, 120, 40, window, nullptr, nullptr, nullptr);
        ::ShowWindow(notice, SW_SHOWNOACTIVATE);
    } else if (message == WM_KEYDOWN && wparam == 'I') {
        inverted = !inverted;
        ::InvalidateRect(window, nullptr, FALSE);
    } else if (message == WM_APP) {
        ::DestroyWindow(notice);
    } else if (message == WM_KEYDOWN && wparam == 'T') {
        const bool topmost = ::GetWindowLongPtrW(window, GWL_EXSTYLE) & WS_EX_TOPMOST;
        ::SetWindowPos(window, topmost ? HWND_NOTOPMOST : HWND_TOPMOST, 0, 0, 0, 0,
                       SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
    // Every key message, so that a test sees what should not have come too;
    // no mouse moves, which the system makes too when windows come and go.
    if ((message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
        (message > WM_MOUSEMOVE && message <= WM_MOUSELAST)) {
        record(L"message=" + orvane::stand_in::message_text(message, wparam, lparam));
    } else if (message == WM_TIMER) {
        ++frame_number;
        ::InvalidateRect(window, nullptr, FALSE);
    } else if (message == WM_PAINT) {
        paint(window);
    } else if (message == WM_GETMINMAXINFO) {
        // As small as asked for: at 150 % a captioned window is otherwise
        // wider than a small game.
        reinterpret_cast<MINMAXINFO*>(lparam)->ptMinTrackSize = {1, 1};
    } else if (message == WM_DESTROY) {
        ::PostQuitMessage(0);
    } else {
        return ::DefWindowProcW(window, message, wparam, lparam);
    }
    return 0;
}

int run_main_window() {
    WNDCLASSW window_class{};
    window_class.lpfnWndProc = main_window_proc;
    window_class.hInstance = ::GetModuleHandleW(nullptr);
    window_class.lpszClassName = main_window_class;
    ::RegisterClassW(&window_class);
    std::swscanf(environment(L"ORVANE_GAME_CLIENT_SIZE").c_str(), L"%ldx%ld", &asked_size.cx,
                 &asked_size.cy);
    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    HWND window = ::CreateWindowExW(
        0, main_window_class, environment(L"ORVANE_GAME_TITLE", L"Orvane - Stand-in Game").c_str(),
        style, 0, 0, asked_size.cx, asked_size.cy, nullptr, nullptr, window_class.hInstance,
        nullptr);
    place(window, asked_size, 0);
    ::ShowWindow(window,
                 environment(L"ORVANE_GAME_MINIMIZED") == L"1" ? SW_SHOWMINNOACTIVE : SW_SHOW);
    if (frame_ms > 0) {
        ::SetTimer(window, 1, static_cast<UINT>(frame_ms), nullptr);
    }
    record(L"main_window=" + std::to_wstring(reinterpret_cast<UINT_PTR>(window)));
    MSG message{};
    // No TranslateMessage: a WM_CHAR in the record was posted, not made here.
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::DispatchMessageW(&message);
    }
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_line, int) {
    if (command_line == std::wstring_view(L"--close")) {
        HWND running = ::FindWindowW(main_window_class, nullptr);
        return running && ::PostMessageW(running, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    if (environment(L"ORVANE_GAME_DPI_AWARE") == L"1") {
        ::SetProcessDpiAwarenessContext(DPI_AWARENESS_CONTEXT_PER_MONITOR_AWARE_V2);
    }
    wchar_t directory[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, directory);
    record(L"pid=" + std::to_wstring(::GetCurrentProcessId()));
    record(L"cwd=" + std::wstring(directory));
    // Without quotation marks: Wine adds them to a name started without a
    // command line, Windows does not.
    std::wstring command_line_text = ::GetCommandLineW();
    std::erase(command_line_text, L'"');
    record(L"command_line=" + command_line_text);
    // An empty template: the dialog's controls are made as it starts.
    alignas(DWORD) WORD dialog[32]{};
    *reinterpret_cast<DLGTEMPLATE*>(dialog) = {
        WS_POPUP | WS_CAPTION | DS_CENTER, 0, 0, 0, 0, 210, 60};
    if (shows.starts_with(L"dialog") &&
        ::DialogBoxIndirectParamW(nullptr, reinterpret_cast<DLGTEMPLATE*>(dialog), nullptr,
                                  dialog_proc, 0) != IDOK) {
        return 1;
    }
    if (!shows.ends_with(L"window")) {
        ::Sleep(INFINITE); // a game that never shows its main window
    }
    return run_main_window();
}
