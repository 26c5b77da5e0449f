// The datagram endpoint over real sockets between the PC and box namespaces.
#include "LinkFixture.h"

using namespace wintest;
using namespace settings;

namespace {

const Bytes kPoll = {0x12};

TEST_F(LinkTest, EveryDatagramFromTheBoxsAcquisitionPortReachesTheReaderWhole) {
    ASSERT_TRUE(Connect());
    Bytes full(1024), over(1025);
    for (size_t i = 0; i < over.size(); ++i) over[i] = full[i % 1024] = static_cast<std::uint8_t>(0x12 + i);
    ASSERT_TRUE(agent.Send(4002, 4002, full));
    ASSERT_TRUE(agent.Send(4002, 4002, over));  // too long for the buffer: dropped
    ASSERT_TRUE(agent.Send(4002, 4002, kPoll));
    ASSERT_TRUE(PumpUntilFrames(2));
    PumpFor(200);
    ASSERT_EQ(window.frames.size(), 2u);
    EXPECT_EQ(window.frames[0], full);
    EXPECT_EQ(window.frames[1], kPoll);
}

TEST_F(LinkTest, EachEndpointSendsOneDatagramFromItsPortToTheSamePortAtTheBox) {
    ASSERT_TRUE(Connect());
    const auto [acq, ctrl] = SendThroughBoth(4002, 4001);
    ASSERT_EQ(acq.size(), 1u);
    ASSERT_EQ(ctrl.size(), 1u);
    EXPECT_EQ(acq[0].bytes, (Bytes{0x10, 0x00}));
    EXPECT_EQ(acq[0].from, agent.pcIp + ":4002");
    EXPECT_EQ(ctrl[0].bytes, (Bytes{0x07, 0x03, 0x12}));
    EXPECT_EQ(ctrl[0].from, agent.pcIp + ":4001");
}

// An empty datagram carries no command: dropped, and both endpoints go on
// receiving and sending.
TEST_F(LinkTest, EmptyDatagramsAreDroppedAndTheEndpointsStayOpen) {
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(agent.Send(4002, 4002, {}));
    ASSERT_TRUE(agent.Send(4001, 4001, {}));
    ASSERT_TRUE(agent.Send(4002, 4002, kPoll));
    ASSERT_TRUE(PumpUntilFrames(1));
    PumpFor(100);
    EXPECT_EQ(window.frames, (std::vector<Bytes>{kPoll}));
    EXPECT_NE(app.GetAcqSocket()->m_hSocket, INVALID_SOCKET);
    EXPECT_NE(app.GetCtrlSocket()->m_hSocket, INVALID_SOCKET);
    EXPECT_EQ(app.GetAcqSocket()->Send("\x10\x04", 2, 0), 2);
    EXPECT_EQ(app.GetCtrlSocket()->Send("\x07\x03\x00", 3, 0), 3);
    EXPECT_EQ(agent.Received(4002, 1, 2000).size(), 1u);
    EXPECT_EQ(agent.Received(4001, 1, 2000).size(), 1u);
}

TEST_F(LinkTest, OnlyTheConnectedPeersAcquisitionPortReachesTheReader) {
    ASSERT_TRUE(Connect());
    ASSERT_TRUE(agent.Send(5555, 4002, {0x11, 0x00}));        // another port of the box
    ASSERT_TRUE(agent.Send(4002, 4002, {0x14, 0x01}, true));  // the acquisition port of another address
    ASSERT_TRUE(agent.Send(4001, 4002, {0x17, 0x00}));        // the box's control port
    ASSERT_TRUE(agent.Send(4001, 4001, {0x13, 0x02}));        // to the control endpoint
    ASSERT_TRUE(agent.Send(4002, 4002, kPoll));
    ASSERT_TRUE(PumpUntilFrames(1));
    PumpFor(200);
    EXPECT_EQ(window.frames, (std::vector<Bytes>{kPoll}));
}

TEST_F(LinkTest, FramesArriveOnlyWhileThereIsAMainWindow) {
    ASSERT_TRUE(Connect());
    app.m_pMainWnd = nullptr;
    ASSERT_TRUE(agent.Send(4002, 4002, {0x11, 0x00}));
    PumpFor(200);
    app.m_pMainWnd = &window;
    ASSERT_TRUE(agent.Send(4002, 4002, kPoll));
    ASSERT_TRUE(PumpUntilFrames(1));
    PumpFor(100);
    EXPECT_EQ(window.frames, (std::vector<Bytes>{kPoll}));  // the first was read and dropped, not kept
}

TEST_F(LinkTest, AStoredPortAbove65535UsesItsLow16BitsOnTheWireButPassesNothingOn) {
    SetInt(kPortCommunication, 65536 + 4002);
    ASSERT_TRUE(Connect());
    EXPECT_EQ(app.GetAcqSocket()->m_nCommPort, 65536u + 4002u);
    EXPECT_EQ(app.GetAcqSocket()->Send("\x10\x00", 2, 0), 2);
    const auto got = agent.Received(4002, 1, 2000);
    ASSERT_EQ(got.size(), 1u);
    EXPECT_EQ(got[0].from, agent.pcIp + ":4002");
    ASSERT_TRUE(agent.Send(4002, 4002, kPoll));
    PumpFor(300);
    EXPECT_TRUE(window.frames.empty());
}

// After a failed connect the endpoint stays bound without a peer: it hears
// every sender and passes on what comes from a port equal to the acquisition
// port; its sends fail.
TEST_F(LinkTest, AnEndpointWithoutAPeerPassesOnWhatComesFromTheAcquisitionPort) {
    SetText(kIPAddress, "no-such-box.invalid");
    std::vector<SeenBox> boxes;
    EXPECT_FALSE(Connect(&boxes));
    ASSERT_EQ(boxes.size(), 1u);
    ASSERT_NE(app.GetAcqSocket(), nullptr);
    ASSERT_TRUE(agent.Send(4002, 4002, kPoll));
    ASSERT_TRUE(agent.Send(4002, 4002, {0x11, 0x00}, true));
    ASSERT_TRUE(agent.Send(5555, 4002, {0x17, 0x00}));
    ASSERT_TRUE(PumpUntilFrames(2));
    PumpFor(200);
    EXPECT_EQ(window.frames, (std::vector<Bytes>{kPoll, {0x11, 0x00}}));
    EXPECT_EQ(app.GetAcqSocket()->Send("\x10\x00", 2, 0), SOCKET_ERROR);
}

TEST(Endpoint, SendsWithoutASocketOrAPeerFailAndChangeNothing) {
    CLinkSocket s;
    EXPECT_EQ(s.Send("\x10\x00", 2, 0), SOCKET_ERROR);
    ASSERT_TRUE(s.Create(4600, SOCK_DGRAM, FD_READ, nullptr));
    EXPECT_EQ(s.Send("\x10\x00", 2, 0), SOCKET_ERROR);
    EXPECT_NE(s.m_hSocket, INVALID_SOCKET);
    s.Close();
    EXPECT_EQ(s.m_hSocket, INVALID_SOCKET);
    EXPECT_EQ(s.Send("\x10\x00", 2, 0), SOCKET_ERROR);
    s.Close();  // closing twice does nothing
    EXPECT_EQ(s.m_hSocket, INVALID_SOCKET);
}

TEST(Endpoint, AFailedBindClosesTheSocketAndKeepsItsErrorCode) {
    CLinkSocket holder, second;
    ASSERT_TRUE(holder.Create(4601, SOCK_DGRAM, FD_READ, nullptr));
    SetLastError(0xdeadbeef);
    EXPECT_FALSE(second.Create(4601, SOCK_DGRAM, FD_READ, nullptr));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(WSAEADDRINUSE));
    EXPECT_EQ(second.m_hSocket, INVALID_SOCKET);
}

class CountingSocket : public CAsyncSocket {
public:
    int receives = 0;

protected:
    void OnReceive(int) override {
        ++receives;
        char buf[64];
        CString addr;
        UINT port;
        ReceiveFrom(buf, sizeof buf, addr, port, 0);
    }
};

// A notification still queued when its socket closes must reach nobody, even
// a new socket that Winsock gives the same handle.
TEST_F(LinkTest, NothingQueuedForAClosedSocketReachesAnyObject) {
    CountingSocket first;
    ASSERT_TRUE(first.Create(4700, SOCK_DGRAM, FD_READ, nullptr));
    ASSERT_TRUE(agent.Send(4700, 4700, {0x01}));
    Sleep(300);  // the datagram is there and its notification queued, not dispatched
    const SOCKET handle = first.m_hSocket;
    first.Close();
    CountingSocket second;
    ASSERT_TRUE(second.Create(4700, SOCK_DGRAM, FD_READ, nullptr));
    PumpFor(300);
    EXPECT_EQ(first.receives, 0);
    EXPECT_EQ(second.receives, 0) << "handle reused: " << (second.m_hSocket == handle);
    // The new socket works as usual.
    ASSERT_TRUE(agent.Send(4700, 4700, {0x02}));
    EXPECT_TRUE(PumpUntil([&] { return second.receives == 1; }, 3000));
}

}  // namespace
