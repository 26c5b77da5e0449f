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
    int level = 3;        // the VMC's feature level in SETUP CONFIG DATA
    int resetAfterMs = 0; // like some VMCs: reset and run the set-up again this long after start
};

int RunVmc(Box& box, const VmcOptions& options);

}  // namespace boxsim
