#pragma once

#include "Box.h"

namespace boxsim {

struct VmcOptions {
    int pollMs = 100;
    int price = 150;      // cents
    int item = 12;
    int thinkMs = 1500;   // from the card to the customer's choice
    int dispenseMs = 500; // from the approval to VEND SUCCESS
    int sessions = 0;     // stop after this many sessions (0: never)
    int seconds = 0;      // stop after this long (0: never)
    bool showPolls = false; // also the POLLs that draw no reply
};

int RunVmc(Box& box, const VmcOptions& options);

}  // namespace boxsim
