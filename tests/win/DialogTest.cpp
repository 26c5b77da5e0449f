// The two dialog templates as the program builds them, and the main window
// run in this process: refreshes, card actions without a link, icons.
#include <gtest/gtest.h>

#include "ReaderDlg.h"
#include "SettingsDlg.h"
#include "TestApp.h"
#include "WinTest.h"

using namespace wintest;

namespace {

const char kMainCaption[] = "KT-7700 emulates a MDB Slave Reader...";
const char kSettingsCaption[] = "Application settings...";

struct Control {
    int id;
    const char* cls;
    const char* text;
    DWORD lowStyle;    // the control's own style bits
    DWORD windowBits;  // which of WS_TABSTOP, WS_GROUP, WS_BORDER it has
    DWORD exStyle;     // WS_EX_RIGHT or 0
    RECT dlu;          // x, y, width, height in dialog units
};

void ExpectControls(HWND dlg, const std::vector<Control>& expected) {
    size_t i = 0;
    for (HWND c = GetWindow(dlg, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT), ++i) {
        SCOPED_TRACE(testing::Message() << "control " << i + 1);
        ASSERT_LT(i, expected.size());
        const Control& e = expected[i];
        char cls[32];
        GetClassNameA(c, cls, sizeof cls);
        EXPECT_EQ(static_cast<int>(static_cast<short>(GetDlgCtrlID(c))), e.id);
        EXPECT_STREQ(cls, e.cls);
        EXPECT_EQ(WindowText(c), e.text);
        const DWORD style = static_cast<DWORD>(GetWindowLongA(c, GWL_STYLE));
        EXPECT_EQ(style & 0xFFFF, e.lowStyle);
        // An edit field's border becomes a client edge when the control is made.
        const DWORD border = (style & WS_BORDER) || (GetWindowLongA(c, GWL_EXSTYLE) & WS_EX_CLIENTEDGE) ? WS_BORDER : 0;
        EXPECT_EQ((style & (WS_TABSTOP | WS_GROUP)) | border, e.windowBits);
        EXPECT_TRUE(style & WS_VISIBLE);
        EXPECT_FALSE(style & WS_DISABLED);
        EXPECT_EQ(static_cast<DWORD>(GetWindowLongA(c, GWL_EXSTYLE)) & WS_EX_RIGHT, e.exStyle);
        // The dialog manager maps the position and the size each on its own.
        RECT at = {e.dlu.left, e.dlu.top, 0, 0}, size = {0, 0, e.dlu.right, e.dlu.bottom};
        MapDialogRect(dlg, &at);
        MapDialogRect(dlg, &size);
        const RECT want = {at.left, at.top, at.left + size.right, at.top + size.bottom};
        RECT got;
        GetWindowRect(c, &got);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&got), 2);
        EXPECT_TRUE(EqualRect(&want, &got)) << got.left << "," << got.top << "," << got.right << "," << got.bottom
                                            << " instead of " << want.left << "," << want.top << "," << want.right
                                            << "," << want.bottom;
    }
    EXPECT_EQ(i, expected.size());
}

std::vector<int> TabOrder(HWND dlg) {
    std::vector<int> ids;
    HWND first = GetNextDlgTabItem(dlg, nullptr, FALSE);
    for (HWND c = first; c && ids.size() < 20;) {
        ids.push_back(GetDlgCtrlID(c));
        c = GetNextDlgTabItem(dlg, c, FALSE);
        if (c == first) break;
    }
    return ids;
}

void ExpectDialogFrame(HWND dlg, const char* caption, int widthDlu, int heightDlu) {
    EXPECT_EQ(WindowText(dlg), caption);
    const DWORD style = static_cast<DWORD>(GetWindowLongA(dlg, GWL_STYLE));
    for (DWORD bit : {static_cast<DWORD>(WS_POPUP), static_cast<DWORD>(WS_CAPTION), static_cast<DWORD>(WS_SYSMENU),
                      static_cast<DWORD>(DS_MODALFRAME), static_cast<DWORD>(DS_SETFONT)})
        EXPECT_EQ(style & bit, bit) << std::hex << bit;
    for (DWORD bit : {static_cast<DWORD>(WS_MINIMIZEBOX), static_cast<DWORD>(WS_MAXIMIZEBOX),
                      static_cast<DWORD>(WS_THICKFRAME), static_cast<DWORD>(DS_CENTER)})
        EXPECT_EQ(style & bit, 0u) << std::hex << bit;
    RECT want = {0, 0, widthDlu, heightDlu};
    MapDialogRect(dlg, &want);
    RECT client;
    GetClientRect(dlg, &client);
    EXPECT_EQ(client.right, want.right);
    EXPECT_EQ(client.bottom, want.bottom);
    // Centred on the work area (no owner here) or on the owner.
    RECT window, area;
    GetWindowRect(dlg, &window);
    HWND owner = GetWindow(dlg, GW_OWNER);
    if (owner) GetWindowRect(owner, &area);
    else SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
    EXPECT_NEAR((window.left + window.right) / 2, (area.left + area.right) / 2, 1);
    EXPECT_NEAR((window.top + window.bottom) / 2, (area.top + area.bottom) / 2, 1);
}

class Dialogs : public testing::Test {
protected:
    void SetUp() override {
        DeleteAppKey(TestApp().m_strAppName);
        TestApp().Disconnect();  // no link: nothing to send through
    }
    void TearDown() override {
        TestApp().m_pMainWnd = nullptr;
        DeleteAppKey(TestApp().m_strAppName);
    }
};

TEST_F(Dialogs, MainWindowTemplate) {
    CReaderDlg dlg;
    TestApp().m_pMainWnd = &dlg;
    DialogDriver driver(kMainCaption, {[&](HWND w) {
        ExpectDialogFrame(w, kMainCaption, 200, 199);
        EXPECT_TRUE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_APPWINDOW);
        ExpectControls(w, {
            {-1, "Button", "", BS_GROUPBOX, 0, 0, {3, 0, 194, 197}},
            {IDC_RESET, "Button", "Reset", BS_DEFPUSHBUTTON, WS_TABSTOP, 0, {74, 120, 50, 14}},
            {IDC_CREDIT, "Edit", "", ES_AUTOHSCROLL, WS_TABSTOP | WS_BORDER, 0, {59, 22, 80, 12}},
            {IDC_INSERT_CARD, "Button", "Insert card", BS_PUSHBUTTON, WS_TABSTOP, 0, {74, 83, 50, 14}},
            {IDC_REMOVE_CARD, "Button", "Remove card", BS_PUSHBUTTON, WS_TABSTOP, 0, {74, 102, 50, 14}},
            {IDC_READER_ENABLED, "Button", "Reader enabled by VMC", BS_AUTOCHECKBOX, WS_TABSTOP, 0, {59, 42, 93, 10}},
        });
        EXPECT_EQ(TabOrder(w), (std::vector<int>{IDC_RESET, IDC_CREDIT, IDC_INSERT_CARD, IDC_REMOVE_CARD, IDC_READER_ENABLED}));
        // The focus starts on "Reset", which is then the button that Enter clicks.
        EXPECT_EQ(GetFocus(), GetDlgItem(w, IDC_RESET));
        // Menu 128: File with Settings, a separator and Exit.
        HMENU file = GetSubMenu(GetMenu(w), 0);
        ASSERT_NE(file, nullptr);
        char text[64];
        GetMenuStringA(GetMenu(w), 0, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, "&File");
        ASSERT_EQ(GetMenuItemCount(file), 3);
        GetMenuStringA(file, 0, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, "&Settings");
        EXPECT_EQ(GetMenuItemID(file, 0), static_cast<UINT>(ID_FILE_SETTINGS));
        EXPECT_TRUE(GetMenuState(file, 1, MF_BYPOSITION) & MF_SEPARATOR);
        GetMenuStringA(file, 2, text, sizeof text, MF_BYPOSITION);
        EXPECT_STREQ(text, "&Exit\tAlt+F4");
        EXPECT_EQ(GetMenuItemID(file, 2), static_cast<UINT>(ID_APP_EXIT));
        // The icon of resource 128, big and small.
        HICON icon = LoadIconA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAINFRAME));
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(w, WM_GETICON, ICON_BIG, 0)), icon);
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(w, WM_GETICON, ICON_SMALL, 0)), icon);
        EXPECT_EQ(reinterpret_cast<HICON>(SendMessageA(w, WM_QUERYDRAGICON, 0, 0)), icon);
        PressKey(VK_ESCAPE);
    }});
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(driver.StepsRun(), 1u);
    // Destroying the main window withdraws it as the application's main window.
    EXPECT_EQ(TestApp().m_pMainWnd, nullptr);
}

TEST_F(Dialogs, SettingsDialogTemplate) {
    DialogDriver driver(kSettingsCaption, {[&](HWND w) {
        ExpectDialogFrame(w, kSettingsCaption, 250, 199);
        EXPECT_FALSE(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_APPWINDOW);
        EXPECT_EQ(GetMenu(w), nullptr);
        ExpectControls(w, {
            {IDOK, "Button", "OK", BS_DEFPUSHBUTTON, WS_TABSTOP, 0, {72, 178, 50, 14}},
            {IDCANCEL, "Button", "Cancel", BS_PUSHBUTTON, WS_TABSTOP, 0, {126, 178, 50, 14}},
            {-1, "Button", "", BS_GROUPBOX, 0, 0, {3, 0, 244, 197}},
            {IDC_CONNECTION_NAME, "Edit", "KT-7700", ES_AUTOHSCROLL, WS_TABSTOP | WS_BORDER, 0, {138, 11, 100, 12}},
            {-1, "Static", "Connection name:", SS_RIGHT, WS_GROUP, 0, {11, 13, 123, 8}},
            {IDC_IP_ADDRESS, "Edit", "192.168.1.1", ES_AUTOHSCROLL, WS_TABSTOP | WS_BORDER, 0, {158, 27, 80, 12}},
            {-1, "Static", "Remote device IP address:", SS_RIGHT, WS_GROUP, 0, {12, 28, 143, 8}},
            {IDC_COMM_PORT, "Edit", "4002", ES_AUTOHSCROLL, WS_TABSTOP | WS_BORDER, 0, {198, 43, 40, 12}},
            {-1, "Static", "Remote device communication port number:", SS_RIGHT, WS_GROUP, 0, {11, 44, 183, 8}},
            {IDC_CTRL_PORT, "Edit", "4001", ES_AUTOHSCROLL, WS_TABSTOP | WS_BORDER, 0, {198, 59, 40, 12}},
            {-1, "Static", "Remote device control port number:", SS_RIGHT, WS_GROUP, 0, {12, 60, 183, 8}},
            {IDC_AUTO_CONNECT, "Button", "Automatically connect at stertup:", BS_AUTOCHECKBOX | BS_LEFTTEXT, WS_TABSTOP,
             WS_EX_RIGHT, {11, 75, 195, 10}},
        });
        EXPECT_EQ(TabOrder(w), (std::vector<int>{IDOK, IDCANCEL, IDC_CONNECTION_NAME, IDC_IP_ADDRESS, IDC_COMM_PORT,
                                                 IDC_CTRL_PORT, IDC_AUTO_CONNECT}));
        EXPECT_EQ(GetFocus(), GetDlgItem(w, IDOK));
        Click(w, IDCANCEL);
    }});
    CSettingsDlg dlg;
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(driver.StepsRun(), 1u);
}

// What the user types or ticks stays on screen, without effect, until the
// next refresh writes both controls from the session again.
TEST_F(Dialogs, ControlsAreNeverReadBackAndEachRefreshRewritesBoth) {
    CReaderDlg dlg;
    TestApp().m_pMainWnd = &dlg;
    const std::uint8_t enable[] = {0x14, 0x01}, disable[] = {0x14, 0x00}, poll[] = {0x12};
    DialogDriver driver(kMainCaption, {
        [&](HWND w) {
            EXPECT_EQ(WindowText(GetDlgItem(w, IDC_CREDIT)), "");
            EXPECT_EQ(IsDlgButtonChecked(w, IDC_READER_ENABLED), static_cast<UINT>(BST_UNCHECKED));
            SetDlgItemTextA(w, IDC_CREDIT, "typed by hand");
            CheckDlgButton(w, IDC_READER_ENABLED, BST_CHECKED);
            dlg.OnMdbFrame(poll, 1);  // JUST RESET: the credit changes
            EXPECT_EQ(WindowText(GetDlgItem(w, IDC_CREDIT)), "Credit: 0.00");
            EXPECT_EQ(IsDlgButtonChecked(w, IDC_READER_ENABLED), static_cast<UINT>(BST_UNCHECKED));
            dlg.OnMdbFrame(enable, 2);
            EXPECT_EQ(IsDlgButtonChecked(w, IDC_READER_ENABLED), static_cast<UINT>(BST_CHECKED));
            SetDlgItemTextA(w, IDC_CREDIT, "again");
            dlg.OnMdbFrame(disable, 2);
            EXPECT_EQ(WindowText(GetDlgItem(w, IDC_CREDIT)), "Credit: 0.00");
            EXPECT_EQ(IsDlgButtonChecked(w, IDC_READER_ENABLED), static_cast<UINT>(BST_UNCHECKED));
            EXPECT_EQ(dlg.m_nFunds, 1000u);
        },
        // The card buttons work without any link: nothing is sent, the rest happens.
        [&](HWND w) { Click(w, IDC_INSERT_CARD); },
        [&](HWND w) {
            EXPECT_EQ(WindowText(GetDlgItem(w, IDC_CREDIT)), "Credit: 10.00");
            Click(w, IDC_REMOVE_CARD);
        },
        [&](HWND w) {
            EXPECT_EQ(WindowText(GetDlgItem(w, IDC_CREDIT)), "Credit: 0.00");
            Click(w, IDC_RESET);
        },
        [&](HWND w) {
            EXPECT_EQ(dlg.m_nFunds, 1000u);
            PostMessageA(w, WM_CLOSE, 0, 0);
        },
    });
    EXPECT_EQ(dlg.DoModal(), IDCANCEL);
    EXPECT_EQ(driver.StepsRun(), 5u);
}

TEST_F(Dialogs, EnterClicksTheFocusedResetButtonAndClosesFromTheCreditField) {
    CReaderDlg dlg;
    TestApp().m_pMainWnd = &dlg;
    DialogDriver driver(kMainCaption, {
        [&](HWND) { PressKey(VK_RETURN); },
        [&](HWND w) {
            // Still open: Enter was "Reset". Now into the credit field.
            SendMessageA(w, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(w, IDC_CREDIT)), TRUE);
            SetDlgItemTextA(w, IDC_CREDIT, "typed");
            PressKey(VK_RETURN);
        },
    });
    EXPECT_EQ(dlg.DoModal(), IDOK);
    EXPECT_EQ(driver.StepsRun(), 2u);
    // OK read the controls back into the members, with no other effect.
    EXPECT_EQ(dlg.m_strCredit, "typed");
    EXPECT_EQ(dlg.m_nFunds, 0u);
}

TEST(MainWindow, MinimisedIconIsCentredWithTruncatingDivision) {
    struct { RECT client; int cx, cy; POINT at; } cases[] = {
        {{0, 0, 200, 150}, 32, 32, {84, 59}},
        {{0, 0, 0, 150}, 32, 32, {-15, 59}},
        {{0, 0, 33, 33}, 32, 32, {1, 1}},
        {{0, 0, 1, 0}, 16, 16, {-7, -7}},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const POINT p = CReaderDlg::MinimisedIconOrigin(cases[i].client, cases[i].cx, cases[i].cy);
        EXPECT_EQ(p.x, cases[i].at.x) << "case " << i;
        EXPECT_EQ(p.y, cases[i].at.y) << "case " << i;
    }
}

TEST(MainWindow, IconHasA32And16PixelImageOf16Colours) {
    HRSRC res = FindResourceA(nullptr, MAKEINTRESOURCEA(IDR_MAINFRAME), MAKEINTRESOURCEA(14));  // RT_GROUP_ICON
    ASSERT_NE(res, nullptr);
    const BYTE* dir = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, res)));
    ASSERT_NE(dir, nullptr);
    const WORD count = *reinterpret_cast<const WORD*>(dir + 4);
    ASSERT_EQ(count, 2);
    std::vector<std::pair<int, int>> images;
    for (int i = 0; i < count; ++i) {
        const BYTE* e = dir + 6 + 14 * i;  // width, height, colours, reserved, planes, bit count, ...
        images.emplace_back(e[0], *reinterpret_cast<const WORD*>(e + 6));
    }
    EXPECT_EQ(images, (std::vector<std::pair<int, int>>{{32, 4}, {16, 4}}));
}

}  // namespace
