// The link manager: dialling through the test dial-up DLL, real endpoints,
// real message boxes read off the screen.
#include "LinkFixture.h"

using namespace wintest;
using namespace settings;

namespace {

void ExpectOneErrorBox(const std::vector<SeenBox>& boxes, const std::string& text) {
    ASSERT_EQ(boxes.size(), 1u) << (boxes.empty() ? "no message" : boxes[1].text);
    EXPECT_EQ(boxes[0].text, text);
    EXPECT_EQ(boxes[0].caption, TestApp().m_strAppName);
    EXPECT_TRUE(boxes[0].errorIcon);
    EXPECT_EQ(boxes[0].buttons, 1);
}

// A socket of another program holding a port of the PC.
struct PortHolder {
    explicit PortHolder(int port) {
        s = socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in a = {};
        a.sin_family = AF_INET;
        a.sin_port = htons(static_cast<u_short>(port));
        ok = bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
    }
    ~PortHolder() { closesocket(s); }
    SOCKET s;
    bool ok;
};

TEST_F(LinkTest, ConnectDialsTheStoredNameThenOpensBothEndpoints) {
    SetText(kConnectionName, "Box over USB");
    SetFakeDial(0, 0x100000007ull);
    EXPECT_TRUE(Connect());
    EXPECT_TRUE(app.IsConnected());
    EXPECT_EQ(app.Connection(), 0x100000007ull);  // all 64 bits of the connection number
    ASSERT_NE(app.GetAcqSocket(), nullptr);
    ASSERT_NE(app.GetCtrlSocket(), nullptr);
    EXPECT_NE(app.GetAcqSocket(), app.GetCtrlSocket());
    EXPECT_EQ(FakeDialLog(), (std::vector<std::string>{
                                 "InternetDialA parent=0000000000000000 name=Box over USB flags=1 reserved=0 result=0"}));

    EXPECT_TRUE(app.Disconnect());
    EXPECT_FALSE(app.IsConnected());
    EXPECT_EQ(app.GetAcqSocket(), nullptr);
    EXPECT_EQ(app.GetCtrlSocket(), nullptr);
    ASSERT_EQ(FakeDialLog().size(), 2u);
    EXPECT_EQ(FakeDialLog()[1], "InternetHangUp connection=0x100000007 reserved=0 result=0");
    // Disconnecting again finds nothing to do.
    MessageBoxCatcher catcher;
    EXPECT_TRUE(app.Disconnect());
    EXPECT_TRUE(catcher.Seen().empty());
    EXPECT_EQ(FakeDialLog().size(), 2u);
}

TEST_F(LinkTest, DialFailureShowsTheDialsCodeAndLeavesNoLink) {
    SetFakeDial(633);
    SetText(kIPAddress, "this text would not resolve");
    std::vector<SeenBox> boxes;
    EXPECT_FALSE(Connect(&boxes));
    ExpectOneErrorBox(boxes, "Connect failed, Error: 633\r\nPlease make sure to use the correct connectionand check "
                             "the connection settings in windows control panel.");
    EXPECT_FALSE(app.IsConnected());
    EXPECT_EQ(app.Connection(), 0u);
    EXPECT_EQ(app.GetAcqSocket(), nullptr);
    EXPECT_EQ(app.GetCtrlSocket(), nullptr);
    MessageBoxCatcher catcher;
    EXPECT_TRUE(app.Disconnect());
    EXPECT_TRUE(catcher.Seen().empty());
    EXPECT_EQ(FakeDialLog().size(), 1u);  // no hang-up without a connection
}

// Each failure after the dial: its own message once, the link left as far
// as it got, nothing undone.
TEST_F(LinkTest, EveryFailureAfterTheDialLeavesTheLinkAsFarAsItGot) {
    enum Endpoint { None, NoSocket, Bound, Connected };
    struct Case {
        const char* what;
        std::function<void(LinkTest&)> arrange;
        std::string message;
        Endpoint acq, ctrl;
    };
    std::unique_ptr<PortHolder> holder;
    const Case cases[] = {
        {"acquisition endpoint not allocated", [](LinkTest& t) { t.app.m_nFailAllocation = 0; },
         "Memory allocation, Error: 8\r\n", None, None},
        {"acquisition create", [&](LinkTest&) { holder.reset(new PortHolder(4002)); },
         "Create aquisition socket failed, Error: 10048\r\n", NoSocket, None},
        {"acquisition connect", [](LinkTest& t) { t.SetText(kIPAddress, "no-such-box.invalid"); },
         "Connect to aquisition socket failed, Error: 10022\r\n", Bound, None},
        {"control endpoint not allocated", [](LinkTest& t) { t.app.m_nFailAllocation = 1; },
         "Memory allocation, Error: 8\r\n", Connected, None},
        {"control create (equal ports)", [](LinkTest& t) { t.SetInt(kPortControl, 4002); },
         "Create control socket failed, Error: 10048\r\n", Connected, NoSocket},
        {"control create (port held)", [&](LinkTest&) { holder.reset(new PortHolder(4001)); },
         "Create control socket failed, Error: 10048\r\n", Connected, NoSocket},
        // The test bed's PC has no route for UDP to this port (see scripts/lib.sh).
        {"control connect (no route to the port)", [](LinkTest& t) { t.SetInt(kPortControl, 4999); },
         "Connect to control socket failed, Error: 10051\r\n", Connected, Bound},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        const Case& c = cases[i];
        SCOPED_TRACE(testing::Message() << "case " << i << ": " << c.what);
        TearDown();
        SetUp();
        c.arrange(*this);
        std::vector<SeenBox> boxes;
        EXPECT_FALSE(Connect(&boxes));
        ExpectOneErrorBox(boxes, c.message);
        EXPECT_TRUE(app.IsConnected());
        auto check = [&](CLinkSocket* s, Endpoint want, int port) {
            if (want == None) {
                EXPECT_EQ(s, nullptr);
                return;
            }
            ASSERT_NE(s, nullptr);
            EXPECT_EQ(s->m_hSocket != INVALID_SOCKET, want != NoSocket);
            if (want == Bound) {
                EXPECT_EQ(s->Send("x", 1, 0), SOCKET_ERROR);
            }
            if (want == Connected) {
                EXPECT_EQ(s->Send("\x10\x00", 2, 0), 2);
                EXPECT_EQ(agent.Received(port, 1, 2000).size(), 1u);
            }
        };
        check(app.GetAcqSocket(), c.acq, 4002);
        check(app.GetCtrlSocket(), c.ctrl, 4001);
        if (c.acq == Bound) {
            // Still bound to its port: nobody else can have it.
            PortHolder other(4002);
            EXPECT_FALSE(other.ok);
        }
        holder.reset();
        // Disconnect frees what was made and hangs up.
        MessageBoxCatcher catcher;
        EXPECT_TRUE(app.Disconnect());
        EXPECT_TRUE(catcher.Seen().empty());
        EXPECT_EQ(app.GetAcqSocket(), nullptr);
        EXPECT_EQ(app.GetCtrlSocket(), nullptr);
        EXPECT_FALSE(app.IsConnected());
        ASSERT_EQ(FakeDialLog().size(), 2u);
    }
}

TEST_F(LinkTest, WithoutTheSocketLayerTheDialStillHappensAndTheFirstCreateFails) {
    int started = 0;
    while (WSACleanup() == 0) ++started;
    std::vector<SeenBox> boxes;
    EXPECT_FALSE(Connect(&boxes));
    for (int i = 0; i < started; ++i) {
        WSADATA d;
        WSAStartup(MAKEWORD(1, 1), &d);
    }
    ExpectOneErrorBox(boxes, "Create aquisition socket failed, Error: 10093\r\n");
    EXPECT_TRUE(app.IsConnected());
    ASSERT_EQ(FakeDialLog().size(), 1u);
    ASSERT_NE(app.GetAcqSocket(), nullptr);
    EXPECT_EQ(app.GetAcqSocket()->m_hSocket, INVALID_SOCKET);
    EXPECT_EQ(app.GetCtrlSocket(), nullptr);
}

TEST_F(LinkTest, AFailedHangUpIsShownOnceAfterTheEndpointsAreFreed) {
    ASSERT_TRUE(Connect());
    SetFakeDial(0, 0x100000007ull, 668);
    {
        MessageBoxCatcher catcher;
        EXPECT_FALSE(app.Disconnect());
        ExpectOneErrorBox(catcher.Seen(), "Hang up failed, Error: 668\r\nProbably still connected.");
    }
    EXPECT_EQ(app.GetAcqSocket(), nullptr);
    EXPECT_EQ(app.GetCtrlSocket(), nullptr);
    EXPECT_TRUE(app.IsConnected());
    EXPECT_EQ(app.Connection(), 0x100000007ull);
    // The ports are free again: the endpoints really are closed.
    PortHolder a(4002), c(4001);
    EXPECT_TRUE(a.ok);
    EXPECT_TRUE(c.ok);
}

TEST_F(LinkTest, ConnectReadsTheAddressAndPortsFromTheSettings) {
    SetInt(kPortCommunication, 4012);
    SetInt(kPortControl, 4011);
    ASSERT_TRUE(agent.Listen(4012));
    ASSERT_TRUE(agent.Listen(4011));
    ASSERT_TRUE(Connect());
    const auto [acq, ctrl] = SendThroughBoth(4012, 4011);
    ASSERT_EQ(acq.size(), 1u);
    ASSERT_EQ(ctrl.size(), 1u);
    EXPECT_EQ(acq[0].from, agent.pcIp + ":4012");
    EXPECT_EQ(ctrl[0].from, agent.pcIp + ":4011");
    ASSERT_TRUE(agent.Send(4012, 4012, {0x12}));
    EXPECT_TRUE(PumpUntilFrames(1));
}

}  // namespace
