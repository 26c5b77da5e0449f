#pragma once

#include <string>

#include "Box.h"

namespace boxsim {

struct BenchOptions {
    std::string kind = "config";  // config: SETUP CONFIG DATA; vend: VEND REQUEST then POLL
    int count = 10000;
    int rate = 0;                 // commands a second; 0: one at a time, each after its reply
    int timeoutMs = 100;          // a reply later than this counts as lost
    int warmup = 200;
    int gapUs = 0;                // vend: time between VEND REQUEST and POLL
};

int RunBench(Box& box, const BenchOptions& options);

}  // namespace boxsim
