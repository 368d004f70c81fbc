// A stand-in for the game: a resolution dialog, then a main window with a
// picture, both found and driven by the tool. Environment variables steer it
// (the tool starts it with no arguments) and it appends what it saw to a record:
//   ORVANE_GAME_RECORD            file the record lines are appended to
//   ORVANE_GAME_DIALOG            normal, none, no-combobox or no-ok
//   ORVANE_GAME_DIALOG_TITLE      the dialog's title ("Game Resolution")
//   ORVANE_GAME_DIALOG_DELAY_MS   pause before the dialog
//   ORVANE_GAME_MAIN_DELAY_MS     pause before the main window
//   ORVANE_GAME_TITLE             the main window's title ("Orvane - Stand-in Game")
//   ORVANE_GAME_CLIENT_SIZE       its client size (640x480)
//   ORVANE_GAME_FRAME_MS          animates: a frame every so many ms, its number shown
// Started with the argument --close, it closes the running stand-in game's main
// window instead, as a player quitting the game would.
#include "frame_band.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <cwchar>
#include <string>
#include <string_view>

namespace {

std::wstring environment(const wchar_t* name, const wchar_t* fallback) {
    wchar_t value[1024];
    const DWORD length = ::GetEnvironmentVariableW(name, value, 1024);
    return length > 0 && length < 1024 ? std::wstring(value, length) : std::wstring(fallback);
}

DWORD environment_ms(const wchar_t* name) {
    return static_cast<DWORD>(std::wcstoul(environment(name, L"0").c_str(), nullptr, 10));
}

// One line per event, appended and closed at once so a reader sees it at once.
void record(const std::wstring& line) {
    const std::wstring path = environment(L"ORVANE_GAME_RECORD", L"");
    if (path.empty()) {
        return;
    }
    const std::wstring text = line + L"\n";
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), utf8.data(),
                          size, nullptr, nullptr);
    HANDLE file = ::CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        return;
    }
    DWORD written = 0;
    ::WriteFile(file, utf8.data(), static_cast<DWORD>(utf8.size()), &written, nullptr);
    ::CloseHandle(file);
}

std::wstring hex(unsigned long long value) {
    wchar_t text[32];
    std::swprintf(text, 32, L"0x%llx", value);
    return text;
}

constexpr wchar_t layouts[6][20] = {L"nokia-communicator", L"palm", L"palm+",
                                    L"palm+landscape",     L"ppc",  L"symbian-uiq"};
constexpr int combobox_id = 1000;
constexpr const wchar_t* main_window_class = L"Afx:00400000:0";

INT_PTR CALLBACK dialog_proc(HWND dialog, UINT message, WPARAM wparam, LPARAM) {
    switch (message) {
    case WM_INITDIALOG: {
        const std::wstring kind = environment(L"ORVANE_GAME_DIALOG", L"normal");
        HINSTANCE instance = ::GetModuleHandleW(nullptr);
        if (kind != L"no-combobox") {
            HWND combobox = ::CreateWindowExW(
                0, L"COMBOBOX", nullptr, WS_CHILD | WS_VISIBLE | WS_VSCROLL | CBS_DROPDOWNLIST, 10,
                10, 200, 160, dialog, reinterpret_cast<HMENU>(combobox_id), instance, nullptr);
            for (const auto* layout : layouts) {
                ::SendMessageW(combobox, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(layout));
            }
            ::SendMessageW(combobox, CB_SETCURSEL, 0, 0);
        }
        if (kind != L"no-ok") {
            ::CreateWindowExW(0, L"BUTTON", L"OK", WS_CHILD | WS_VISIBLE | BS_DEFPUSHBUTTON, 220,
                              10, 80, 24, dialog, reinterpret_cast<HMENU>(IDOK), instance, nullptr);
        }
        // Titled last: once it can be found, its controls are there.
        ::SetWindowTextW(dialog,
                         environment(L"ORVANE_GAME_DIALOG_TITLE", L"Game Resolution").c_str());
        return TRUE;
    }
    case WM_COMMAND:
        if (LOWORD(wparam) == IDOK) {
            const LRESULT selected = ::SendDlgItemMessageW(dialog, combobox_id, CB_GETCURSEL, 0, 0);
            record(L"layout=" + std::to_wstring(selected));
            ::EndDialog(dialog, IDOK);
            return TRUE;
        }
        if (LOWORD(wparam) == IDCANCEL) {
            ::EndDialog(dialog, IDCANCEL);
            return TRUE;
        }
        return FALSE;
    default:
        return FALSE;
    }
}

bool run_resolution_dialog() {
    // An empty in-memory template; the controls are made in WM_INITDIALOG so
    // that each can be left out.
    alignas(DWORD) WORD buffer[32]{};
    DLGTEMPLATE dialog_template{};
    dialog_template.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_CENTER;
    dialog_template.cx = 210;
    dialog_template.cy = 60;
    std::memcpy(buffer, &dialog_template, sizeof dialog_template);
    return ::DialogBoxIndirectParamW(::GetModuleHandleW(nullptr),
                                     reinterpret_cast<LPCDLGTEMPLATEW>(buffer), nullptr,
                                     dialog_proc, 0) == IDOK;
}

DWORD frame_ms = 0; // 0: a still picture
constexpr UINT_PTR frame_timer = 1;
unsigned frame_number = 0;

void fill(HDC dc, const RECT& area, COLORREF colour) {
    HBRUSH brush = ::CreateSolidBrush(colour);
    ::FillRect(dc, &area, brush);
    ::DeleteObject(brush);
}

void paint(HWND window, bool animated) {
    PAINTSTRUCT paint_struct{};
    HDC dc = ::BeginPaint(window, &paint_struct);
    RECT client{};
    ::GetClientRect(window, &client);
    const int half_width = client.right / 2;
    const int half_height = client.bottom / 2;
    // Four quadrants of distinct colours: their edges show where the picture
    // lands after scaling.
    const struct {
        RECT area;
        COLORREF colour;
    } quadrants[] = {
        {{0, 0, half_width, half_height}, RGB(255, 0, 0)},
        {{half_width, 0, client.right, half_height}, RGB(0, 255, 0)},
        {{0, half_height, half_width, client.bottom}, RGB(0, 0, 255)},
        {{half_width, half_height, client.right, client.bottom}, RGB(255, 255, 0)},
    };
    for (const auto& quadrant : quadrants) {
        fill(dc, quadrant.area, quadrant.colour);
    }
    // A label across the centre, clear of the points the tests sample.
    const std::wstring label =
        animated ? L"Stand-in game, frame " + std::to_wstring(frame_number) : L"Stand-in game";
    RECT label_area{half_width - 120, half_height - 12, half_width + 120, half_height + 12};
    fill(dc, label_area, RGB(255, 255, 255));
    ::SetBkMode(dc, TRANSPARENT);
    ::DrawTextW(dc, label.c_str(), static_cast<int>(label.size()), &label_area,
                DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    if (animated) {
        const int band_height = orvane::frame_band::height_of(client.bottom);
        for (int cell = 0; cell < orvane::frame_band::cells; ++cell) {
            const bool bit = (frame_number >> (orvane::frame_band::cells - 1 - cell)) & 1;
            fill(dc,
                 {orvane::frame_band::cell_left(cell, client.right), 0,
                  orvane::frame_band::cell_left(cell + 1, client.right), band_height},
                 bit ? RGB(255, 255, 255) : RGB(0, 0, 0));
        }
    }
    ::EndPaint(window, &paint_struct);
}

LRESULT CALLBACK main_window_proc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    // Every key message, so that a test sees what should not have come too.
    if ((message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
        (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST)) {
        record(L"message=" + hex(message) + L" wparam=" + hex(wparam) + L" lparam=" +
               hex(static_cast<unsigned long long>(lparam)));
        return 0;
    }
    switch (message) {
    case WM_TIMER:
        ++frame_number;
        ::InvalidateRect(window, nullptr, FALSE);
        return 0;
    case WM_PAINT:
        paint(window, frame_ms > 0);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wparam, lparam);
    }
}

SIZE client_size() {
    SIZE size{640, 480};
    const std::wstring text = environment(L"ORVANE_GAME_CLIENT_SIZE", L"640x480");
    std::swscanf(text.c_str(), L"%ldx%ld", &size.cx, &size.cy);
    return size;
}

int run_main_window() {
    HINSTANCE instance = ::GetModuleHandleW(nullptr);
    WNDCLASSEXW window_class{};
    window_class.cbSize = sizeof window_class;
    window_class.style = CS_HREDRAW | CS_VREDRAW;
    window_class.lpfnWndProc = main_window_proc;
    window_class.hInstance = instance;
    window_class.hCursor = ::LoadCursorW(nullptr, IDC_ARROW);
    window_class.lpszClassName = main_window_class;
    ::RegisterClassExW(&window_class);

    const SIZE size = client_size();
    constexpr DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    RECT frame{0, 0, size.cx, size.cy};
    ::AdjustWindowRectEx(&frame, style, FALSE, 0);
    HWND window = ::CreateWindowExW(
        0, main_window_class, environment(L"ORVANE_GAME_TITLE", L"Orvane - Stand-in Game").c_str(),
        style, 0, 0, frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr, instance,
        nullptr);
    ::ShowWindow(window, SW_SHOW);
    frame_ms = environment_ms(L"ORVANE_GAME_FRAME_MS");
    if (frame_ms > 0) {
        ::SetTimer(window, frame_timer, frame_ms, nullptr); // the frame number goes up each tick
    }
    RECT client{};
    ::GetClientRect(window, &client);
    record(L"main_window=" + hex(reinterpret_cast<UINT_PTR>(window)) + L" client=" +
           std::to_wstring(client.right) + L"x" + std::to_wstring(client.bottom));

    MSG message{};
    // No TranslateMessage: a WM_CHAR in the record was posted, not made here.
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::DispatchMessageW(&message);
    }
    record(L"ended");
    return 0;
}

} // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR command_line, int) {
    if (std::wstring_view(command_line) == L"--close") {
        HWND running = ::FindWindowW(main_window_class, nullptr);
        return running && ::PostMessageW(running, WM_CLOSE, 0, 0) ? 0 : 1;
    }
    wchar_t directory[MAX_PATH];
    ::GetCurrentDirectoryW(MAX_PATH, directory);
    record(L"pid=" + std::to_wstring(::GetCurrentProcessId()));
    record(L"cwd=" + std::wstring(directory));
    record(L"command_line=" + std::wstring(::GetCommandLineW()));

    ::Sleep(environment_ms(L"ORVANE_GAME_DIALOG_DELAY_MS"));
    if (environment(L"ORVANE_GAME_DIALOG", L"normal") != L"none" && !run_resolution_dialog()) {
        record(L"ended");
        return 1;
    }
    ::Sleep(environment_ms(L"ORVANE_GAME_MAIN_DELAY_MS"));
    return run_main_window();
}
