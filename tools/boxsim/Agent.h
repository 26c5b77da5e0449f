#pragma once

#include <string>
#include <vector>

namespace boxsim {

struct AgentOptions {
    std::string address;          // the box's own address, where its ports are bound
    std::string peer;             // the PC
    int controlPort = 7700;       // where the test's requests arrive
    std::vector<int> listenPorts; // recorded from the start
};

int RunAgent(const AgentOptions& options);

}  // namespace boxsim
