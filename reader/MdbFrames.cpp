#include "MdbFrames.h"

#include <cstring>
#include <initializer_list>

namespace mdb {

namespace {

Frame Make(std::initializer_list<std::uint8_t> bytes) {
    Frame f{};
    f.length = 0;
    for (std::uint8_t b : bytes) f.bytes[f.length++] = b;
    return f;
}

std::uint8_t High(std::uint32_t v) { return static_cast<std::uint8_t>((v >> 8) & 0xFF); }
std::uint8_t Low(std::uint32_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

// Feature level 2; currency 1978 (packed BCD: ISO 4217 978, the euro); scale
// factor 1 with two decimals, so every amount is a count of cents; five
// seconds maximum response time; option bits 0 to 3.
const std::uint8_t kReaderConfig[] = {0x10, 0x01, 0x02, 0x19, 0x78, 0x01, 0x02, 0x05, 0x0F};

// Manufacturer "KTX", serial "KT-7700-U" and model "MDB SLAVE", each 12-byte
// field zero-filled (not space-padded), software version 01 00.
const std::uint8_t kPeripheralId[31] = {
    0x10, 0x09,
    'K', 'T', 'X',
    'K', 'T', '-', '7', '7', '0', '0', '-', 'U', 0, 0, 0,
    'M', 'D', 'B', ' ', 'S', 'L', 'A', 'V', 'E', 0, 0, 0,
    0x01, 0x00,
};

}  // namespace

const std::uint8_t kOpeningControlFrame[kControlFrameLength] = {0x07, 0x03, 0x12};
const std::uint8_t kClosingControlFrame[kControlFrameLength] = {0x07, 0x03, 0x00};

Frame JustReset() { return Make({kReaderAddress, kRespJustReset}); }

Frame ReaderConfigData() {
    Frame f{};
    std::memcpy(f.bytes, kReaderConfig, sizeof kReaderConfig);
    f.length = sizeof kReaderConfig;
    return f;
}

Frame BeginSession(std::uint32_t funds) {
    return Make({kReaderAddress, kRespBeginSession, High(funds), Low(funds),
                 0xFF, 0xFF, 0xFF, 0xFF, 0x00, 0x00, 0x00});
}

Frame SessionCancelRequest() { return Make({kReaderAddress, kRespSessionCancelRequest}); }

Frame VendApproved(std::uint32_t itemPrice) {
    return Make({kReaderAddress, kRespVendApproved, High(itemPrice), Low(itemPrice)});
}

Frame EndSession() { return Make({kReaderAddress, kRespEndSession}); }

Frame PeripheralId() {
    Frame f{};
    std::memcpy(f.bytes, kPeripheralId, sizeof kPeripheralId);
    f.length = sizeof kPeripheralId;
    return f;
}

bool IsResponseFrame(const std::uint8_t* p, int n) {
    if (n < 2 || p[0] != kReaderAddress) return false;
    auto same = [&](const Frame& f) { return n == f.length && std::memcmp(p, f.bytes, n) == 0; };
    switch (p[1]) {
    case kRespJustReset: return same(JustReset());
    case kRespReaderConfigData: return same(ReaderConfigData());
    case kRespSessionCancelRequest: return same(SessionCancelRequest());
    case kRespEndSession: return same(EndSession());
    case kRespPeripheralId: return same(PeripheralId());
    case kRespVendApproved: return n == 4;
    case kRespBeginSession: return n == 11 && same(BeginSession(p[2] << 8 | p[3]));
    default: return false;
    }
}

}  // namespace mdb
