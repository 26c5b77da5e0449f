// The interface box's two UDP channels towards the PC, as the real box has
// them: the acquisition port (commands out, responses in) and the control
// port (control frames in), each the same port number at both ends.
#pragma once

#include <cstdint>
#include <deque>
#include <string>

#include "Decode.h"

namespace boxsim {

struct BoxOptions {
    std::string address = "0.0.0.0";  // where the box's ports are bound
    std::string peer;                 // the PC running MdbReader
    int commPort = 4002;
    int ctrlPort = 4001;
};

struct Event {
    enum Channel { Acq, Ctrl } channel;
    Bytes bytes;
    std::int64_t tUs;
};

class Box {
public:
    ~Box();
    // False with a message fit for the user: a bad address, a port in use.
    bool Open(const BoxOptions& options, std::string& error);
    // A command to the reader; the time it went out.
    std::int64_t Send(const Bytes& frame);
    // The next datagram from the PC, waiting until deadlineUs at most
    // (monotonic microseconds; 0 means do not wait). Datagrams from anyone
    // else are dropped as the real box would not hear them.
    bool Next(Event& out, std::int64_t deadlineUs);

    const BoxOptions& options() const { return options_; }

private:
    BoxOptions options_;
    int acq_ = -1;
    int ctrl_ = -1;
    std::uint32_t peerAddr_ = 0;
    std::deque<Event> pending_;
};

// Prints every frame with its time since the start, its direction, its bytes
// and what it means, and the reader's reply latency.
class Transcript {
public:
    explicit Transcript(bool quiet = false);
    void Command(const Bytes& f, std::int64_t tUs);
    // A response; latency < 0 when it came unasked.
    void Response(const Bytes& f, std::int64_t tUs, std::int64_t latencyUs);
    void Control(const Bytes& f, std::int64_t tUs);
    void Note(const std::string& text);

    static constexpr std::int64_t kResponseTimeUs = 5000;  // MDB's t-response
    // A response later than this after a command is not taken as its reply.
    static constexpr std::int64_t kReplyWindowUs = 50000;

private:
    std::string Stamp(std::int64_t tUs) const;
    std::int64_t start_;
    bool quiet_;
};

}  // namespace boxsim
