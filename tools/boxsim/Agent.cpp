// Agent mode: the box side of the two-host test bed, remote-controlled by a
// test on the PC side. It sends the datagrams it is told to, from the port
// (and address) it is told to, and records with timestamps every datagram
// that reaches one of its ports.
//
// Requests, one per UDP datagram to the agent's control port; one reply each:
//   SEND <srcport> <dstport> <hex>|- [<srcaddr>]   -> OK | ERR <why>
//   CLEAR                                          -> OK   (forgets the records)
//   LISTEN <port>                                  -> OK | ERR <why>  (records that port too)
//   WAIT <port> <count> <timeout-ms>               -> GOT <n>, then one line per
//        datagram recorded on that port: <t-us> <from-addr>:<from-port> <hex>|-
//        (answers as soon as <count> are there, or at the time-out)
#include "Agent.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "Hex.h"
#include "Net.h"

namespace boxsim {

namespace {

struct Record {
    std::int64_t tUs;
    std::string from;
    std::vector<std::uint8_t> bytes;
};

struct Waiter {
    sockaddr_in client;
    int port;
    size_t count;
    std::int64_t deadlineUs;
};

class Agent {
public:
    explicit Agent(const AgentOptions& o) : opt_(o) {}

    int Run() {
        control_ = BindUdp(opt_.address, opt_.controlPort);
        if (control_ < 0) return Fail("control port", opt_.controlPort);
        for (int port : opt_.listenPorts)
            if (Socket(opt_.address, port) < 0) return Fail("port", port);
        std::fprintf(stderr, "boxsim agent: %s, control port %d, peer %s\n", opt_.address.c_str(), opt_.controlPort,
                     opt_.peer.c_str());
        std::vector<std::uint8_t> buf(65536);
        for (;;) {
            std::vector<pollfd> fds{{control_, POLLIN, 0}};
            for (auto& s : sockets_) fds.push_back({s.second, POLLIN, 0});
            if (::poll(fds.data(), fds.size(), NextTimeoutMs()) < 0 && errno != EINTR) return 1;
            for (const pollfd& p : fds) {
                if (!(p.revents & POLLIN)) continue;
                sockaddr_in from{};
                socklen_t len = sizeof from;
                const ssize_t n = ::recvfrom(p.fd, buf.data(), buf.size(), 0, reinterpret_cast<sockaddr*>(&from), &len);
                if (n < 0) continue;
                if (p.fd == control_)
                    OnRequest(std::string(buf.begin(), buf.begin() + n), from);
                else
                    OnDatagram(p.fd, buf.data(), static_cast<size_t>(n), from);
            }
            AnswerWaiters();
        }
    }

private:
    int Fail(const char* what, int port) {
        std::fprintf(stderr, "boxsim agent: cannot bind %s %s:%d: %s\n", what, opt_.address.c_str(), port,
                     std::strerror(errno));
        return 2;
    }

    // The socket bound to addr:port, made on first use.
    int Socket(const std::string& addr, int port) {
        const std::string key = addr + ":" + std::to_string(port);
        auto it = sockets_.find(key);
        if (it != sockets_.end()) return it->second;
        const int fd = BindUdp(addr, port);
        if (fd >= 0) {
            sockets_[key] = fd;
            portOf_[fd] = port;
        }
        return fd;
    }

    void OnDatagram(int fd, const std::uint8_t* p, size_t n, const sockaddr_in& from) {
        records_[portOf_[fd]].push_back({NowUs(), ToString(from), std::vector<std::uint8_t>(p, p + n)});
    }

    void Reply(const sockaddr_in& to, const std::string& text) {
        ::sendto(control_, text.data(), text.size(), 0, reinterpret_cast<const sockaddr*>(&to), sizeof to);
    }

    void OnRequest(const std::string& request, const sockaddr_in& client) {
        std::istringstream in(request);
        std::string verb;
        in >> verb;
        if (verb == "CLEAR") {
            records_.clear();
            Reply(client, "OK");
        } else if (verb == "LISTEN") {
            int port = -1;
            in >> port;
            if (in.fail() || Socket(opt_.address, port) < 0) return Reply(client, "ERR cannot listen");
            Reply(client, "OK");
        } else if (verb == "SEND") {
            int src = 0, dst = 0;
            std::string hex, srcAddr;
            in >> src >> dst >> hex;
            if (in.fail()) return Reply(client, "ERR bad SEND");
            in >> srcAddr;  // optional
            std::vector<std::uint8_t> bytes;
            if (hex != "-" && !ParseHex(hex, bytes)) return Reply(client, "ERR bad hex");
            const int fd = Socket(srcAddr.empty() ? opt_.address : srcAddr, src);
            if (fd < 0) return Reply(client, std::string("ERR bind: ") + std::strerror(errno));
            sockaddr_in to{};
            if (!MakeAddress(opt_.peer, dst, to)) return Reply(client, "ERR bad peer");
            const ssize_t sent = ::sendto(fd, bytes.data(), bytes.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
            Reply(client, sent == static_cast<ssize_t>(bytes.size()) ? "OK" : std::string("ERR send: ") + std::strerror(errno));
        } else if (verb == "WAIT") {
            Waiter w{client, 0, 0, 0};
            long timeoutMs = 0;
            in >> w.port >> w.count >> timeoutMs;
            if (in.fail()) return Reply(client, "ERR bad WAIT");
            w.deadlineUs = NowUs() + timeoutMs * 1000;
            waiters_.push_back(w);
            AnswerWaiters();
        } else {
            Reply(client, "ERR unknown request");
        }
    }

    void AnswerWaiters() {
        const std::int64_t now = NowUs();
        for (size_t i = 0; i < waiters_.size();) {
            const Waiter& w = waiters_[i];
            const std::vector<Record>& got = records_[w.port];
            if (got.size() >= w.count || now >= w.deadlineUs) {
                std::string text = "GOT " + std::to_string(got.size()) + "\n";
                for (const Record& r : got)
                    text += std::to_string(r.tUs) + " " + r.from + " " + (r.bytes.empty() ? "-" : ToHex(r.bytes)) + "\n";
                Reply(w.client, text);
                waiters_.erase(waiters_.begin() + static_cast<long>(i));
            } else {
                ++i;
            }
        }
    }

    int NextTimeoutMs() const {
        if (waiters_.empty()) return -1;
        std::int64_t next = waiters_.front().deadlineUs;
        for (const Waiter& w : waiters_) next = std::min(next, w.deadlineUs);
        const std::int64_t ms = (next - NowUs() + 999) / 1000;
        return ms < 0 ? 0 : static_cast<int>(ms);
    }

    AgentOptions opt_;
    int control_ = -1;
    std::map<std::string, int> sockets_;
    std::map<int, int> portOf_;
    std::map<int, std::vector<Record>> records_;
    std::vector<Waiter> waiters_;
};

}  // namespace

int RunAgent(const AgentOptions& options) { return Agent(options).Run(); }

}  // namespace boxsim
