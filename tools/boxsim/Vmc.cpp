// VMC mode: a vending machine controller behind the box. It resets the
// reader, polls it, runs the set-up, enables it, and sells an item whenever
// the card holder inserts a card.
#include "Vmc.h"

#include <cstdio>

#include "Net.h"

namespace boxsim {

namespace {

const Bytes kReset = {0x10};
const Bytes kPoll = {0x12};
const Bytes kReaderEnable = {0x14, 0x01};
const Bytes kSessionComplete = {0x13, 0x04};
const Bytes kExpectedConfig = {0x10, 0x01, 0x02, 0x19, 0x78, 0x01, 0x02, 0x05, 0x0F};

// Feature level, a 16 x 2 display, no display info.
Bytes SetupConfigData(int level) { return {0x11, 0x00, static_cast<std::uint8_t>(level), 0x10, 0x02, 0x00}; }
Bytes SetupPrices() { return {0x11, 0x01, 0xFF, 0xFF, 0x00, 0x00}; }

// Maker "SIM", serial, model "BOXSIM VMC", software version 1.0.
Bytes ExpansionRequestId() {
    const std::string f = std::string("\x17\x00", 2) + "SIM" "000000000001" "BOXSIM VMC  " + std::string("\x01\x00", 2);
    return Bytes(f.begin(), f.end());
}

class Vmc {
public:
    Vmc(Box& box, const VmcOptions& o) : box_(box), opt_(o), log_(false) {}

    int Run() {
        log_.Note("VMC: resetting the reader at " + box_.options().peer + ", polling every " +
                  std::to_string(opt_.pollMs) + " ms");
        Send(kReset);
        nextPoll_ = NowUs();
        std::int64_t resetAt = opt_.resetAfterMs > 0 ? NowUs() + opt_.resetAfterMs * 1000LL : 0;
        const std::int64_t end = opt_.seconds > 0 ? NowUs() + opt_.seconds * 1000000LL : 0;
        for (;;) {
            const std::int64_t now = NowUs();
            if (end && now >= end) {
                log_.Note("VMC: time is up");
                return 0;
            }
            if (opt_.sessions > 0 && sessionsDone_ >= opt_.sessions) {
                log_.Note("VMC: " + std::to_string(sessionsDone_) + " session(s) done");
                return 0;
            }
            if (resetAt && now >= resetAt) {
                // A reset does not make the reader announce JUST RESET again,
                // so the set-up follows at once.
                resetAt = 0;
                log_.Note("VMC: resetting the reader again and repeating the set-up");
                Send(kReset);
                Send(SetupConfigData(opt_.level));
            } else if (scheduled_.empty() == false && now >= scheduledAt_) {
                Bytes f = scheduled_;
                scheduled_.clear();
                Send(f);
            } else if (now >= nextPoll_) {
                Send(kPoll);
                nextPoll_ = now + opt_.pollMs * 1000LL;
            }
            std::int64_t wake = nextPoll_;
            if (resetAt && resetAt < wake) wake = resetAt;
            if (!scheduled_.empty() && scheduledAt_ < wake) wake = scheduledAt_;
            if (end && end < wake) wake = end;
            Event e;
            while (box_.Next(e, wake)) {
                OnEvent(e);
                if (!scheduled_.empty() && scheduledAt_ <= NowUs()) break;
            }
        }
    }

private:
    void Send(const Bytes& f) {
        lastSend_ = box_.Send(f);
        lastCommand_ = f;
        answered_ = false;
        // A POLL is shown only when it draws a reply, unless asked for all.
        unshownPoll_ = f == kPoll && !opt_.showPolls;
        if (!unshownPoll_) log_.Command(f, lastSend_);
    }

    void Schedule(const Bytes& f, int delayMs) {
        scheduled_ = f;
        scheduledAt_ = NowUs() + delayMs * 1000LL;
    }

    void OnEvent(const Event& e) {
        if (e.channel == Event::Ctrl) {
            log_.Control(e.bytes, e.tUs);
            return;
        }
        const bool reply = Answers(e.bytes) && e.tUs - lastSend_ < Transcript::kReplyWindowUs;
        if (unshownPoll_ && reply) log_.Command(kPoll, lastSend_);
        unshownPoll_ = false;
        if (reply) answered_ = true;
        log_.Response(e.bytes, e.tUs, reply ? e.tUs - lastSend_ : -1);
        if (e.bytes.size() < 2 || e.bytes[0] != 0x10) return;
        switch (e.bytes[1]) {
        case 0x00:  // JUST RESET: run the set-up
            log_.Note("VMC: reader reset, setting it up");
            Send(SetupConfigData(opt_.level));
            break;
        case 0x01:
            log_.Note(e.bytes == kExpectedConfig ? "VMC: READER CONFIG DATA as expected (euro, cents)"
                                                 : "VMC: READER CONFIG DATA NOT AS EXPECTED");
            Send(SetupPrices());
            Send(ExpansionRequestId());
            break;
        case 0x09:
            log_.Note(e.bytes.size() == 31 ? "VMC: PERIPHERAL ID received, enabling the reader"
                                           : "VMC: PERIPHERAL ID of the wrong length");
            Send(kReaderEnable);
            break;
        case 0x03: {
            inSession_ = true;
            const unsigned funds = e.bytes.size() >= 4 ? (e.bytes[2] << 8 | e.bytes[3]) : 0;
            log_.Note("VMC: card in with " + Money(funds) + "; the customer picks item " + std::to_string(opt_.item) +
                      " for " + Money(static_cast<unsigned>(opt_.price)));
            Schedule({0x13, 0x00, static_cast<std::uint8_t>(opt_.price >> 8), static_cast<std::uint8_t>(opt_.price),
                      static_cast<std::uint8_t>(opt_.item >> 8), static_cast<std::uint8_t>(opt_.item)},
                     opt_.thinkMs);
            break;
        }
        case 0x05:
            log_.Note("VMC: vend approved, dispensing");
            ++cancelsDue_;
            Schedule({0x13, 0x02, static_cast<std::uint8_t>(opt_.item >> 8), static_cast<std::uint8_t>(opt_.item)},
                     opt_.dispenseMs);
            break;
        case 0x04:
            if (cancelsDue_ > 0 && reply) --cancelsDue_;
            log_.Note("VMC: the reader asks to end the session");
            Send(kSessionComplete);
            break;
        case 0x07:
            if (!inSession_) {
                log_.Note("VMC: END SESSION without a session");
                break;
            }
            inSession_ = false;
            ++sessionsDone_;
            log_.Note("VMC: session over (" + std::to_string(sessionsDone_) + " so far)");
            break;
        default:
            break;
        }
    }

    // Whether a response answers the last command, which it does when it is
    // the first since and of a kind that command draws. Everything else came
    // unasked: the card holder's buttons on the PC.
    bool Answers(const Bytes& f) const {
        if (answered_ || f.size() < 2 || f[0] != 0x10 || lastCommand_.empty()) return false;
        switch (lastCommand_[0] & 7) {
        case 1: return f[1] == 0x01;
        case 7: return f[1] == 0x09;
        case 2: return f[1] == 0x00 || f[1] == 0x05 || f[1] == 0x07 || (f[1] == 0x04 && cancelsDue_ > 0);
        default: return false;
        }
    }

    Box& box_;
    VmcOptions opt_;
    Bytes lastCommand_;
    bool answered_ = false;
    bool inSession_ = false;
    int cancelsDue_ = 0;
    Transcript log_;
    std::int64_t nextPoll_ = 0;
    std::int64_t lastSend_ = 0;
    bool unshownPoll_ = false;
    Bytes scheduled_;
    std::int64_t scheduledAt_ = 0;
    int sessionsDone_ = 0;
};

}  // namespace

int RunVmc(Box& box, const VmcOptions& options) { return Vmc(box, options).Run(); }

}  // namespace boxsim
