#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <optional>

#include "RecordingSession.h"

namespace {

const Bytes kPoll = {0x12};
const Bytes kJustReset = {0x10, 0x00};
const Bytes kCancel = {0x10, 0x04};
const Bytes kEnd = {0x10, 0x07};
const Bytes kConfig = {0x10, 0x01, 0x02, 0x19, 0x78, 0x01, 0x02, 0x05, 0x0F};

Bytes VendRequest(std::uint8_t hi, std::uint8_t lo) { return {0x13, 0x00, hi, lo, 0x00, 0x0C}; }
Bytes Approved(std::uint8_t hi, std::uint8_t lo) { return {0x10, 0x05, hi, lo}; }

enum class Action { Frame, Reset, Insert, Remove };

struct Step {
    const char* what;
    Action action;
    Bytes frame;                   // for Action::Frame
    std::vector<Bytes> expectSent;  // exactly these, in order
    std::optional<std::string> credit;
    std::uint32_t funds;
    int enabled;
};

void Apply(RecordingSession& s, const Step& st) {
    switch (st.action) {
    case Action::Frame: s.Feed(st.frame); break;
    case Action::Reset: s.OnReset(); break;
    case Action::Insert: s.OnInsertCard(); break;
    case Action::Remove: s.OnRemoveCard(); break;
    }
}

void Replay(RecordingSession& s, const std::vector<Step>& steps) {
    for (size_t i = 0; i < steps.size(); ++i) {
        const Step& st = steps[i];
        SCOPED_TRACE(testing::Message() << "step " << i << ": " << st.what);
        Apply(s, st);
        EXPECT_EQ(s.TakeSent(), st.expectSent);
        if (st.credit) {
            EXPECT_EQ(s.m_strCredit, *st.credit);
        }
        EXPECT_EQ(s.m_nFunds, st.funds);
        EXPECT_EQ(s.m_bReaderEnabled, st.enabled);
    }
}

TEST(Session, TypicalExchange) {
    RecordingSession s;
    EXPECT_EQ(s.m_strCredit, "");
    EXPECT_EQ(s.m_nFunds, 0u);
    EXPECT_TRUE(s.m_bJustReset);
    const Bytes peripheralId = {0x10, 0x09, 'K', 'T', 'X', 'K', 'T', '-', '7', '7', '0', '0', '-', 'U', 0, 0, 0,
                                'M', 'D', 'B', ' ', 'S', 'L', 'A', 'V', 'E', 0, 0, 0, 0x01, 0x00};
    Bytes expansion = {0x17, 0x00};
    expansion.resize(31, 'x');
    Replay(s, {
        {"POLL", Action::Frame, kPoll, {kJustReset}, "Credit: 0.00", 1000, 0},
        {"SETUP CONFIG DATA", Action::Frame, {0x11, 0x00, 0x03, 0x10, 0x02, 0x00}, {kConfig}, "Credit: 0.00", 1000, 0},
        {"EXPANSION REQUEST ID", Action::Frame, expansion, {peripheralId}, "Credit: 0.00", 1000, 0},
        {"READER ENABLE", Action::Frame, {0x14, 0x01}, {}, "Credit: 0.00", 1000, 1},
        {"Insert card", Action::Insert, {}, {{0x10, 0x03, 0x03, 0xE8, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00}},
         "Credit: 10.00", 1000, 1},
        {"VEND REQUEST", Action::Frame, VendRequest(0x00, 0x96), {}, "Credit: 8.50", 850, 1},
        {"POLL", Action::Frame, kPoll, {Approved(0x00, 0x96)}, "Credit: 8.50", 850, 1},
        {"VEND SUCCESS", Action::Frame, {0x13, 0x02, 0x00, 0x0C}, {}, "Credit: 8.50", 850, 1},
        {"POLL", Action::Frame, kPoll, {kCancel}, "Credit: 8.50", 850, 1},
        {"SESSION COMPLETE", Action::Frame, {0x13, 0x04}, {}, "Credit: 8.50", 850, 1},
        {"POLL", Action::Frame, kPoll, {kEnd}, "Credit: 8.50", 850, 1},
        {"POLL", Action::Frame, kPoll, {}, "Credit: 8.50", 850, 1},
        {"Remove card", Action::Remove, {}, {kCancel}, "Credit: 0.00", 850, 1},
        {"Insert card", Action::Insert, {}, {{0x10, 0x03, 0x03, 0x52, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00}},
         "Credit: 8.50", 850, 1},
    });
}

TEST(Session, FirstPollShowsZeroThenLoadsTheCard) {
    RecordingSession s;
    s.Feed(kPoll);
    // The credit was shown before the funds were loaded.
    ASSERT_EQ(s.shownCredit, (std::vector<std::string>{"Credit: 0.00"}));
    EXPECT_EQ(s.m_nFunds, 1000u);
    s.TakeSent();
    s.Feed(kPoll);
    EXPECT_TRUE(s.TakeSent().empty());
}

TEST(Session, PendingRepliesGoOutInPriorityOrderWhateverTheirOrder) {
    // Every order in which the four later replies can become pending.
    const Bytes makers[] = {VendRequest(0x01, 0x2C), {0x13, 0x02}, {0x13, 0x06}, {0x13, 0x04}};
    int order[] = {0, 1, 2, 3};
    do {
        RecordingSession s;
        s.Feed(kPoll);  // JUST RESET out of the way
        s.TakeSent();
        for (int i : order) s.Feed(makers[i]);
        for (int i = 0; i < 5; ++i) s.Feed(kPoll);
        EXPECT_EQ(s.TakeSent(), (std::vector<Bytes>{Approved(0x01, 0x2C), kCancel, kCancel, kEnd}))
            << "order " << order[0] << order[1] << order[2] << order[3];
    } while (std::next_permutation(std::begin(order), std::end(order)));
}

TEST(Session, JustResetComesFirstAndDiscardsAnEarlierDeduction) {
    RecordingSession s;
    s.Feed(VendRequest(0x00, 0x96));
    EXPECT_EQ(s.m_nFunds, 0u - 150u);
    EXPECT_EQ(s.m_strCredit, "Credit: 42949671.46");
    s.Feed(kPoll);
    s.Feed(kPoll);
    EXPECT_EQ(s.TakeSent(), (std::vector<Bytes>{kJustReset, Approved(0x00, 0x96)}));
    EXPECT_EQ(s.m_nFunds, 1000u);
}

TEST(Session, FundsWrapAndAmountsAreUnsigned) {
    RecordingSession s;
    s.Feed(kPoll);
    s.TakeSent();
    // Two requests before a POLL: both prices come off, one approval with the second.
    s.Feed(VendRequest(0x03, 0x84));  // 900
    s.Feed(VendRequest(0x00, 0xFA));  // 250 -> 1000 - 1150 wraps
    EXPECT_EQ(s.m_nFunds, 0u - 150u);
    EXPECT_EQ(s.m_strCredit, "Credit: 42949671.46");
    s.Feed(kPoll);
    s.OnInsertCard();
    EXPECT_EQ(s.TakeSent(), (std::vector<Bytes>{Approved(0x00, 0xFA),
                                                 {0x10, 0x03, 0xFF, 0x6A, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0}}));
    // FF FF is 65535, never -1: the refund adds back 65535.
    s.Feed(VendRequest(0xFF, 0xFF));
    EXPECT_EQ(s.m_nItemPrice, 65535u);
    const std::uint32_t before = s.m_nFunds;
    s.Feed({0x13, 0x06, 0x00, 0x01});
    EXPECT_EQ(s.m_nFunds, before + 65535u);
    s.Feed({0x13, 0x06});  // the same price again: the frame's own bytes are not read
    EXPECT_EQ(s.m_nFunds, before + 2u * 65535u);
    char shown[32];
    std::snprintf(shown, sizeof shown, "Credit: %u.%02u", s.m_nFunds / 100, s.m_nFunds % 100);
    EXPECT_EQ(s.m_strCredit, shown);
}

TEST(Session, RefundBeforeAnyRequestAddsNothingButAsksToCancel) {
    RecordingSession s;
    s.Feed(kPoll);
    s.TakeSent();
    const int refreshes = s.refreshes;
    s.Feed({0x13, 0x06});
    EXPECT_EQ(s.m_nFunds, 1000u);
    EXPECT_EQ(s.m_strCredit, "Credit: 10.00");
    EXPECT_EQ(s.refreshes, refreshes + 1);
    s.Feed(kPoll);
    EXPECT_EQ(s.TakeSent(), (std::vector<Bytes>{kCancel}));
}

TEST(Session, CommandByteIsDecodedByItsLowThreeBits) {
    const Bytes polls[] = {{0x12}, {0x02}, {0x1A}, {0xFA}, {0x62}};
    for (size_t i = 0; i < std::size(polls); ++i) {
        RecordingSession s;
        s.Feed(polls[i]);
        EXPECT_EQ(s.TakeSent(), (std::vector<Bytes>{kJustReset})) << "case " << i;
    }
    for (const Bytes& setup : {Bytes{0x11, 0x00}, Bytes{0x01, 0x00}, Bytes{0xF9, 0x00, 1, 2, 3, 4}}) {
        RecordingSession s;
        s.Feed(setup);
        EXPECT_EQ(s.TakeSent(), (std::vector<Bytes>{kConfig}));
    }
}

// Frames that must neither answer nor change anything, now or at later POLLs.
TEST(Session, CommandsThatDoNothing) {
    const Bytes inert[] = {
        {0x10}, {0x10, 0x00, 0x12}, {0x15}, {0x15, 0x00, 0x01, 0x00}, {0x16}, {0x16, 0x00},
        {0x11, 0x01, 0x27, 0x10, 0x00, 0x05}, {0x11, 0xFF},
        {0x13, 0x01}, {0x13, 0x03}, {0x13, 0x05, 0x00, 0x64, 0x00, 0x01}, {0x13, 0x07}, {0x13, 0x80}, {0x13, 0xFF},
        {0x14, 0x02}, {0x14, 0xFF},
        {0x17, 0x01}, {0x17, 0x04, 0x00, 0x00, 0x00, 0x20}, {0x17, 0xFA},
        // Too short for what their command reads: dropped, never read past the count.
        {0x11}, {0x13}, {0x14}, {0x17}, {0x13, 0x00}, {0x13, 0x00, 0x05},
    };
    for (size_t i = 0; i < std::size(inert); ++i) {
        RecordingSession s, ref;
        s.Feed({0x14, 0x01});
        ref.Feed({0x14, 0x01});
        for (RecordingSession* x : {&s, &ref}) {
            x->Feed(VendRequest(0x00, 0x32));
            x->Feed({0x13, 0x02});
        }
        const std::string credit = s.m_strCredit;
        const int refreshes = s.refreshes;
        s.Feed(inert[i]);
        EXPECT_TRUE(s.TakeSent().empty()) << "case " << i;
        EXPECT_EQ(s.refreshes, refreshes) << "case " << i;
        EXPECT_EQ(s.m_strCredit, credit) << "case " << i;
        EXPECT_EQ(s.m_nFunds, ref.m_nFunds) << "case " << i;
        EXPECT_EQ(s.m_bReaderEnabled, 1) << "case " << i;
        for (int p = 0; p < 4; ++p) {
            s.Feed(kPoll);
            ref.Feed(kPoll);
        }
        EXPECT_EQ(s.TakeSent(), ref.TakeSent()) << "case " << i;
        EXPECT_EQ(s.m_nFunds, ref.m_nFunds) << "case " << i;
    }
}

TEST(Session, ImmediateRepliesLeavePendingOnesAlone) {
    RecordingSession s;
    s.Feed({0x11, 0x00});
    s.Feed({0x17, 0x00});
    s.OnReset();  // the card action does not clear a pending JUST RESET
    EXPECT_EQ(s.TakeSent().size(), 3u);
    EXPECT_TRUE(s.m_bJustReset);
    EXPECT_EQ(s.refreshes, 0);
    s.Feed(kPoll);
    EXPECT_EQ(s.TakeSent(), (std::vector<Bytes>{kJustReset}));
    EXPECT_EQ(s.m_nFunds, 1000u);
    // A RESET command does not make JUST RESET pending again.
    s.Feed({0x10});
    s.Feed(kPoll);
    EXPECT_TRUE(s.TakeSent().empty());
}

TEST(Session, CardActions) {
    RecordingSession s;
    s.OnInsertCard();  // before the first POLL: no funds yet
    EXPECT_EQ(s.TakeSent(), (std::vector<Bytes>{{0x10, 0x03, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0}}));
    EXPECT_EQ(s.m_strCredit, "Credit: 0.00");
    s.Feed(kPoll);
    s.Feed(VendRequest(0x00, 0x05));
    s.OnRemoveCard();
    s.OnRemoveCard();
    EXPECT_EQ(s.m_strCredit, "Credit: 0.00");
    EXPECT_EQ(s.m_nFunds, 995u);
    s.OnInsertCard();
    s.OnInsertCard();
    EXPECT_EQ(s.m_strCredit, "Credit: 9.95");
    const Bytes begin = {0x10, 0x03, 0x03, 0xE3, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0};
    EXPECT_EQ(s.TakeSent(), (std::vector<Bytes>{kJustReset, kCancel, kCancel, begin, begin}));
    // Pending replies are untouched by the card actions.
    s.Feed(kPoll);
    EXPECT_EQ(s.TakeSent(), (std::vector<Bytes>{Approved(0x00, 0x05)}));
}

TEST(Session, ReaderEnableIsShownButNeverConsulted) {
    RecordingSession s;
    s.Feed({0x14, 0x01});
    s.Feed({0x14, 0x00});
    EXPECT_EQ(s.shownEnabled, (std::vector<int>{1, 0}));
    s.Feed(kPoll);
    s.OnInsertCard();
    s.Feed(VendRequest(0x00, 0x64));
    s.Feed(kPoll);
    EXPECT_EQ(s.TakeSent().size(), 3u);
    EXPECT_EQ(s.m_nFunds, 900u);
    // Every refresh writes both controls from the members.
    EXPECT_EQ(s.shownEnabled.back(), 0);
}

TEST(Session, CreditFormat) {
    struct { std::uint32_t amount; const char* text; } cases[] = {
        {0, "Credit: 0.00"}, {5, "Credit: 0.05"}, {850, "Credit: 8.50"}, {1000, "Credit: 10.00"},
        {65535, "Credit: 655.35"}, {4294967295u, "Credit: 42949672.95"},
    };
    for (size_t i = 0; i < std::size(cases); ++i) {
        RecordingSession s;
        s.ShowCredit(cases[i].amount);
        EXPECT_EQ(s.m_strCredit, cases[i].text) << "case " << i;
        EXPECT_EQ(s.refreshes, 1) << "case " << i;
    }
}

}  // namespace
