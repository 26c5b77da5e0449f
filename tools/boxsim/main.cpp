// boxsim: plays the KT-7700 interface box, and a VMC behind it, towards
// MdbReader over the same UDP channels as the real box.
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <map>
#include <sstream>
#include <string>

#include "Agent.h"
#include "Bench.h"
#include "Box.h"
#include "Script.h"
#include "Vmc.h"

namespace {

const char kUsage[] =
    "usage: boxsim [vmc] --peer ADDR [options]      a vending machine behind the box (default)\n"
    "       boxsim script FILE --peer ADDR [options]  a scenario from a file; exit 0 pass, 1 fail, 2 bad script\n"
    "       boxsim bench --peer ADDR [options]        round-trip latency and throughput of the reader\n"
    "       boxsim agent --address ADDR --peer ADDR   remote-controlled box for tests\n"
    "\n"
    "The box's channels (all modes but agent):\n"
    "  --peer ADDR         IPv4 address of the PC running MdbReader (required)\n"
    "  --address ADDR      the box's own IPv4 address to bind (default 0.0.0.0)\n"
    "  --comm-port N       acquisition port, the same at both ends (default 4002)\n"
    "  --ctrl-port N       control port, the same at both ends (default 4001)\n"
    "\n"
    "vmc: resets the reader, polls it, runs SETUP CONFIG DATA and EXPANSION REQUEST ID\n"
    "and checks the replies, enables the reader; after \"Insert card\" the customer buys\n"
    "an item: VEND REQUEST, VEND SUCCESS after the approval, SESSION COMPLETE after the\n"
    "reader's cancel request. Every frame is printed with its meaning and the reader's\n"
    "reply latency; replies slower than MDB's 5 ms are flagged.\n"
    "  --poll-ms N         POLL interval (default 100)\n"
    "  --price CENTS       price of the item (default 150)\n"
    "  --item N            item number (default 12)\n"
    "  --think-ms N        from the card to VEND REQUEST (default 1500)\n"
    "  --dispense-ms N     from VEND APPROVED to VEND SUCCESS (default 500)\n"
    "  --sessions N        end after N sessions (default: run until stopped)\n"
    "  --seconds N         end after N seconds (default: run until stopped)\n"
    "  --show-polls        print every POLL, also those that draw no reply\n"
    "  --vmc-level N       the VMC's feature level in SETUP CONFIG DATA, 1 to 3 (default 3)\n"
    "  --reset-after-ms N  reset the reader again and repeat the set-up N ms after the\n"
    "                      start, as some VMCs do (default: never)\n"
    "\n"
    "script: steps one a line: send HEX | expect HEX [within MS] | expect none [within MS]\n"
    "| expect-control HEX [within MS] | wait MS | mark NAME; '#' starts a comment.\n"
    "  --mark-dir DIR      where 'mark NAME' creates the file NAME\n"
    "  --quiet             no transcript, only the verdict\n"
    "\n"
    "bench: commands that always draw a reply, one at a time or at a fixed rate.\n"
    "  --kind config|vend  SETUP CONFIG DATA, or VEND REQUEST followed by POLL (default config)\n"
    "  --count N           commands to measure (default 10000)\n"
    "  --rate N            commands a second, sent on a schedule (default: one at a time)\n"
    "  --timeout-ms N      a reply later than this is lost (default 100)\n"
    "  --warmup N          commands before measuring (default 200)\n"
    "  --gap-us N          vend: microseconds between VEND REQUEST and POLL (default 0;\n"
    "                      on a 9600 baud bus at least about 3400)\n"
    "\n"
    "agent: see tools/boxsim/Agent.cpp (--control-port N, --listen P,P,...).\n";

int Usage(const std::string& error) {
    if (!error.empty()) {
        std::fprintf(stderr, "boxsim: %s\n(boxsim --help explains every option)\n", error.c_str());
        return 2;
    }
    std::fputs(kUsage, stdout);
    return 0;
}

bool ParseInt(const std::string& s, int lo, int hi, int& out) {
    char* end = nullptr;
    const long v = std::strtol(s.c_str(), &end, 10);
    if (s.empty() || *end || v < lo || v > hi) return false;
    out = static_cast<int>(v);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    int first = 1;
    std::string mode = "vmc";
    if (argc > 1 && argv[1][0] != '-') {
        mode = argv[1];
        first = 2;
    }
    if (mode != "vmc" && mode != "script" && mode != "bench" && mode != "agent")
        return Usage("unknown mode '" + mode + "'");

    boxsim::BoxOptions box;
    boxsim::VmcOptions vmc;
    boxsim::ScriptOptions script;
    boxsim::BenchOptions bench;
    boxsim::AgentOptions agent;
    agent.listenPorts = {4001, 4002};

    using Setter = std::function<bool(const std::string&)>;
    auto number = [](int& into, int lo, int hi) { return Setter([&into, lo, hi](const std::string& v) { return ParseInt(v, lo, hi, into); }); };
    auto text = [](std::string& into) { return Setter([&into](const std::string& v) { into = v; return true; }); };
    std::map<std::string, Setter> options = {
        {"--peer", Setter([&](const std::string& v) { box.peer = agent.peer = v; return true; })},
        {"--address", Setter([&](const std::string& v) { box.address = agent.address = v; return true; })},
        {"--comm-port", number(box.commPort, 1, 65535)},
        {"--ctrl-port", number(box.ctrlPort, 1, 65535)},
        {"--poll-ms", number(vmc.pollMs, 5, 60000)},
        {"--price", number(vmc.price, 0, 65535)},
        {"--item", number(vmc.item, 0, 65535)},
        {"--think-ms", number(vmc.thinkMs, 0, 600000)},
        {"--dispense-ms", number(vmc.dispenseMs, 0, 600000)},
        {"--sessions", number(vmc.sessions, 0, 1000000)},
        {"--seconds", number(vmc.seconds, 0, 86400 * 365)},
        {"--vmc-level", number(vmc.level, 1, 3)},
        {"--reset-after-ms", number(vmc.resetAfterMs, 0, 86400000)},
        {"--mark-dir", text(script.markDir)},
        {"--kind", text(bench.kind)},
        {"--count", number(bench.count, 1, 100000000)},
        {"--rate", number(bench.rate, 0, 1000000)},
        {"--timeout-ms", number(bench.timeoutMs, 1, 60000)},
        {"--warmup", number(bench.warmup, 0, 1000000)},
        {"--gap-us", number(bench.gapUs, 0, 1000000)},
        {"--control-port", number(agent.controlPort, 1, 65535)},
        {"--listen", Setter([&](const std::string& v) {
             agent.listenPorts.clear();
             std::stringstream ss(v);
             std::string item;
             int p;
             while (std::getline(ss, item, ','))
                 if (ParseInt(item, 1, 65535, p)) agent.listenPorts.push_back(p);
                 else return false;
             return true;
         })},
    };

    for (int i = first; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") return Usage("");
        if (arg == "--quiet") {
            script.quiet = true;
            continue;
        }
        if (arg == "--show-polls") {
            vmc.showPolls = true;
            continue;
        }
        if (arg[0] != '-') {
            if (mode != "script" || !script.path.empty()) return Usage("unexpected argument '" + arg + "'");
            script.path = arg;
            continue;
        }
        auto it = options.find(arg);
        if (it == options.end()) return Usage("unknown option " + arg);
        if (i + 1 >= argc) return Usage("missing value for " + arg);
        if (!it->second(argv[++i])) return Usage("bad value '" + std::string(argv[i]) + "' for " + arg);
    }
    if (box.peer.empty()) return Usage("--peer ADDR (the PC running MdbReader) is required");

    if (mode == "agent") {
        if (agent.address.empty() || box.address == "0.0.0.0") return Usage("agent needs --address");
        return boxsim::RunAgent(agent);
    }
    if (mode == "script" && script.path.empty()) return Usage("script needs a FILE");

    boxsim::Box channels;
    std::string error;
    if (!channels.Open(box, error)) {
        std::fprintf(stderr, "boxsim: %s\n", error.c_str());
        return 2;
    }
    if (mode == "script") return boxsim::RunScript(channels, script);
    if (mode == "bench") return boxsim::RunBench(channels, bench);
    return boxsim::RunVmc(channels, vmc);
}
