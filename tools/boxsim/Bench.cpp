// Bench mode: the reader's round trip, from the box sending a command to
// its reply arriving, over many commands that always draw a reply.
//
// One at a time (no --rate): each command waits for its reply; prints the
// median, p99 and max latency. At a fixed --rate: the commands go out on a
// schedule whatever the replies do; prints how many replies came back.
// The last line is machine-readable: RESULT key=value ...
#include "Bench.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "Net.h"

namespace boxsim {

namespace {

const Bytes kConfig = {0x11, 0x00, 0x03, 0x10, 0x02, 0x00};
const Bytes kVend = {0x13, 0x00, 0x00, 0x01, 0x00, 0x01};
const Bytes kPoll = {0x12};

bool IsReply(const Bytes& f, bool vend) {
    return f.size() >= 2 && f[0] == 0x10 && f[1] == (vend ? 0x05 : 0x01);
}

std::int64_t Percentile(std::vector<std::int64_t> v, double p) {
    if (v.empty()) return -1;
    std::sort(v.begin(), v.end());
    const size_t i = static_cast<size_t>(p * static_cast<double>(v.size() - 1) + 0.5);
    return v[std::min(i, v.size() - 1)];
}

// Sends one command; the time that counts is that of its last datagram.
// On a real bus a POLL cannot follow a VEND REQUEST sooner than the bus
// carries the request's end, the reader's ACK and the POLL (gapUs).
std::int64_t SendCommand(Box& box, bool vend, int gapUs) {
    if (!vend) return box.Send(kConfig);
    const std::int64_t sent = box.Send(kVend);
    Event stray;
    while (gapUs > 0 && box.Next(stray, sent + gapUs)) {
    }
    return box.Send(kPoll);
}

// Drops anything still on its way, so that one test does not see the last.
void Drain(Box& box) {
    Event e;
    while (box.Next(e, NowUs() + 200000)) {
    }
}

}  // namespace

int RunBench(Box& box, const BenchOptions& o) {
    const bool vend = o.kind == "vend";
    if (!vend && o.kind != "config") {
        std::fprintf(stderr, "boxsim: --kind is config or vend\n");
        return 2;
    }
    // The first POLL of a run is answered with JUST RESET; take it out of the way.
    box.Send(kPoll);
    Drain(box);
    Event e;
    for (int i = 0; i < o.warmup; ++i) {
        SendCommand(box, vend, o.gapUs);
        box.Next(e, NowUs() + o.timeoutMs * 1000LL);
    }
    Drain(box);

    std::vector<std::int64_t> latency;
    latency.reserve(static_cast<size_t>(o.count));
    int lost = 0;
    const std::int64_t started = NowUs();
    if (o.rate <= 0) {
        for (int i = 0; i < o.count; ++i) {
            const std::int64_t sent = SendCommand(box, vend, o.gapUs);
            const std::int64_t deadline = sent + o.timeoutMs * 1000LL;
            bool got = false;
            while (!got && box.Next(e, deadline)) got = e.channel == Event::Acq && IsReply(e.bytes, vend);
            if (got) latency.push_back(e.tUs - sent);
            else ++lost;
        }
    } else {
        // Open loop: the i-th reply is matched with the i-th command (the
        // link keeps the order); replies are counted as they come.
        std::vector<std::int64_t> sentAt;
        sentAt.reserve(static_cast<size_t>(o.count));
        const double interval = 1e6 / o.rate;
        size_t replies = 0;
        for (int i = 0; i < o.count; ++i) {
            const std::int64_t due = started + static_cast<std::int64_t>(i * interval);
            while (box.Next(e, due)) {
                if (e.channel == Event::Acq && IsReply(e.bytes, vend) && replies < sentAt.size())
                    latency.push_back(e.tUs - sentAt[replies++]);
            }
            sentAt.push_back(SendCommand(box, vend, o.gapUs));
        }
        while (replies < sentAt.size() && box.Next(e, NowUs() + o.timeoutMs * 1000LL)) {
            if (e.channel == Event::Acq && IsReply(e.bytes, vend)) latency.push_back(e.tUs - sentAt[replies++]);
        }
        lost = static_cast<int>(sentAt.size() - replies);
    }
    const double seconds = static_cast<double>(NowUs() - started) / 1e6;
    const std::int64_t median = Percentile(latency, 0.5), p99 = Percentile(latency, 0.99),
                       max = latency.empty() ? -1 : *std::max_element(latency.begin(), latency.end());
    const std::string what = !vend ? "SETUP CONFIG DATA"
                             : o.gapUs > 0 ? "VEND REQUEST, " + std::to_string(o.gapUs) + " us, POLL"
                                           : "VEND REQUEST + POLL";
    std::printf("%s, %d commands%s in %.2f s (%.0f a second): median %lld us, p99 %lld us, max %lld us, %d lost\n",
                what.c_str(), o.count,
                o.rate > 0 ? (" at " + std::to_string(o.rate) + " a second").c_str() : " one at a time", seconds,
                o.count / seconds, static_cast<long long>(median), static_cast<long long>(p99),
                static_cast<long long>(max), lost);
    std::printf("RESULT kind=%s rate=%d gap_us=%d count=%d median_us=%lld p99_us=%lld max_us=%lld lost=%d seconds=%.3f\n",
                o.kind.c_str(), o.rate, o.gapUs, o.count, static_cast<long long>(median), static_cast<long long>(p99),
                static_cast<long long>(max), lost, seconds);
    return lost == 0 ? 0 : 1;
}

}  // namespace boxsim
