// The profile settings against the real registry of the test prefix.
#include <gtest/gtest.h>

#include "Settings.h"
#include "TestApp.h"
#include "WinTest.h"

using namespace wintest;
using namespace settings;

namespace {

class Settings : public testing::Test {
protected:
    void SetUp() override { DeleteAppKey(App().m_strAppName); }
    void TearDown() override {
        if (Env("MDB_SETTINGS_CHILD").empty()) DeleteAppKey(App().m_strAppName);
    }
    static CTestApp& App() { return TestApp(); }
};

TEST(AppName, TakenFromTheExecutablesFileName) {
    struct { const char* path; const char* name; } cases[] = {
        {"C:\\Program Files\\Corvane\\MdbReader.exe", "MdbReader"},
        {"Z:\\work\\build\\windows\\tests\\win\\link_tests.exe", "link_tests"},
        {"C:\\x\\My.Reader.exe", "My.Reader"},
        {"C:/mixed/slashes/Reader.EXE", "Reader"},
        {"C:Reader.exe", "Reader"},
        {"\\\\server\\share\\Reader.exe", "Reader"},
        {"Reader.exe", "Reader"},
        {"Reader", "Reader"},
        {"C:\\dir.d\\Reader", "dir"},  // the last '.' decides, even in a directory
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(AfxAppNameFromPath(cases[i].path), cases[i].name) << "case " << i << ": " << cases[i].path;
    EXPECT_EQ(TestApp().m_strAppName, "link_tests");
}

TEST_F(Settings, FreshProfileGivesEveryDefaultAndLeavesTheEmptyKeyChain) {
    const std::string appKey = "software\\Corvane\\" + App().m_strAppName;
    ASSERT_FALSE(KeyExists(appKey));
    EXPECT_EQ(App().GetProfileInt(kSection, kAutoConnect, kDefaultAutoConnect), 1u);
    EXPECT_EQ(App().GetProfileInt(kSection, kAutoConnect, 0), 0u);
    EXPECT_EQ(App().GetProfileString(kSection, kConnectionName, kDefaultConnectionName), "KT-7700");
    EXPECT_EQ(App().GetProfileString(kSection, kIPAddress, kDefaultIPAddress), "192.168.1.1");
    EXPECT_EQ(App().GetProfileInt(kSection, kPortCommunication, kDefaultPortCommunication), 4002u);
    EXPECT_EQ(App().GetProfileInt(kSection, kPortControl, kDefaultPortControl), 4001u);
    EXPECT_TRUE(KeyExists(SettingsKeyPath(App().m_strAppName)));
    EXPECT_EQ(ValueCount(SettingsKeyPath(App().m_strAppName)), 0);
}

TEST_F(Settings, WrittenValuesAreStoredWithTheirTypesAndReadBack) {
    ASSERT_TRUE(App().WriteProfileString(kSection, kConnectionName, " My box "));
    ASSERT_TRUE(App().WriteProfileInt(kSection, kPortCommunication, 69538));
    ASSERT_TRUE(App().WriteProfileInt(kSection, kPortControl, -1));
    DWORD type = 0xdeadbeef;
    std::vector<BYTE> data;
    ASSERT_TRUE(GetRawValue(App().m_strAppName, kConnectionName, type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(data, (std::vector<BYTE>{' ', 'M', 'y', ' ', 'b', 'o', 'x', ' ', 0}));
    ASSERT_TRUE(GetRawValue(App().m_strAppName, kPortCommunication, type, data));
    EXPECT_EQ(type, static_cast<DWORD>(REG_DWORD));
    EXPECT_EQ(data, (std::vector<BYTE>{0xA2, 0x0F, 0x01, 0x00}));
    EXPECT_EQ(App().GetProfileString(kSection, kConnectionName, "x"), " My box ");
    EXPECT_EQ(App().GetProfileInt(kSection, kPortCommunication, 4002), 69538u);
    EXPECT_EQ(App().GetProfileInt(kSection, kPortControl, 4001), 4294967295u);
}

TEST_F(Settings, StoredDataDecidesNotTheRegistryType) {
    // An empty text is a value, not a missing one.
    ASSERT_TRUE(SetRawValue(App().m_strAppName, kIPAddress, REG_SZ, "", 1));
    EXPECT_EQ(App().GetProfileString(kSection, kIPAddress, kDefaultIPAddress), "");
    // Four digits as text are five bytes: they do not fit, so the default.
    ASSERT_TRUE(SetRawValue(App().m_strAppName, kPortCommunication, REG_SZ, "5002", 5));
    EXPECT_EQ(App().GetProfileInt(kSection, kPortCommunication, 4002), 4002u);
    // Four bytes of another type are read as a little-endian number.
    const BYTE four[] = {0x01, 0x02, 0x03, 0x04};
    ASSERT_TRUE(SetRawValue(App().m_strAppName, kPortControl, REG_BINARY, four, 4));
    EXPECT_EQ(App().GetProfileInt(kSection, kPortControl, 4001), 0x04030201u);
    // Shorter data: the stored bytes, the rest zero.
    const BYTE two[] = {0x34, 0x12};
    ASSERT_TRUE(SetRawValue(App().m_strAppName, kAutoConnect, REG_BINARY, two, 2));
    EXPECT_EQ(App().GetProfileInt(kSection, kAutoConnect, 1), 0x1234u);
    // A text without its zero byte, and a DWORD read as text: up to the first zero.
    ASSERT_TRUE(SetRawValue(App().m_strAppName, kConnectionName, REG_BINARY, "abc", 3));
    EXPECT_EQ(App().GetProfileString(kSection, kConnectionName, "x"), "abc");
    const DWORD number = 0x00004241;
    ASSERT_TRUE(SetRawValue(App().m_strAppName, kIPAddress, REG_DWORD, &number, 4));
    EXPECT_EQ(App().GetProfileString(kSection, kIPAddress, "x"), "AB");
}

TEST_F(Settings, AnotherProcessesWriteIsSeenByTheNextRead) {
    EXPECT_EQ(App().GetProfileInt(kSection, kPortControl, 4001), 4001u);
    const DWORD v = 5001;
    ASSERT_TRUE(SetRawValue(App().m_strAppName, kPortControl, REG_DWORD, &v, 4));
    EXPECT_EQ(App().GetProfileInt(kSection, kPortControl, 4001), 5001u);
}

// A copy of this executable under another name reads and writes a set of
// settings of its own.
TEST_F(Settings, AnExecutableOfAnotherNameHasItsOwnSettings) {
    if (!Env("MDB_SETTINGS_CHILD").empty()) {
        // The child: nothing of the parent's is visible, and it stores its own.
        EXPECT_EQ(App().m_strAppName, "renamed_reader");
        EXPECT_EQ(App().GetProfileInt(kSection, kPortCommunication, 4002), 4002u);
        EXPECT_EQ(App().GetProfileString(kSection, kConnectionName, kDefaultConnectionName), "KT-7700");
        App().WriteProfileInt(kSection, kPortCommunication, 6002);
        return;
    }
    DeleteAppKey("renamed_reader");
    ASSERT_TRUE(App().WriteProfileInt(kSection, kPortCommunication, 5002));
    ASSERT_TRUE(App().WriteProfileString(kSection, kConnectionName, "Parent"));

    char self[MAX_PATH];
    GetModuleFileNameA(nullptr, self, sizeof self);
    std::string copy = self;
    copy = copy.substr(0, copy.find_last_of('\\') + 1) + "renamed_reader.exe";
    ASSERT_TRUE(CopyFileA(self, copy.c_str(), FALSE));
    std::string cmd = "\"" + copy + "\" --gtest_filter=Settings.AnExecutableOfAnotherNameHasItsOwnSettings";
    SetEnvironmentVariableA("MDB_SETTINGS_CHILD", "1");
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    const BOOL started = CreateProcessA(nullptr, &cmd[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi);
    SetEnvironmentVariableA("MDB_SETTINGS_CHILD", nullptr);
    ASSERT_TRUE(started);
    WaitForSingleObject(pi.hProcess, 60000);
    DWORD code = 0xdeadbeef;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hProcess);
    CloseHandle(pi.hThread);
    DeleteFileA(copy.c_str());
    EXPECT_EQ(code, 0u) << "the renamed copy's checks failed";

    EXPECT_EQ(App().GetProfileInt(kSection, kPortCommunication, 4002), 5002u);
    EXPECT_EQ(App().GetProfileString(kSection, kConnectionName, ""), "Parent");
    DWORD type;
    std::vector<BYTE> data;
    ASSERT_TRUE(GetRawValue("renamed_reader", kPortCommunication, type, data));
    EXPECT_EQ(data, (std::vector<BYTE>{0x72, 0x17, 0, 0}));
    DeleteAppKey("renamed_reader");
}

}  // namespace
