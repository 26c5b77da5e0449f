// The settings dialog, run modally in this process and driven from inside
// its own message loop, against the real registry of the test prefix.
#include <gtest/gtest.h>

#include "Settings.h"
#include "SettingsDlg.h"
#include "TestApp.h"
#include "WinTest.h"

using namespace wintest;
using namespace settings;

namespace {

const char kCaption[] = "Application settings...";

TEST(NumberField, ReadingRule) {
    struct { const char* text; BOOL accepted; UINT value; } cases[] = {
        {"4002", TRUE, 4002}, {"  4002  ", TRUE, 4002}, {"\t4002\t", TRUE, 4002}, {"0", TRUE, 0},
        {"007", TRUE, 7}, {"+7", TRUE, 7}, {"00", TRUE, 0}, {"4294967295", TRUE, 4294967295u},
        {"4294967296", TRUE, 4294967295u}, {"99999999999999999999999", TRUE, 4294967295u},
        {"", FALSE, 0}, {"   ", FALSE, 0}, {"\t", FALSE, 0}, {"-1", FALSE, 0}, {" -0", FALSE, 0},
        {"40 02", FALSE, 0}, {"4002a", FALSE, 0}, {"0x10", FALSE, 0}, {"+0", FALSE, 0}, {"+", FALSE, 0},
        {"++7", FALSE, 0}, {"x4002", FALSE, 0}, {"4.0", FALSE, 0},
        // Only the first 31 characters are read.
        {"4002                           x", TRUE, 4002},      // the x is character 32
        {"4002                          x", FALSE, 0},          // the x is character 31
        {"                               5", FALSE, 0},         // 31 blanks: the digit is not read
        {"                              5", TRUE, 5},           // 30 blanks and the digit
        {"0000000000000000000000000000004000", TRUE, 4},        // 31 digits read: 30 zeros and the 4
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        UINT value = 0xdeadbeef;
        EXPECT_EQ(AfxParseUnsigned(cases[i].text, value), cases[i].accepted) << "case " << i << ": '" << cases[i].text << "'";
        EXPECT_EQ(value, cases[i].accepted ? cases[i].value : 0xdeadbeef) << "case " << i;
    }
}

class SettingsDialog : public testing::Test {
protected:
    void SetUp() override { DeleteAppKey(TestApp().m_strAppName); }
    void TearDown() override { DeleteAppKey(TestApp().m_strAppName); }

    // Runs the dialog with the steps; returns DoModal's result.
    INT_PTR Run(std::vector<DialogDriver::Step> steps, std::vector<SeenBox>* boxes = nullptr) {
        MessageBoxCatcher catcher;
        DialogDriver driver(kCaption, std::move(steps));
        CSettingsDlg dlg;
        const INT_PTR result = dlg.DoModal();
        EXPECT_FALSE(driver.TimedOut());
        if (boxes) *boxes = catcher.Seen();
        else
            EXPECT_TRUE(catcher.Seen().empty());
        return result;
    }

    static std::string Text(HWND dlg, int id) { return WindowText(GetDlgItem(dlg, id)); }
    static void SetText(HWND dlg, int id, const char* text) { SetWindowTextA(GetDlgItem(dlg, id), text); }
    static int Values() { return ValueCount(SettingsKeyPath(TestApp().m_strAppName)); }
    static CString Stored(const char* key) { return TestApp().GetProfileString(kSection, key, "(none)"); }
    static UINT StoredInt(const char* key) { return TestApp().GetProfileInt(kSection, key, 0xdeadbeef); }
};

TEST_F(SettingsDialog, ShowsTheDefaultsAndEnterAtOnceStoresThem) {
    std::string name, ip, comm, ctrl;
    LRESULT checked = -1;
    HWND focus = nullptr, ok = nullptr;
    const INT_PTR result = Run({
        [&](HWND dlg) {
            name = Text(dlg, IDC_CONNECTION_NAME);
            ip = Text(dlg, IDC_IP_ADDRESS);
            comm = Text(dlg, IDC_COMM_PORT);
            ctrl = Text(dlg, IDC_CTRL_PORT);
            checked = SendDlgItemMessageA(dlg, IDC_AUTO_CONNECT, BM_GETCHECK, 0, 0);
            focus = GetFocus();
            ok = GetDlgItem(dlg, IDOK);
            PressKey(VK_RETURN);
        },
    });
    EXPECT_EQ(result, IDOK);
    EXPECT_EQ(name, "KT-7700");
    EXPECT_EQ(ip, "192.168.1.1");
    EXPECT_EQ(comm, "4002");
    EXPECT_EQ(ctrl, "4001");
    // Nothing stored means the program connects: the box shows that.
    EXPECT_EQ(checked, BST_CHECKED);
    EXPECT_EQ(focus, ok);
    EXPECT_EQ(Values(), 5);
    EXPECT_EQ(Stored(kConnectionName), "KT-7700");
    EXPECT_EQ(Stored(kIPAddress), "192.168.1.1");
    EXPECT_EQ(StoredInt(kPortCommunication), 4002u);
    EXPECT_EQ(StoredInt(kPortControl), 4001u);
    // And so the next start still connects.
    EXPECT_EQ(StoredInt(kAutoConnect), 1u);
}

TEST_F(SettingsDialog, ARefusedNumberIsReportedOnceAndNothingIsStored) {
    HWND commField = nullptr;
    HWND focusAfter = nullptr;
    DWORD selStart = 0xdeadbeef, selEnd = 0xdeadbeef;
    int valuesWhileOpen = -1;
    std::vector<SeenBox> boxes;
    const INT_PTR result = Run(
        {
            [&](HWND dlg) {
                SetText(dlg, IDC_CONNECTION_NAME, "Changed");
                SetText(dlg, IDC_COMM_PORT, "40x2");
                commField = GetDlgItem(dlg, IDC_COMM_PORT);
                Click(dlg, IDOK);
            },
            [&](HWND) {
                // The message box has come and gone; the dialog is still open.
                focusAfter = GetFocus();
                SendMessageA(commField, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
                valuesWhileOpen = Values();
            },
            [&](HWND dlg) { Click(dlg, IDCANCEL); },
        },
        &boxes);
    EXPECT_EQ(result, IDCANCEL);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, "Please enter a positive integer.");
    EXPECT_EQ(boxes[0].caption, TestApp().m_strAppName);
    EXPECT_TRUE(boxes[0].warningIcon);
    EXPECT_EQ(boxes[0].buttons, 1);
    EXPECT_EQ(focusAfter, commField);
    EXPECT_EQ(selStart, 0u);
    EXPECT_EQ(selEnd, 4u);
    EXPECT_EQ(valuesWhileOpen, 0);  // not even the changed connection name
    EXPECT_EQ(Values(), 0);
}

TEST_F(SettingsDialog, FieldsAreReportedOneAtATimeInTheirOrder) {
    std::vector<SeenBox> boxes;
    std::vector<HWND> owners;
    HWND dialog = nullptr;
    const INT_PTR result = Run(
        {
            [&](HWND dlg) {
                dialog = dlg;
                SetText(dlg, IDC_COMM_PORT, "");
                SetText(dlg, IDC_CTRL_PORT, "-4001");
                Click(dlg, IDOK);
            },
            [&](HWND dlg) {
                EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDC_COMM_PORT));
                SetText(dlg, IDC_COMM_PORT, " 5002 ");
                Click(dlg, IDOK);
            },
            [&](HWND dlg) {
                EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDC_CTRL_PORT));
                SetText(dlg, IDC_CTRL_PORT, "5001");
                Click(dlg, IDOK);
            },
        },
        &boxes);
    EXPECT_EQ(result, IDOK);
    ASSERT_EQ(boxes.size(), 2u);  // one message per confirmation that failed
    for (const SeenBox& b : boxes) {
        EXPECT_EQ(b.text, "Please enter a positive integer.");
        EXPECT_EQ(b.owner, dialog);
    }
    EXPECT_EQ(StoredInt(kPortCommunication), 5002u);
    EXPECT_EQ(StoredInt(kPortControl), 5001u);
}

TEST_F(SettingsDialog, TextAndNumbersAreStoredExactlyAsEntered) {
    struct { const char* name; const char* ip; const char* comm; const char* ctrl; UINT commValue, ctrlValue; } cases[] = {
        {"", "", "0", "65536", 0, 65536},
        {"  Box on COM3 ", " 10.0.0.7 ", "99999999999", "4294967295", 4294967295u, 4294967295u},
        {"KT-7700", "box.local", "+7", "007", 7, 7},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const auto& c = cases[i];
        const INT_PTR result = Run({
            [&](HWND dlg) {
                SetText(dlg, IDC_CONNECTION_NAME, c.name);
                SetText(dlg, IDC_IP_ADDRESS, c.ip);
                SetText(dlg, IDC_COMM_PORT, c.comm);
                SetText(dlg, IDC_CTRL_PORT, c.ctrl);
                SendDlgItemMessageA(dlg, IDC_AUTO_CONNECT, BM_SETCHECK, BST_UNCHECKED, 0);
                Click(dlg, IDOK);
            },
        });
        EXPECT_EQ(result, IDOK) << "case " << i;
        EXPECT_EQ(Stored(kConnectionName), c.name) << "case " << i;
        EXPECT_EQ(Stored(kIPAddress), c.ip) << "case " << i;
        EXPECT_EQ(StoredInt(kPortCommunication), c.commValue) << "case " << i;
        EXPECT_EQ(StoredInt(kPortControl), c.ctrlValue) << "case " << i;
        EXPECT_EQ(StoredInt(kAutoConnect), 0u) << "case " << i;
        // The next opening shows what was stored, numbers as plain digits.
        std::string comm;
        Run({[&](HWND dlg) {
            comm = Text(dlg, IDC_COMM_PORT);
            EXPECT_EQ(Text(dlg, IDC_CONNECTION_NAME), c.name);
            EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_AUTO_CONNECT, BM_GETCHECK, 0, 0), BST_UNCHECKED);
            Click(dlg, IDCANCEL);
        }});
        EXPECT_EQ(comm, std::to_string(c.commValue)) << "case " << i;
    }
}

TEST_F(SettingsDialog, CancelEscAndTheCloseBoxStoreNothing) {
    TestApp().WriteProfileString(kSection, kConnectionName, "Stored");
    struct { const char* how; std::function<void(HWND)> close; } ways[] = {
        {"Cancel", [](HWND dlg) { Click(dlg, IDCANCEL); }},
        {"Esc", [](HWND) { PressKey(VK_ESCAPE); }},
        {"close box", [](HWND dlg) { PostMessageA(dlg, WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Alt+F4", [](HWND dlg) { PostMessageA(dlg, WM_CLOSE, 0, 0); }},
    };
    for (const auto& way : ways) {
        const INT_PTR result = Run({
            [&](HWND dlg) {
                SetText(dlg, IDC_CONNECTION_NAME, "Changed");
                SetText(dlg, IDC_COMM_PORT, "not a number");
                way.close(dlg);
            },
        });
        EXPECT_EQ(result, IDCANCEL) << way.how;
        EXPECT_EQ(Values(), 1) << way.how;
        EXPECT_EQ(Stored(kConnectionName), "Stored") << way.how;
    }
}

}  // namespace
