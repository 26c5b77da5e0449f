#include "Decode.h"

#include <cstdio>

namespace boxsim {

namespace {

unsigned Word(const Bytes& f, size_t at) { return f.size() >= at + 2 ? (f[at] << 8 | f[at + 1]) : 0; }

std::string Text(const Bytes& f, size_t at, size_t n) {
    std::string s;
    for (size_t i = at; i < at + n && i < f.size(); ++i) {
        const unsigned char c = f[i];
        if (c == 0) break;
        s += (c >= 0x20 && c < 0x7F) ? static_cast<char>(c) : '?';
    }
    return s;
}

std::string Sub(const Bytes& f) {
    char t[16];
    std::snprintf(t, sizeof t, "%02X", f.size() > 1 ? f[1] : 0);
    return t;
}

}  // namespace

std::string Money(unsigned cents) {
    char t[32];
    std::snprintf(t, sizeof t, "%u.%02u", cents / 100, cents % 100);
    return t;
}

std::string DescribeCommand(const Bytes& f) {
    if (f.empty()) return "(empty datagram)";
    const bool hasSub = f.size() >= 2;
    switch (f[0] & 7) {
    case 0: return "RESET";
    case 1:
        if (!hasSub) return "SETUP (no subcommand)";
        if (f[1] == 0 && f.size() >= 6) {
            char t[128];
            std::snprintf(t, sizeof t, "SETUP CONFIG DATA: VMC level %u, display %ux%u", f[2], f[3], f[4]);
            return t;
        }
        if (f[1] == 0) return "SETUP CONFIG DATA";
        if (f[1] == 1) return "SETUP MAX/MIN PRICES: max " + Money(Word(f, 2)) + ", min " + Money(Word(f, 4));
        return "SETUP subcommand " + Sub(f);
    case 2: return "POLL";
    case 3:
        if (!hasSub) return "VEND (no subcommand)";
        switch (f[1]) {
        case 0: return "VEND REQUEST: price " + Money(Word(f, 2)) + ", item " + std::to_string(Word(f, 4));
        case 1: return "VEND CANCEL";
        case 2: return "VEND SUCCESS: item " + std::to_string(Word(f, 2));
        case 3: return "VEND FAILURE";
        case 4: return "SESSION COMPLETE";
        case 5: return "CASH SALE: price " + Money(Word(f, 2)) + ", item " + std::to_string(Word(f, 4));
        case 6: return "NEGATIVE VEND REQUEST: price " + Money(Word(f, 2));
        default: return "VEND subcommand " + Sub(f);
        }
    case 4:
        if (!hasSub) return "READER (no subcommand)";
        if (f[1] == 0) return "READER DISABLE";
        if (f[1] == 1) return "READER ENABLE";
        if (f[1] == 2) return "READER CANCEL";
        return "READER subcommand " + Sub(f);
    case 5: return "REVALUE";
    case 6: return "command 6";
    default:
        if (!hasSub) return "EXPANSION (no subcommand)";
        if (f[1] == 0) return "EXPANSION REQUEST ID: maker '" + Text(f, 2, 3) + "', model '" + Text(f, 17, 12) + "'";
        return "EXPANSION subcommand " + Sub(f);
    }
}

std::string DescribeResponse(const Bytes& f) {
    if (f.empty()) return "(empty datagram)";
    if (f[0] != 0x10 || f.size() < 2) return "not a reader response";
    char t[160];
    switch (f[1]) {
    case 0x00: return f.size() == 2 ? "JUST RESET" : "JUST RESET (wrong length)";
    case 0x01:
        if (f.size() != 9) return "READER CONFIG DATA (wrong length)";
        std::snprintf(t, sizeof t, "READER CONFIG DATA: level %u, currency %02X%02X, scale %u, %u decimals, %u s, options %02X",
                      f[2], f[3], f[4], f[5], f[6], f[7], f[8]);
        return t;
    case 0x03:
        if (f.size() != 11) return "BEGIN SESSION (wrong length)";
        return "BEGIN SESSION: funds " + Money(Word(f, 2));
    case 0x04: return "SESSION CANCEL REQUEST";
    case 0x05: return f.size() == 4 ? "VEND APPROVED: " + Money(Word(f, 2)) : "VEND APPROVED (wrong length)";
    case 0x06: return "VEND DENIED";
    case 0x07: return "END SESSION";
    case 0x09:
        if (f.size() != 31) return "PERIPHERAL ID (wrong length)";
        std::snprintf(t, sizeof t, "PERIPHERAL ID: maker '%s', serial '%s', model '%s', version %02X%02X",
                      Text(f, 2, 3).c_str(), Text(f, 5, 12).c_str(), Text(f, 17, 12).c_str(), f[29], f[30]);
        return t;
    default: return "response " + Sub(f);
    }
}

std::string DescribeControl(const Bytes& f) {
    if (f == Bytes{0x07, 0x03, 0x12}) return "the reader's window opened";
    if (f == Bytes{0x07, 0x03, 0x00}) return "the reader's window closed";
    return "unknown control frame";
}

}  // namespace boxsim
