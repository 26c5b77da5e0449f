// boxsim: plays the KT-7700 interface box, and a VMC behind it, towards
// MdbReader over the same UDP channels as the real box.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>
#include <string>

#include "Agent.h"

namespace {

const char kUsage[] =
    "usage: boxsim agent --address ADDR --peer ADDR [--control-port N] [--listen P,P,...]\n"
    "\n"
    "agent   remote-controlled box for tests: sends what it is told from the port it\n"
    "        is told, records every datagram that reaches its ports (see Agent.cpp)\n"
    "\n"
    "  --address ADDR      the box's own IPv4 address (its ports are bound there)\n"
    "  --peer ADDR         the PC's IPv4 address\n"
    "  --control-port N    where the agent takes requests (default 7700)\n"
    "  --listen P,P,...    ports recorded from the start (default 4001,4002)\n";

bool ParsePort(const char* s, int& out) {
    char* end = nullptr;
    const long v = std::strtol(s, &end, 10);
    if (!*s || *end || v < 0 || v > 65535) return false;
    out = static_cast<int>(v);
    return true;
}

int Usage(const char* error) {
    if (error) std::fprintf(stderr, "boxsim: %s\n\n", error);
    std::fputs(kUsage, error ? stderr : stdout);
    return error ? 2 : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage("no mode given");
    const std::string mode = argv[1];
    if (mode == "--help" || mode == "-h") return Usage(nullptr);
    if (mode != "agent") return Usage(("unknown mode '" + mode + "'").c_str());

    boxsim::AgentOptions o;
    o.listenPorts = {4001, 4002};
    for (int i = 2; i < argc; ++i) {
        const std::string opt = argv[i];
        if (opt == "--help") return Usage(nullptr);
        if (i + 1 >= argc) return Usage(("missing value for " + opt).c_str());
        const char* value = argv[++i];
        if (opt == "--address") {
            o.address = value;
        } else if (opt == "--peer") {
            o.peer = value;
        } else if (opt == "--control-port") {
            if (!ParsePort(value, o.controlPort)) return Usage("bad --control-port");
        } else if (opt == "--listen") {
            o.listenPorts.clear();
            std::stringstream ss(value);
            std::string item;
            while (std::getline(ss, item, ',')) {
                int p;
                if (!ParsePort(item.c_str(), p)) return Usage(("bad port in --listen: " + item).c_str());
                o.listenPorts.push_back(p);
            }
        } else {
            return Usage(("unknown option " + opt).c_str());
        }
    }
    if (o.address.empty() || o.peer.empty()) return Usage("--address and --peer are required");
    return boxsim::RunAgent(o);
}
