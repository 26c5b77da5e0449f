// MDB frames in words, for the simulator's transcript.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace boxsim {

using Bytes = std::vector<std::uint8_t>;

// "12.34" for 1234 cents.
std::string Money(unsigned cents);

// A command of the VMC to the cashless reader, by the low three bits of byte 0.
std::string DescribeCommand(const Bytes& f);
// A response of the reader (byte 0 the reader's address 0x10).
std::string DescribeResponse(const Bytes& f);
// A control frame of the PC.
std::string DescribeControl(const Bytes& f);

}  // namespace boxsim
