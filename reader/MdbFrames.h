// MDB frames exchanged with the interface box: the VMC's commands to the
// cashless reader as the box forwards them, the reader's responses, and our
// two control frames. One frame is one UDP datagram, carried whole, with no
// checksum byte. Multi-byte numbers are unsigned and big-endian.
#pragma once

#include <cstddef>
#include <cstdint>

namespace mdb {

constexpr std::uint8_t kReaderAddress = 0x10;

// Only the three low bits of byte 0 select the command; the upper five hold
// the bus address and are not looked at.
enum Command : std::uint8_t {
    kCmdReset = 0,
    kCmdSetup = 1,
    kCmdPoll = 2,
    kCmdVend = 3,
    kCmdReader = 4,
    kCmdRevalue = 5,
    kCmdUnused6 = 6,
    kCmdExpansion = 7,
};

inline Command CommandOf(std::uint8_t byte0) { return static_cast<Command>(byte0 & 0x07); }

enum SetupSub : std::uint8_t { kSetupConfigData = 0x00, kSetupMaxMinPrices = 0x01 };

enum VendSub : std::uint8_t {
    kVendRequest = 0x00,
    kVendCancel = 0x01,
    kVendSuccess = 0x02,
    kVendFailure = 0x03,
    kVendSessionComplete = 0x04,
    kVendCashSale = 0x05,
    kVendNegativeRequest = 0x06,
};

enum ReaderSub : std::uint8_t { kReaderDisable = 0x00, kReaderEnable = 0x01, kReaderCancel = 0x02 };

enum ExpansionSub : std::uint8_t { kExpansionRequestId = 0x00 };

enum Response : std::uint8_t {
    kRespJustReset = 0x00,
    kRespReaderConfigData = 0x01,
    kRespBeginSession = 0x03,
    kRespSessionCancelRequest = 0x04,
    kRespVendApproved = 0x05,
    kRespEndSession = 0x07,
    kRespPeripheralId = 0x09,
};

// The longest frame we send is PERIPHERAL ID.
constexpr std::size_t kMaxResponseLength = 31;

// A response frame built on the stack: no allocation on the reply path.
struct Frame {
    std::uint8_t bytes[kMaxResponseLength];
    int length;
};

Frame JustReset();
Frame ReaderConfigData();
Frame BeginSession(std::uint32_t funds);       // low 16 bits of the funds
Frame SessionCancelRequest();
Frame VendApproved(std::uint32_t itemPrice);   // low 16 bits of the price
Frame EndSession();
Frame PeripheralId();

constexpr int kControlFrameLength = 3;
extern const std::uint8_t kOpeningControlFrame[kControlFrameLength];  // 07 03 12
extern const std::uint8_t kClosingControlFrame[kControlFrameLength];  // 07 03 00

// True when p[0..n) is exactly one of the seven response frames we can send,
// with every fixed byte in place.
bool IsResponseFrame(const std::uint8_t* p, int n);

}  // namespace mdb
