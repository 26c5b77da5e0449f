#include "Box.h"

#include <poll.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "Hex.h"
#include "Net.h"

namespace boxsim {

Box::~Box() {
    if (acq_ >= 0) close(acq_);
    if (ctrl_ >= 0) close(ctrl_);
}

bool Box::Open(const BoxOptions& o, std::string& error) {
    options_ = o;
    sockaddr_in peer;
    if (!MakeAddress(o.peer, o.commPort, peer)) {
        error = "bad PC address '" + o.peer + "' (dotted IPv4 expected)";
        return false;
    }
    peerAddr_ = peer.sin_addr.s_addr;
    sockaddr_in self;
    if (!MakeAddress(o.address, o.commPort, self)) {
        error = "bad box address '" + o.address + "' (dotted IPv4 expected)";
        return false;
    }
    for (auto [fd, port] : {std::pair<int*, int>{&acq_, o.commPort}, {&ctrl_, o.ctrlPort}}) {
        *fd = BindUdp(o.address, port);
        if (*fd < 0) {
            error = "cannot bind " + o.address + ":" + std::to_string(port) + ": " + std::strerror(errno) +
                    (errno == EADDRINUSE ? " (is another box or simulator running?)" : "");
            return false;
        }
    }
    return true;
}

std::int64_t Box::Send(const Bytes& frame) {
    sockaddr_in to;
    MakeAddress(options_.peer, options_.commPort, to);
    const std::int64_t t = NowUs();
    ::sendto(acq_, frame.data(), frame.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    return t;
}

bool Box::Next(Event& out, std::int64_t deadlineUs) {
    std::uint8_t buf[2048];
    for (;;) {
        if (!pending_.empty()) {
            out = pending_.front();
            pending_.pop_front();
            return true;
        }
        const std::int64_t wait = deadlineUs - NowUs();
        pollfd fds[2] = {{acq_, POLLIN, 0}, {ctrl_, POLLIN, 0}};
        const std::int64_t us = wait <= 0 ? 0 : wait;
        const timespec timeout = {static_cast<time_t>(us / 1000000), static_cast<long>(us % 1000000) * 1000};
        const int n = ::ppoll(fds, 2, &timeout, nullptr);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            if (NowUs() >= deadlineUs) return false;
            continue;
        }
        for (int i = 0; i < 2; ++i) {
            if (!(fds[i].revents & POLLIN)) continue;
            sockaddr_in from{};
            socklen_t len = sizeof from;
            const ssize_t got = ::recvfrom(fds[i].fd, buf, sizeof buf, 0, reinterpret_cast<sockaddr*>(&from), &len);
            const std::int64_t t = NowUs();
            if (got < 0 || from.sin_addr.s_addr != peerAddr_) continue;
            pending_.push_back({i == 0 ? Event::Acq : Event::Ctrl, Bytes(buf, buf + got), t});
        }
    }
}

Transcript::Transcript(bool quiet) : start_(NowUs()), quiet_(quiet) {}

std::string Transcript::Stamp(std::int64_t tUs) const {
    char t[32];
    std::snprintf(t, sizeof t, "%9.3f", static_cast<double>(tUs - start_) / 1e6);
    return t;
}

namespace {
// The bytes of a frame in a column of 32 characters.
std::string HexCell(const Bytes& f) {
    std::string hex = ToHex(f, " ");
    return hex.size() > 32 ? hex.substr(0, 29) + "..." : hex;
}
}  // namespace

void Transcript::Command(const Bytes& f, std::int64_t tUs) {
    if (quiet_) return;
    std::printf("%s  VMC -> reader  %-32s %s\n", Stamp(tUs).c_str(), HexCell(f).c_str(), DescribeCommand(f).c_str());
    std::fflush(stdout);
}

void Transcript::Response(const Bytes& f, std::int64_t tUs, std::int64_t latencyUs) {
    if (quiet_) return;
    std::string latency;
    if (latencyUs >= 0) {
        char t[64];
        std::snprintf(t, sizeof t, "  (%.2f ms%s)", static_cast<double>(latencyUs) / 1000.0,
                      latencyUs > kResponseTimeUs ? ", SLOWER THAN MDB'S 5 ms" : "");
        latency = t;
    } else {
        latency = "  (unasked)";
    }
    std::printf("%s  reader -> VMC  %-32s %s%s\n", Stamp(tUs).c_str(), HexCell(f).c_str(), DescribeResponse(f).c_str(),
                latency.c_str());
    std::fflush(stdout);
}

void Transcript::Control(const Bytes& f, std::int64_t tUs) {
    if (quiet_) return;
    std::printf("%s  PC control     %-32s %s\n", Stamp(tUs).c_str(), HexCell(f).c_str(), DescribeControl(f).c_str());
    std::fflush(stdout);
}

void Transcript::Note(const std::string& text) {
    if (quiet_) return;
    std::printf("%s  -- %s\n", Stamp(NowUs()).c_str(), text.c_str());
    std::fflush(stdout);
}

}  // namespace boxsim
