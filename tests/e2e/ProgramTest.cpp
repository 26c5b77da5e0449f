// The real MdbReader.exe in the PC namespace, the box agent in the box
// namespace, this driver clicking and reading the program's windows.
#include <gtest/gtest.h>

#include <cstdio>

#include "ReaderProcess.h"
#include "WinTest.h"
#include "resource.h"

using namespace e2e;
using wintest::Bytes;

namespace {

const Bytes kOpening = {0x07, 0x03, 0x12};
const Bytes kClosing = {0x07, 0x03, 0x00};
const Bytes kJustReset = {0x10, 0x00};

class Program : public testing::Test {
protected:
    void SetUp() override {
        wintest::DeleteAppKey(kAppName);
        Store("IPAddress", agent.boxIp.c_str());
        wintest::SetFakeDial(0);
        wintest::ClearFakeDialLog();
        ASSERT_TRUE(agent.Clear());
    }
    void TearDown() override { wintest::DeleteAppKey(kAppName); }

    void Store(const char* name, const char* text) {
        wintest::SetRawValue(kAppName, name, REG_SZ, text, static_cast<DWORD>(lstrlenA(text) + 1));
    }
    void StoreInt(const char* name, DWORD v) { wintest::SetRawValue(kAppName, name, REG_DWORD, &v, 4); }
    UINT StoredInt(const char* name) {
        DWORD type;
        std::vector<BYTE> data;
        if (!wintest::GetRawValue(kAppName, name, type, data) || data.size() != 4) return 0xdeadbeef;
        return data[0] | data[1] << 8 | data[2] << 16 | static_cast<UINT>(data[3]) << 24;
    }

    // Every datagram that reached the box's port, once `count` are there or
    // the time is up.
    std::vector<Bytes> At(int port, size_t count, int timeoutMs = 3000) {
        std::vector<Bytes> out;
        for (const auto& d : agent.Received(port, count, timeoutMs)) out.push_back(d.bytes);
        return out;
    }
    // What reached the port within a short while: to show that nothing came.
    std::vector<Bytes> Quiet(int port, int ms = 300) {
        Sleep(ms);
        return At(port, 0, 0);
    }

    void StartAndWait(ReaderProcess& p) {
        ASSERT_TRUE(p.Start());
        ASSERT_NE(p.WaitMainWindow(), nullptr) << "no main window";
    }

    wintest::BoxAgent agent;
};

TEST_F(Program, EachWayOfClosingSendsOneOpeningAndOneClosingFrame) {
    struct { const char* how; std::function<void(const ReaderProcess&)> close; } ways[] = {
        {"File, Exit", [](const ReaderProcess& p) { p.Command(ID_APP_EXIT); }},
        {"close box", [](const ReaderProcess& p) { PostMessageA(p.main(), WM_SYSCOMMAND, SC_CLOSE, 0); }},
        {"Alt+F4", [](const ReaderProcess& p) { p.Key(VK_F4, true); }},
        {"Esc", [](const ReaderProcess& p) { p.Key(VK_ESCAPE); }},
    };
    for (const auto& way : ways) {
        SCOPED_TRACE(way.how);
        ASSERT_TRUE(agent.Clear());
        wintest::ClearFakeDialLog();
        ReaderProcess p;
        StartAndWait(p);
        EXPECT_EQ(At(4001, 1), (std::vector<Bytes>{kOpening}));
        way.close(p);
        ASSERT_TRUE(p.WaitExit());
        EXPECT_EQ(At(4001, 2), (std::vector<Bytes>{kOpening, kClosing}));
        EXPECT_EQ(Quiet(4001, 100).size(), 2u);
        EXPECT_TRUE(At(4002, 0, 0).empty());
        // Dialled once at start-up, hung up once at the end.
        const auto log = wintest::FakeDialLog();
        ASSERT_EQ(log.size(), 2u);
        EXPECT_EQ(log[0].rfind("InternetDialA parent=0000000000000000 name=KT-7700 flags=1", 0), 0u) << log[0];
        EXPECT_EQ(log[1].rfind("InternetHangUp connection=0x100000007", 0), 0u) << log[1];
    }
}

TEST_F(Program, WithoutAutoConnectNothingIsDialledAndNothingSent) {
    StoreInt("AutoConnect", 0);
    ReaderProcess p;
    StartAndWait(p);
    p.Click(IDC_INSERT_CARD);  // no endpoint: nothing goes out, the credit is shown
    EXPECT_EQ(p.Text(IDC_CREDIT), "Credit: 0.00");
    p.Click(IDC_RESET);
    p.Command(ID_APP_EXIT);
    ASSERT_TRUE(p.WaitExit());
    EXPECT_TRUE(Quiet(4001, 100).empty());
    EXPECT_TRUE(At(4002, 0, 0).empty());
    EXPECT_TRUE(wintest::FakeDialLog().empty());
}

TEST_F(Program, EnterClicksTheFocusedResetButtonUntilTheCreditFieldHasTheFocus) {
    ReaderProcess p;
    StartAndWait(p);
    EXPECT_EQ(p.Focus(), p.Item(IDC_RESET));
    p.Key(VK_RETURN);
    EXPECT_EQ(At(4002, 1), (std::vector<Bytes>{kJustReset}));
    EXPECT_TRUE(p.Running());
    // A click into the credit field, then Enter: the window closes.
    const HWND credit = p.Item(IDC_CREDIT);
    PostMessageA(credit, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    PostMessageA(credit, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    ASSERT_TRUE(WaitFor([&] { return p.Focus() == credit; }, 3000));
    p.Key(VK_RETURN);
    ASSERT_TRUE(p.WaitExit());
    EXPECT_EQ(At(4001, 2), (std::vector<Bytes>{kOpening, kClosing}));
}

// The exchange of a whole vend, the VMC's side played by the box agent, the
// card holder's by this driver.
TEST_F(Program, TypicalExchange) {
    ReaderProcess p;
    StartAndWait(p);
    struct Step {
        const char* what;
        Bytes fromBox;  // empty: a button
        int button;
        std::vector<Bytes> replies;
        const char* credit;
        UINT enabled;
    };
    Bytes expansion = {0x17, 0x00};
    expansion.resize(31, 0x20);
    const Bytes peripheralId = {0x10, 0x09, 'K', 'T', 'X', 'K', 'T', '-', '7', '7', '0', '0', '-', 'U', 0, 0, 0,
                                'M', 'D', 'B', ' ', 'S', 'L', 'A', 'V', 'E', 0, 0, 0, 0x01, 0x00};
    const Step steps[] = {
        {"window opened", {}, 0, {}, "", BST_UNCHECKED},
        {"POLL", {0x12}, 0, {kJustReset}, "Credit: 0.00", BST_UNCHECKED},
        {"SETUP CONFIG DATA", {0x11, 0x00, 0x03, 0x10, 0x02, 0x00}, 0, {{0x10, 0x01, 0x02, 0x19, 0x78, 0x01, 0x02, 0x05, 0x0F}},
         "Credit: 0.00", BST_UNCHECKED},
        {"EXPANSION REQUEST ID", expansion, 0, {peripheralId}, "Credit: 0.00", BST_UNCHECKED},
        {"READER ENABLE", {0x14, 0x01}, 0, {}, "Credit: 0.00", BST_CHECKED},
        {"Insert card", {}, IDC_INSERT_CARD, {{0x10, 0x03, 0x03, 0xE8, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00}},
         "Credit: 10.00", BST_CHECKED},
        {"VEND REQUEST", {0x13, 0x00, 0x00, 0x96, 0x00, 0x0C}, 0, {}, "Credit: 8.50", BST_CHECKED},
        {"POLL", {0x12}, 0, {{0x10, 0x05, 0x00, 0x96}}, "Credit: 8.50", BST_CHECKED},
        {"VEND SUCCESS", {0x13, 0x02, 0x00, 0x0C}, 0, {}, "Credit: 8.50", BST_CHECKED},
        {"POLL", {0x12}, 0, {{0x10, 0x04}}, "Credit: 8.50", BST_CHECKED},
        {"SESSION COMPLETE", {0x13, 0x04}, 0, {}, "Credit: 8.50", BST_CHECKED},
        {"POLL", {0x12}, 0, {{0x10, 0x07}}, "Credit: 8.50", BST_CHECKED},
        {"POLL", {0x12}, 0, {}, "Credit: 8.50", BST_CHECKED},
        {"Remove card", {}, IDC_REMOVE_CARD, {{0x10, 0x04}}, "Credit: 0.00", BST_CHECKED},
        {"Insert card", {}, IDC_INSERT_CARD, {{0x10, 0x03, 0x03, 0x52, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00}},
         "Credit: 8.50", BST_CHECKED},
    };
    size_t seen = 0;
    for (size_t i = 0; i < std::size(steps); ++i) {
        const Step& s = steps[i];
        SCOPED_TRACE(testing::Message() << "step " << i << ": " << s.what);
        if (!s.fromBox.empty()) {
            ASSERT_TRUE(agent.Send(4002, 4002, s.fromBox));
        }
        if (s.button) p.Click(s.button);
        const std::vector<Bytes> all = s.replies.empty() ? Quiet(4002, 150) : At(4002, seen + s.replies.size());
        ASSERT_GE(all.size(), seen);
        EXPECT_EQ(std::vector<Bytes>(all.begin() + static_cast<long>(seen), all.end()), s.replies);
        seen = all.size();
        EXPECT_TRUE(WaitFor([&] { return p.Text(IDC_CREDIT) == s.credit; }, 2000)) << p.Text(IDC_CREDIT);
        EXPECT_EQ(SendMessageA(p.Item(IDC_READER_ENABLED), BM_GETCHECK, 0, 0), static_cast<LRESULT>(s.enabled));
    }
    p.Command(ID_APP_EXIT);
    ASSERT_TRUE(p.WaitExit());
}

TEST_F(Program, RepliesGoOnWhileTheSettingsDialogIsOpenAndItsChangesWaitForTheNextStart) {
    {
        ReaderProcess p;
        StartAndWait(p);
        EXPECT_EQ(At(4001, 1).size(), 1u);
        p.Command(ID_FILE_SETTINGS);
        const HWND dlg = p.WaitWindow(kSettingsCaption);
        ASSERT_NE(dlg, nullptr);
        EXPECT_EQ(GetWindow(dlg, GW_OWNER), p.main());
        EXPECT_FALSE(IsWindowEnabled(p.main()));
        ASSERT_TRUE(agent.Send(4002, 4002, {0x12}));
        EXPECT_EQ(At(4002, 1), (std::vector<Bytes>{kJustReset}));
        EXPECT_TRUE(WaitFor([&] { return p.Text(IDC_CREDIT) == "Credit: 0.00"; }, 2000));
        // A new control port, confirmed.
        SendMessageA(GetDlgItem(dlg, IDC_CTRL_PORT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("4011"));
        PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        ASSERT_TRUE(WaitFor([&] { return !IsWindow(dlg); }, 3000));
        EXPECT_TRUE(IsWindowEnabled(p.main()));
        EXPECT_EQ(StoredInt("PortControl"), 4011u);
        EXPECT_EQ(StoredInt("AutoConnect"), 1u);
        // Nothing reconnected, nothing sent, the session as it was.
        EXPECT_EQ(Quiet(4001, 200).size(), 1u);
        EXPECT_EQ(p.Text(IDC_CREDIT), "Credit: 0.00");
        p.Click(IDC_INSERT_CARD);
        EXPECT_EQ(At(4002, 2).back(), (Bytes{0x10, 0x03, 0x03, 0xE8, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0}));
        p.Command(ID_APP_EXIT);
        ASSERT_TRUE(p.WaitExit());
        EXPECT_EQ(At(4001, 2), (std::vector<Bytes>{kOpening, kClosing}));  // still the old port
    }
    // The next start uses the new port, and a fresh session.
    ASSERT_TRUE(agent.Listen(4011));
    ASSERT_TRUE(agent.Clear());
    ReaderProcess p;
    StartAndWait(p);
    EXPECT_EQ(At(4011, 1), (std::vector<Bytes>{kOpening}));
    EXPECT_TRUE(At(4001, 0, 0).empty());
    p.Click(IDC_INSERT_CARD);
    EXPECT_EQ(At(4002, 1), (std::vector<Bytes>{{0x10, 0x03, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0}}));
    p.Command(ID_APP_EXIT);
    ASSERT_TRUE(p.WaitExit());
    EXPECT_EQ(At(4011, 2), (std::vector<Bytes>{kOpening, kClosing}));
}

// A message box of the settings dialog runs its own loop; the reader goes on
// answering inside it.
TEST_F(Program, RepliesGoOnWhileAMessageBoxIsOpen) {
    ReaderProcess p;
    StartAndWait(p);
    p.Command(ID_FILE_SETTINGS);
    const HWND dlg = p.WaitWindow(kSettingsCaption);
    ASSERT_NE(dlg, nullptr);
    SendMessageA(GetDlgItem(dlg, IDC_COMM_PORT), WM_SETTEXT, 0, reinterpret_cast<LPARAM>("no port"));
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    const HWND box = p.WaitMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageText(box), "Please enter a positive integer.");
    EXPECT_EQ(GetWindow(box, GW_OWNER), dlg);
    ASSERT_TRUE(agent.Send(4002, 4002, {0x12}));
    EXPECT_EQ(At(4002, 1), (std::vector<Bytes>{kJustReset}));
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(box); }, 3000));
    EXPECT_TRUE(IsWindow(dlg));  // the refused entry keeps the dialog open
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dlg); }, 3000));
    EXPECT_EQ(StoredInt("PortCommunication"), 0xdeadbeefu);  // nothing stored
    p.Command(ID_APP_EXIT);
    ASSERT_TRUE(p.WaitExit());
}

// A failed connect is reported before the main window opens; frames that
// arrive meanwhile are dropped, not handed on later; the window opens and
// the reader works as far as the link came up.
TEST_F(Program, AFailedConnectIsShownAndThenTheMainWindowOpens) {
    StoreInt("PortControl", 4002);
    ReaderProcess p;
    ASSERT_TRUE(p.Start());
    const HWND box = p.WaitMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageText(box), "Create control socket failed, Error: 10048\r\n");
    EXPECT_EQ(FindWindowA(nullptr, kMainCaption), nullptr);
    ASSERT_TRUE(agent.Send(4002, 4002, {0x11, 0x00}));  // dropped: no main window yet
    EXPECT_TRUE(Quiet(4002).empty());
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_NE(p.WaitMainWindow(), nullptr);
    // Connected, but without a control endpoint: no control frame at all.
    ASSERT_TRUE(agent.Send(4002, 4002, {0x12}));
    EXPECT_EQ(At(4002, 1), (std::vector<Bytes>{kJustReset}));
    p.Command(ID_APP_EXIT);
    ASSERT_TRUE(p.WaitExit());
    EXPECT_TRUE(Quiet(4001, 100).empty());
    EXPECT_EQ(wintest::FakeDialLog().size(), 2u);  // still hung up at the end
}

TEST_F(Program, AFailedDialIsShownAndTheWindowOpensWithoutALink) {
    wintest::SetFakeDial(623);
    ReaderProcess p;
    ASSERT_TRUE(p.Start());
    const HWND box = p.WaitMessageBox();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(MessageText(box), "Connect failed, Error: 623\r\nPlease make sure to use the correct connectionand check "
                                "the connection settings in windows control panel.");
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    ASSERT_NE(p.WaitMainWindow(), nullptr);
    p.Click(IDC_INSERT_CARD);
    EXPECT_EQ(p.Text(IDC_CREDIT), "Credit: 0.00");
    p.Command(ID_APP_EXIT);
    ASSERT_TRUE(p.WaitExit());
    EXPECT_TRUE(Quiet(4001, 100).empty());
    EXPECT_TRUE(At(4002, 0, 0).empty());
    EXPECT_EQ(wintest::FakeDialLog().size(), 1u);  // nothing to hang up
}

// Not a test: brings the windows into a state worth showing and waits while
// scripts/screenshots takes their pictures (it sets MDB_SHOWCASE_DIR).
TEST_F(Program, DISABLED_Showcase) {
    const std::string dir = wintest::Env("MDB_SHOWCASE_DIR");
    ASSERT_FALSE(dir.empty());
    auto pose = [&](const char* name, HWND w) {
        RECT r;
        GetWindowRect(w, &r);
        const std::string ready = dir + "\\" + name + ".ready";
        FILE* f = std::fopen((ready + ".tmp").c_str(), "w");
        ASSERT_NE(f, nullptr);
        std::fprintf(f, "%ld %ld %ld %ld\n", r.left, r.top, r.right - r.left, r.bottom - r.top);
        std::fclose(f);
        MoveFileA((ready + ".tmp").c_str(), ready.c_str());
        const std::string done = dir + "\\" + name + ".done";
        EXPECT_TRUE(WaitFor([&] { return GetFileAttributesA(done.c_str()) != INVALID_FILE_ATTRIBUTES; }, 60000));
    };
    ReaderProcess p;
    StartAndWait(p);
    for (const Bytes& frame : {Bytes{0x12}, Bytes{0x11, 0x00, 0x03, 0x10, 0x02, 0x00}, Bytes{0x14, 0x01}}) {
        ASSERT_TRUE(agent.Send(4002, 4002, frame));
        Sleep(100);
    }
    p.Click(IDC_INSERT_CARD);
    ASSERT_TRUE(agent.Send(4002, 4002, {0x13, 0x00, 0x00, 0x96, 0x00, 0x0C}));
    ASSERT_TRUE(WaitFor([&] { return p.Text(IDC_CREDIT) == "Credit: 8.50"; }, 3000));
    pose("main", p.main());
    p.Command(ID_FILE_SETTINGS);
    const HWND dlg = p.WaitWindow(kSettingsCaption);
    ASSERT_NE(dlg, nullptr);
    pose("settings", dlg);
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    ASSERT_TRUE(WaitFor([&] { return !IsWindow(dlg); }, 3000));
    p.Command(ID_APP_EXIT);
    EXPECT_TRUE(p.WaitExit());
}

// The card holder of tests/e2e/scripted_vend.sh: acts when the simulator's
// script reaches each of its marks.
TEST(Scripted, DISABLED_CardHolder) {
    const std::string marks = wintest::Env("MDB_MARK_DIR");
    ASSERT_FALSE(marks.empty());
    auto reached = [&](const char* name) {
        const std::string path = marks + "\\" + name;
        return WaitFor([&] { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }, 20000);
    };
    ReaderProcess p;
    ASSERT_TRUE(p.Start());
    ASSERT_NE(p.WaitMainWindow(), nullptr);
    ASSERT_TRUE(reached("enabled"));
    EXPECT_EQ(SendMessageA(p.Item(IDC_READER_ENABLED), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(p.Text(IDC_CREDIT), "Credit: 0.00");
    p.Click(IDC_INSERT_CARD);
    EXPECT_EQ(p.Text(IDC_CREDIT), "Credit: 10.00");
    ASSERT_TRUE(reached("vended"));
    EXPECT_EQ(p.Text(IDC_CREDIT), "Credit: 8.50");
    p.Click(IDC_REMOVE_CARD);
    EXPECT_EQ(p.Text(IDC_CREDIT), "Credit: 0.00");
    ASSERT_TRUE(reached("removed"));
    p.Click(IDC_INSERT_CARD);
    EXPECT_EQ(p.Text(IDC_CREDIT), "Credit: 8.50");
    ASSERT_TRUE(reached("done"));
    p.Command(ID_APP_EXIT);
    EXPECT_TRUE(p.WaitExit());
}

// Not a test: the card holder of scripts/run when nobody is at the screen.
// Waits for a running MdbReader to be enabled by the VMC, inserts the card,
// waits for the vend to end, and removes the card.
TEST(Demo, DISABLED_CardHolder) {
    HWND main = nullptr;
    ASSERT_TRUE(WaitFor([&] { return (main = FindWindowA(nullptr, kMainCaption)) != nullptr; }, 60000));
    HWND enabled = GetDlgItem(main, IDC_READER_ENABLED), credit = GetDlgItem(main, IDC_CREDIT);
    ASSERT_TRUE(WaitFor([&] { return SendMessageA(enabled, BM_GETCHECK, 0, 0) == BST_CHECKED; }, 60000));
    Sleep(1000);
    SendMessageA(GetDlgItem(main, IDC_INSERT_CARD), BM_CLICK, 0, 0);
    const std::string inserted = TextOf(credit);
    ASSERT_TRUE(WaitFor([&] { return TextOf(credit) != inserted; }, 60000));  // the vend took its price
    Sleep(1500);
    const std::string mark = wintest::Env("MDB_DEMO_MARK");  // the moment for a picture
    if (!mark.empty()) CloseHandle(CreateFileA(mark.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    Sleep(3000);
    SendMessageA(GetDlgItem(main, IDC_REMOVE_CARD), BM_CLICK, 0, 0);
}

// Not a test: opens the settings dialog of a running MdbReader and leaves
// it open, for scripts/bench.
TEST(Bench, DISABLED_OpenSettings) {
    HWND main = FindWindowA(nullptr, kMainCaption);
    ASSERT_NE(main, nullptr);
    PostMessageA(main, WM_COMMAND, MAKEWPARAM(ID_FILE_SETTINGS, 0), 0);
    ASSERT_TRUE(WaitFor([] { return FindWindowA(nullptr, kSettingsCaption) != nullptr; }, 10000));
}

}  // namespace

int main(int argc, char** argv) {
    testing::InitGoogleTest(&argc, argv);
    WSADATA data;
    if (WSAStartup(MAKEWORD(1, 1), &data) != 0) return 4;
    return RUN_ALL_TESTS();
}
