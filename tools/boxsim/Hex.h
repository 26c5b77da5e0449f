#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace boxsim {

// "10 05 00 96", "10050096" and "10-05" all read as the same four bytes.
inline bool ParseHex(const std::string& text, std::vector<std::uint8_t>& out) {
    out.clear();
    int high = -1;
    for (char c : text) {
        int v;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else if (c == ' ' || c == '-' || c == ':' || c == '\t') {
            if (high >= 0) return false;  // a lone digit
            continue;
        } else return false;
        if (high < 0) {
            high = v;
        } else {
            out.push_back(static_cast<std::uint8_t>(high << 4 | v));
            high = -1;
        }
    }
    return high < 0;
}

inline std::string ToHex(const std::vector<std::uint8_t>& bytes, const char* sep = "") {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    for (size_t i = 0; i < bytes.size(); ++i) {
        if (i && *sep) s += sep;
        s += digits[bytes[i] >> 4];
        s += digits[bytes[i] & 15];
    }
    return s;
}

}  // namespace boxsim
