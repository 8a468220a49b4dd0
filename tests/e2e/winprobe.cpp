// winprobe: a console helper that tells the end-to-end tests what X cannot see of
// the game's windows (captions, classes, client rectangles, menus, dialog controls,
// text as the default font draws it), as plain "key value" lines on stdout.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char* const kDefaultClass = "VESKAR";

// Prints one "key value" line; values are printed as they are, up to the line end.
void say(const char* key, const std::string& value) {
    std::printf("%s %s\n", key, value.c_str());
}

std::string hex(const void* handle) {
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "0x%llx",
                  static_cast<unsigned long long>(reinterpret_cast<UINT_PTR>(handle)));
    return buffer;
}

std::string windowText(HWND window) {
    char buffer[512] = {};
    GetWindowTextA(window, buffer, sizeof buffer);
    return buffer;
}

std::string className(HWND window) {
    char buffer[256] = {};
    GetClassNameA(window, buffer, sizeof buffer);
    return buffer;
}

// Makes control characters visible so that every value stays on its own line.
std::string oneLine(std::string text) {
    for (char& c : text) {
        if (c == '\r' || c == '\n' || c == '\t') c = ' ';
    }
    return text;
}

std::string numbers(std::initializer_list<long> values) {
    std::string out;
    for (long v : values) {
        if (!out.empty()) out += ' ';
        out += std::to_string(v);
    }
    return out;
}

// The client rectangle's size and its top-left corner in screen coordinates.
void sayClient(HWND window) {
    RECT client{};
    GetClientRect(window, &client);
    POINT origin{0, 0};
    ClientToScreen(window, &origin);
    say("client", numbers({client.right - client.left, client.bottom - client.top}));
    say("origin", numbers({origin.x, origin.y}));
}

// window [class]: the first top-level window of that class (the game's by default).
int probeWindow(const char* wanted) {
    HWND window = FindWindowA(wanted, nullptr);
    if (!window) {
        say("found", "0");
        return 0;
    }
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    RECT outer{};
    GetWindowRect(window, &outer);
    say("found", "1");
    say("hwnd", hex(window));
    say("pid", std::to_string(pid));
    say("caption", oneLine(windowText(window)));
    say("class", className(window));
    say("visible", IsWindowVisible(window) ? "1" : "0");
    say("enabled", IsWindowEnabled(window) ? "1" : "0");
    say("outer", numbers({outer.left, outer.top, outer.right, outer.bottom}));
    sayClient(window);
    say("menu", GetMenu(window) ? "1" : "0");
    return 0;
}

// resize <width> <height> [class]: gives the window that outer size, as dragging
// its frame would; the game's window procedure gets the new client size.
int resizeWindow(int width, int height, const char* wanted) {
    HWND window = FindWindowA(wanted, nullptr);
    if (!window) {
        say("found", "0");
        return 1;
    }
    say("found", "1");
    return SetWindowPos(window, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE) ? 0 : 1;
}

// Walks a menu depth first: "item <path> <id or popup> <text>", the path being the
// positions from the menu bar down, joined by dots.
void walkMenu(HMENU menu, const std::string& path) {
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_ID | MIIM_SUBMENU | MIIM_STRING | MIIM_FTYPE;
        info.dwTypeData = text;
        info.cch = sizeof text - 1;
        if (!GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info)) {
            say("error", "GetMenuItemInfoA failed at " + path + std::to_string(i));
            continue;
        }
        const std::string here = path + std::to_string(i);
        if (info.fType & MFT_SEPARATOR) {
            say("item", here + " separator -");
        } else if (info.hSubMenu) {
            say("item", here + " popup " + text);
            walkMenu(info.hSubMenu, here + ".");
        } else {
            say("item", here + " " + std::to_string(info.wID) + " " + text);
        }
    }
}

// menu-resource <exe> <id>: the menu resource as the executable holds it. (Under
// Wine a menu cannot be read from another process, so the bar the window shows
// is checked through the resource its class names.)
int probeMenuResource(const char* file, int id) {
    HMODULE module = LoadLibraryExA(file, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    HMENU menu = module ? LoadMenuA(module, MAKEINTRESOURCEA(id)) : nullptr;
    if (!menu) {
        say("found", "0");
        if (module) FreeLibrary(module);
        return 0;
    }
    say("found", "1");
    say("count", std::to_string(GetMenuItemCount(menu)));
    walkMenu(menu, "");
    DestroyMenu(menu);
    FreeLibrary(module);
    return 0;
}

struct DialogSearch {
    DWORD thread = 0;
    std::vector<HWND> dialogs;
};

BOOL CALLBACK collectDialog(HWND window, LPARAM param) {
    auto* search = reinterpret_cast<DialogSearch*>(param);
    if (GetWindowThreadProcessId(window, nullptr) == search->thread && IsWindowVisible(window) &&
        className(window) == "#32770") {
        search->dialogs.push_back(window);
    }
    return TRUE;
}

BOOL CALLBACK printControl(HWND control, LPARAM) {
    RECT r{};
    GetWindowRect(control, &r);
    const LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
    const LONG_PTR exStyle = GetWindowLongPtrA(control, GWL_EXSTYLE);
    const int id = GetDlgCtrlID(control);
    // A timeout, so that a game busy playing a round cannot hang the probe.
    DWORD_PTR check = 0;
    SendMessageTimeoutA(control, BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 2000, &check);
    char styles[64];
    std::snprintf(styles, sizeof styles, "0x%lx 0x%lx", static_cast<unsigned long>(style),
                  static_cast<unsigned long>(exStyle));
    // The text comes last: it may hold spaces.
    say("control", std::to_string(id) + " " + className(control) + " " + styles + " " +
                       (className(control) == "Button" && check == BST_CHECKED ? "1" : "0") + " " +
                       numbers({r.left, r.top, r.right, r.bottom}) + " " +
                       oneLine(windowText(control)));
    return TRUE;
}

// dialogs [class]: every visible dialog of the game's thread with its controls and
// the control that has the keyboard focus.
int probeDialogs(const char* wanted) {
    HWND window = FindWindowA(wanted, nullptr);
    if (!window) {
        say("found", "0");
        return 0;
    }
    DialogSearch search;
    search.thread = GetWindowThreadProcessId(window, nullptr);
    EnumWindows(collectDialog, reinterpret_cast<LPARAM>(&search));
    say("found", "1");
    say("count", std::to_string(search.dialogs.size()));
    GUITHREADINFO gui{};
    gui.cbSize = sizeof gui;
    const bool haveGui = GetGUIThreadInfo(search.thread, &gui) != FALSE;
    for (HWND dialog : search.dialogs) {
        say("dialog", hex(dialog) + " " + oneLine(windowText(dialog)));
        sayClient(dialog);
        if (haveGui && gui.hwndFocus && IsChild(dialog, gui.hwndFocus)) {
            say("focus", std::to_string(GetDlgCtrlID(gui.hwndFocus)));
        }
        EnumChildWindows(dialog, printControl, 0);
        say("end", hex(dialog));
    }
    return 0;
}

// text <string>: the text drawn by a fresh device context's default font, as
// rows of '#' (ink) and '.' (paper), the way the game draws its numbers.
int probeText(const char* text) {
    HDC screen = GetDC(nullptr);
    HDC memory = CreateCompatibleDC(screen);
    const int length = static_cast<int>(std::strlen(text));
    SIZE size{};
    GetTextExtentPoint32A(memory, text, length, &size);
    TEXTMETRICA metrics{};
    GetTextMetricsA(memory, &metrics);
    const int width = size.cx > 0 ? size.cx : 1;
    const int height = size.cy > 0 ? size.cy : 1;
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    PatBlt(memory, 0, 0, width, height, WHITENESS);
    SetTextColor(memory, RGB(0, 0, 0));
    SetBkMode(memory, TRANSPARENT);
    TextOutA(memory, 0, 0, text, length);
    say("size", numbers({width, height}));
    say("avecharwidth", std::to_string(metrics.tmAveCharWidth));
    for (int y = 0; y < height; ++y) {
        std::string row;
        for (int x = 0; x < width; ++x) row += GetPixel(memory, x, y) == RGB(0, 0, 0) ? '#' : '.';
        say("row", row);
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(nullptr, screen);
    return 0;
}

int usage() {
    std::fprintf(stderr,
                 "usage: winprobe window|dialogs [class]\n"
                 "       winprobe resize <width> <height> [class]\n"
                 "       winprobe menu-resource <exe> <id>\n"
                 "       winprobe text <string>\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    const std::string command = argv[1];
    const char* wanted = argc > 2 ? argv[2] : kDefaultClass;
    int result = 2;
    if (command == "window") {
        result = probeWindow(wanted);
    } else if (command == "dialogs") {
        result = probeDialogs(wanted);
    } else if (command == "resize" && (argc == 4 || argc == 5)) {
        result = resizeWindow(std::atoi(argv[2]), std::atoi(argv[3]), argc == 5 ? argv[4] : kDefaultClass);
    } else if (command == "menu-resource" && argc == 4) {
        result = probeMenuResource(argv[2], std::atoi(argv[3]));
    } else if (command == "text" && argc == 3) {
        result = probeText(argv[2]);
    } else {
        return usage();
    }
    std::fflush(stdout);
    return result;
}
