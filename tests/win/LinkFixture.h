// A link between this test process (the PC namespace) and the box agent,
// with a stand-in main window that records the frames handed to it.
#pragma once

#include <gtest/gtest.h>

#include "ReaderSession.h"
#include "Settings.h"
#include "TestApp.h"
#include "WinTest.h"

using wintest::Bytes;

class FrameWindow : public CWnd, public IMdbFrameSink {
public:
    std::vector<Bytes> frames;
    void OnMdbFrame(const std::uint8_t* p, int n) override { frames.emplace_back(p, p + n); }
};

class LinkTest : public testing::Test {
public:
    void SetUp() override {
        wintest::DeleteAppKey(app.m_strAppName);
        app.WriteProfileString(settings::kSection, settings::kIPAddress, agent.boxIp.c_str());
        wintest::SetFakeDial(0);
        wintest::ClearFakeDialLog();
        ASSERT_TRUE(agent.Clear()) << "the box agent does not answer at " << agent.boxIp;
        app.m_nFailAllocation = -1;
        app.m_nAllocations = 0;
        app.m_pMainWnd = &window;
    }

    void TearDown() override {
        app.m_pMainWnd = nullptr;
        wintest::SetFakeDial(0);
        wintest::MessageBoxCatcher quiet;
        app.Disconnect();
        wintest::DeleteAppKey(app.m_strAppName);
    }

    // Connect, reading and closing whatever message boxes it shows.
    bool Connect(std::vector<wintest::SeenBox>* boxes = nullptr) {
        wintest::MessageBoxCatcher catcher;
        const bool ok = app.Connect();
        if (boxes) *boxes = catcher.Seen();
        else
            EXPECT_TRUE(catcher.Seen().empty()) << catcher.Seen().front().text;
        return ok;
    }

    bool PumpUntilFrames(size_t n, DWORD ms = 3000) {
        return wintest::PumpUntil([&] { return window.frames.size() >= n; }, ms);
    }

    // One frame through each endpoint, and what the box's two ports got.
    struct AtTheBox {
        std::vector<wintest::Datagram> acq, ctrl;
    };
    AtTheBox SendThroughBoth(int acqPort, int ctrlPort) {
        EXPECT_EQ(app.GetAcqSocket()->Send("\x10\x00", 2, 0), 2);
        EXPECT_EQ(app.GetCtrlSocket()->Send("\x07\x03\x12", 3, 0), 3);
        return {agent.Received(acqPort, 1, 2000), agent.Received(ctrlPort, 1, 2000)};
    }

    void SetInt(const char* key, int v) { app.WriteProfileInt(settings::kSection, key, v); }
    void SetText(const char* key, const char* v) { app.WriteProfileString(settings::kSection, key, v); }

    CTestApp& app = TestApp();
    wintest::BoxAgent agent;
    FrameWindow window;
};
