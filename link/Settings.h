// The five stored settings of the link: registry value names and defaults,
// all in the section "Settings" of the application's profile key. A default
// is never stored; every read passes its own.
#pragma once

namespace settings {

constexpr const char* kMakerKey = "Corvane";
constexpr const char* kSection = "Settings";

constexpr const char* kConnectionName = "ConnectionName";
constexpr const char* kDefaultConnectionName = "KT-7700";

constexpr const char* kIPAddress = "IPAddress";
constexpr const char* kDefaultIPAddress = "192.168.1.1";

constexpr const char* kPortCommunication = "PortCommunication";
constexpr int kDefaultPortCommunication = 4002;

constexpr const char* kPortControl = "PortControl";
constexpr int kDefaultPortControl = 4001;

// Connect at start-up. Nothing stored means: connect.
constexpr const char* kAutoConnect = "AutoConnect";
constexpr int kDefaultAutoConnect = 1;

}  // namespace settings
