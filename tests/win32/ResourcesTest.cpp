// The resources as built into the module: strings, icon, menu, accelerators and
// the four dialog templates with their controls in creation order.
#include <windows.h>

#include <string>
#include <vector>

#include <commctrl.h>

#include <gtest/gtest.h>

#include "res/resource.h"
#include "settings/win32/SettingsDialogs.h"
#include "win32/DialogTemplate.h"
#include "win32/Win32TestSupport.h"

namespace {

HINSTANCE module() { return GetModuleHandleA(nullptr); }

TEST(Resources, StringsHoldTheCaptionAndTheClassName) {
    char text[100] = {};
    ASSERT_EQ(LoadStringA(module(), IDS_APP_TITLE, text, sizeof text), 13);
    EXPECT_STREQ(text, "KaRmElOn 1.0.");
    ASSERT_EQ(LoadStringA(module(), IDS_WINDOW_CLASS, text, sizeof text), 6);
    EXPECT_STREQ(text, "VESKAR");
}

TEST(Resources, TheIconLoadsInTheSizesTheWindowUses) {
    EXPECT_NE(LoadIconA(module(), MAKEINTRESOURCEA(IDI_VANTOR)), nullptr);
    for (int size : {16, 32}) {
        HANDLE icon = LoadImageA(module(), MAKEINTRESOURCEA(IDI_VANTOR), IMAGE_ICON, size, size, 0);
        EXPECT_NE(icon, nullptr) << size;
        if (icon) DestroyIcon(static_cast<HICON>(icon));
    }
}

// A menu item as read back: its text, command id (0 for a popup) and submenu.
struct MenuEntry {
    std::string text;
    UINT id = 0;
    std::vector<MenuEntry> items;
};

std::vector<MenuEntry> readMenu(HMENU menu) {
    std::vector<MenuEntry> entries;
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        char text[64] = {};
        MENUITEMINFOA info{};
        info.cbSize = sizeof info;
        info.fMask = MIIM_STRING | MIIM_ID | MIIM_SUBMENU;
        info.dwTypeData = text;
        info.cch = sizeof text;
        GetMenuItemInfoA(menu, static_cast<UINT>(i), TRUE, &info);
        MenuEntry entry{text, info.hSubMenu ? 0 : info.wID, {}};
        if (info.hSubMenu) {
            EXPECT_EQ(GetSubMenu(menu, i), info.hSubMenu);
            entry.items = readMenu(info.hSubMenu);
        }
        entries.push_back(entry);
    }
    return entries;
}

void expectMenu(const std::vector<MenuEntry>& actual, const std::vector<MenuEntry>& expected) {
    ASSERT_EQ(actual.size(), expected.size());
    for (std::size_t i = 0; i < expected.size(); ++i) {
        SCOPED_TRACE(expected[i].text);
        EXPECT_EQ(actual[i].text, expected[i].text);
        EXPECT_EQ(actual[i].id, expected[i].id);
        expectMenu(actual[i].items, expected[i].items);
    }
}

TEST(Resources, MenuBarHasFileVantorWithSettingsAndHelp) {
    HMENU menu = LoadMenuA(module(), MAKEINTRESOURCEA(IDM_MAIN));
    ASSERT_NE(menu, nullptr);
    const std::vector<MenuEntry> expected = {
        {"&File", 0, {{"E&xit", 105, {}}}},
        {"&Vantor",
         0,
         {{"&New", 32771, {}},
          {"&Settings", 0, {{"&Size", 32773, {}}, {"&Level", 32772, {}}, {"&Type", 32775, {}}}},
          {"Re&set", 32783, {}}}},
        {"&Help", 0, {{"&About ...", 104, {}}}},
    };
    expectMenu(readMenu(menu), expected);
    DestroyMenu(menu);
}

TEST(Resources, AltQuestionMarkAndAltSlashOpenAboutAsCharacterCodes) {
    HACCEL table = LoadAcceleratorsA(module(), MAKEINTRESOURCEA(IDA_MAIN));
    ASSERT_NE(table, nullptr);
    ACCEL entries[4] = {};
    ASSERT_EQ(CopyAcceleratorTableA(table, entries, 4), 2);
    const WORD keys[2] = {63, 47};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(entries[i].fVirt & (FALT | FVIRTKEY | FCONTROL | FSHIFT), FALT);
        EXPECT_EQ(entries[i].key, keys[i]);
        EXPECT_EQ(entries[i].cmd, IDM_ABOUT);
    }
    DestroyAcceleratorTable(table);
}

// What the dialogs' tables say about each control.
enum Kind { DefaultButton, Button, Radio, GroupBox, Icon, Text };
struct Expected {
    int id;
    Kind kind;
    const char* text;
    int x, y, width, height;
};

void expectControl(const TemplateControl& c, const Expected& e) {
    SCOPED_TRACE(::testing::Message() << "control " << e.id << " " << (e.text ? e.text : "(icon)"));
    EXPECT_EQ(c.id, e.id);
    EXPECT_EQ(c.x, e.x);
    EXPECT_EQ(c.y, e.y);
    EXPECT_EQ(c.width, e.width);
    EXPECT_EQ(c.height, e.height);
    EXPECT_EQ(c.style & (WS_CHILD | WS_VISIBLE), static_cast<DWORD>(WS_CHILD | WS_VISIBLE));
    if (e.kind == Icon) {
        EXPECT_EQ(c.className, "STATIC");
        EXPECT_EQ(c.style & SS_TYPEMASK, static_cast<DWORD>(SS_ICON));
        EXPECT_TRUE(c.textOrdinal == IDI_VANTOR || c.text == "#129") << "names icon " << c.textOrdinal << c.text;
        return;
    }
    EXPECT_EQ(c.text, e.text);
    if (e.kind == Text) {
        EXPECT_EQ(c.className, "STATIC");
        EXPECT_EQ(c.style & SS_TYPEMASK, static_cast<DWORD>(SS_LEFT));
        EXPECT_TRUE(c.style & SS_NOPREFIX);
        return;
    }
    EXPECT_EQ(c.className, "BUTTON");
    const DWORD type = c.style & BS_TYPEMASK;
    switch (e.kind) {
    case DefaultButton:
        EXPECT_EQ(type, static_cast<DWORD>(BS_DEFPUSHBUTTON));
        EXPECT_TRUE(c.style & WS_TABSTOP);
        break;
    case Button:
        EXPECT_EQ(type, static_cast<DWORD>(BS_PUSHBUTTON));
        EXPECT_TRUE(c.style & WS_TABSTOP);
        break;
    case Radio:
        EXPECT_EQ(type, static_cast<DWORD>(BS_AUTORADIOBUTTON));
        EXPECT_FALSE(c.style & WS_TABSTOP);
        EXPECT_FALSE(c.style & WS_GROUP) << "a radio starting a group splits the dialog's radios";
        break;
    default:
        EXPECT_EQ(type, static_cast<DWORD>(BS_GROUPBOX));
        break;
    }
}

struct ExpectedDialog {
    int id;
    bool extended;
    DWORD style;
    const char* caption;
    const char* font;
    int x, y, width, height;
    std::vector<Expected> controls;
};

void expectDialog(const ExpectedDialog& e) {
    SCOPED_TRACE(::testing::Message() << "dialog " << e.id);
    const std::optional<DialogTemplate> d = loadDialogTemplate(module(), e.id);
    ASSERT_TRUE(d.has_value());
    EXPECT_EQ(d->extended, e.extended);
    EXPECT_EQ(d->style & ~static_cast<DWORD>(DS_SETFONT), e.style);
    EXPECT_EQ(d->caption, e.caption);
    EXPECT_EQ(d->font, e.font);
    EXPECT_EQ(d->pointSize, 8);
    EXPECT_EQ(d->x, e.x);
    EXPECT_EQ(d->y, e.y);
    EXPECT_EQ(d->width, e.width);
    EXPECT_EQ(d->height, e.height);
    ASSERT_EQ(d->controls.size(), e.controls.size());
    for (std::size_t i = 0; i < e.controls.size(); ++i) expectControl(d->controls[i], e.controls[i]);
}

constexpr DWORD kFrame = DS_MODALFRAME | WS_CAPTION | WS_SYSMENU;

TEST(Resources, AboutBox) {
    expectDialog({IDD_ABOUT, false, kFrame, "About", "System", 50, 50, 126, 105,
                  {{2, Icon, nullptr, 9, 10, 16, 16},
                   {-1, Text, "Vantor Version 2.0", 36, 9, 66, 29},
                   {1, DefaultButton, "OK", 48, 66, 30, 11}}});
}

TEST(Resources, TypeDialogIsExtendedWithEdgedButtons) {
    const ExpectedDialog type = {IDD_TYPE, true, kFrame, "Size", "MS Sans Serif", 100, 75, 127, 127,
                                 {{1, DefaultButton, "OK", 57, 14, 50, 14},
                                  {2, Button, "Cancel", 57, 30, 50, 14},
                                  {-1, Icon, nullptr, 21, 18, 20, 20},
                                  {1001, Radio, "Computer <> Computer", 15, 96, 88, 10},
                                  {1003, GroupBox, "PlayType", 14, 57, 97, 57},
                                  {1020, Radio, "Human <> Computer", 15, 70, 81, 10},
                                  {1002, Radio, "Human <> Human", 15, 83, 73, 10}}};
    expectDialog(type);
    const std::optional<DialogTemplate> d = loadDialogTemplate(module(), IDD_TYPE);
    ASSERT_TRUE(d.has_value());
    for (std::size_t i = 0; i < d->controls.size(); ++i) {
        const bool edged = (d->controls[i].exStyle & WS_EX_STATICEDGE) != 0;
        EXPECT_EQ(edged, i < 2) << "control " << d->controls[i].id;
    }
}

TEST(Resources, LevelDialog) {
    expectDialog({IDD_LEVEL, false, WS_POPUP | kFrame, "Dialog", "MS Sans Serif", 100, 75, 130, 135,
                  {{1, DefaultButton, "OK", 61, 17, 50, 14},
                   {2, Button, "Cancel", 61, 33, 50, 14},
                   {-1, Icon, nullptr, 17, 18, 20, 20},
                   {-1, GroupBox, "Level", 31, 58, 65, 62},
                   {1020, Radio, "Level 1", 42, 69, 39, 10},
                   {1002, Radio, "Level 2", 42, 81, 39, 10},
                   {1001, Radio, "Level 3", 42, 92, 36, 11},
                   {1031, Radio, "Level 4", 42, 103, 36, 11}}});
}

TEST(Resources, SizeDialogWhoseGroupBoxStartsTheRadiosGroup) {
    expectDialog({IDD_SIZE, false, WS_POPUP | kFrame, "Dialog", "MS Sans Serif", 100, 75, 119, 130,
                  {{1, DefaultButton, "OK", 50, 15, 50, 14},
                   {2, Button, "Cancel", 50, 31, 50, 14},
                   {1011, GroupBox, "SizeType", 7, 54, 105, 62},
                   {1008, Radio, "6 x 6", 11, 67, 31, 10},
                   {1009, Radio, "8 x 8", 11, 79, 31, 10},
                   {1010, Radio, "10 x 10", 11, 90, 39, 10},
                   {1012, Radio, "12 x 12", 11, 102, 39, 10},
                   {-1, Icon, nullptr, 13, 14, 20, 20},
                   {1032, Radio, "14 x 14", 59, 67, 39, 10},
                   {1033, Radio, "16 x 16", 59, 79, 39, 10},
                   {1035, Radio, "18 x 18", 59, 90, 39, 10},
                   {1036, Radio, "20 x 20", 59, 102, 39, 10}}});
    const std::optional<DialogTemplate> d = loadDialogTemplate(module(), IDD_SIZE);
    ASSERT_TRUE(d.has_value());
    EXPECT_TRUE(d->controls[2].style & WS_GROUP);
}

std::string versionString(const std::vector<char>& info, const char* name) {
    char* value = nullptr;
    UINT length = 0;
    const std::string path = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(info.data(), path.c_str(), reinterpret_cast<void**>(&value), &length)) return {};
    return std::string(value);
}

TEST(Resources, VersionInformationNamesVantor2AsTheAboutBoxDoes) {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(module(), path, MAX_PATH);
    std::vector<char> info(GetFileVersionInfoSizeA(path, nullptr));
    ASSERT_FALSE(info.empty());
    ASSERT_TRUE(GetFileVersionInfoA(path, 0, static_cast<DWORD>(info.size()), info.data()));
    EXPECT_EQ(versionString(info, "ProductName"), "Vantor");
    EXPECT_EQ(versionString(info, "ProductVersion"), "2.0");
    EXPECT_EQ(versionString(info, "FileVersion"), "2.0");
    EXPECT_FALSE(versionString(info, "FileDescription").empty());
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    ASSERT_TRUE(VerQueryValueA(info.data(), "\\", reinterpret_cast<void**>(&fixed), &length));
    EXPECT_EQ(fixed->dwProductVersionMS, 0x00020000u);
    EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

    const std::optional<DialogTemplate> about = loadDialogTemplate(module(), IDD_ABOUT);
    ASSERT_TRUE(about.has_value());
    EXPECT_EQ(about->controls.at(1).text,
              versionString(info, "ProductName") + " Version " + versionString(info, "ProductVersion"));
}

TEST(Resources, TheManifestBringsCommonControls6IntoTheDialogs) {
    // Only the version 6 buttons, which the manifest selects, know their ideal size.
    bool knowsIdealSize = false;
    runDialog(IDD_ABOUT, aboutDialogProc, [&](HWND dialog) {
        SIZE ideal{};
        knowsIdealSize =
            SendMessageA(GetDlgItem(dialog, IDOK), BCM_GETIDEALSIZE, 0, reinterpret_cast<LPARAM>(&ideal)) != 0;
        clickButton(dialog, IDOK);
    });
    EXPECT_TRUE(knowsIdealSize);

    HRSRC found = FindResourceA(module(), MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));  // RT_MANIFEST
    ASSERT_NE(found, nullptr);
    const std::string manifest(static_cast<const char*>(LockResource(LoadResource(module(), found))),
                               SizeofResource(module(), found));
    EXPECT_NE(manifest.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(manifest.find("<dpiAware xmlns=\"http://schemas.microsoft.com/SMI/2005/WindowsSettings\">false"),
              std::string::npos);
}

}  // namespace
