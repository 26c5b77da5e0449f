#include <gtest/gtest.h>

#include "MdbFrames.h"
#include "RecordingSession.h"

namespace {

Bytes B(const mdb::Frame& f) { return Bytes(f.bytes, f.bytes + f.length); }

TEST(Frames, FixedResponsesByteForByte) {
    EXPECT_EQ(B(mdb::JustReset()), (Bytes{0x10, 0x00}));
    EXPECT_EQ(B(mdb::ReaderConfigData()), (Bytes{0x10, 0x01, 0x02, 0x19, 0x78, 0x01, 0x02, 0x05, 0x0F}));
    EXPECT_EQ(B(mdb::SessionCancelRequest()), (Bytes{0x10, 0x04}));
    EXPECT_EQ(B(mdb::EndSession()), (Bytes{0x10, 0x07}));
    EXPECT_EQ(Bytes(mdb::kOpeningControlFrame, mdb::kOpeningControlFrame + 3), (Bytes{0x07, 0x03, 0x12}));
    EXPECT_EQ(Bytes(mdb::kClosingControlFrame, mdb::kClosingControlFrame + 3), (Bytes{0x07, 0x03, 0x00}));
}

TEST(Frames, PeripheralIdFieldsAreZeroFilled) {
    const Bytes id = B(mdb::PeripheralId());
    const Bytes expected = {0x10, 0x09, 'K', 'T', 'X',
                            'K', 'T', '-', '7', '7', '0', '0', '-', 'U', 0, 0, 0,
                            'M', 'D', 'B', ' ', 'S', 'L', 'A', 'V', 'E', 0, 0, 0,
                            0x01, 0x00};
    ASSERT_EQ(id.size(), 31u);
    EXPECT_EQ(id, expected);
}

TEST(Frames, AmountsGoOutAsTheirLow16Bits) {
    struct { std::uint32_t funds; Bytes bytes; } cases[] = {
        {1000, {0x10, 0x03, 0x03, 0xE8, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00}},
        {65536 + 1000, {0x10, 0x03, 0x03, 0xE8, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00}},
        {0, {0x10, 0x03, 0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00}},
        {0xFFFFFF6Au, {0x10, 0x03, 0xFF, 0x6A, 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00}},
    };
    for (size_t i = 0; i < std::size(cases); ++i)
        EXPECT_EQ(B(mdb::BeginSession(cases[i].funds)), cases[i].bytes) << "case " << i;
    EXPECT_EQ(B(mdb::VendApproved(150)), (Bytes{0x10, 0x05, 0x00, 0x96}));
    EXPECT_EQ(B(mdb::VendApproved(0x1FFFF)), (Bytes{0x10, 0x05, 0xFF, 0xFF}));
}

TEST(Frames, IsResponseFrameKnowsExactlyTheSeven) {
    for (const mdb::Frame& f : {mdb::JustReset(), mdb::ReaderConfigData(), mdb::BeginSession(123),
                                mdb::SessionCancelRequest(), mdb::VendApproved(9), mdb::EndSession(),
                                mdb::PeripheralId()})
        EXPECT_TRUE(mdb::IsResponseFrame(f.bytes, f.length)) << int(f.bytes[1]);
    const Bytes wrong[] = {{}, {0x10}, {0x11, 0x00}, {0x10, 0x02}, {0x10, 0x00, 0x00},
                           {0x10, 0x05, 0x00}, {0x10, 0x03, 0, 0, 0xFF, 0xFF, 0xFF, 0xFE, 0, 0, 0}};
    for (size_t i = 0; i < std::size(wrong); ++i)
        EXPECT_FALSE(mdb::IsResponseFrame(wrong[i].data(), int(wrong[i].size()))) << "case " << i;
}

}  // namespace
