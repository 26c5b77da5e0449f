// Script mode: repeatable scenarios from a small text file, one step a line.
//
//   send 13 00 00 96 00 0C            a command to the reader
//   expect 10 05 00 96 [within 500]   the next response must be exactly this
//   expect none [within 200]          no response may come within the time
//   expect-control 07 03 12 [within 5000]
//                                     the next control frame of the PC
//   wait 100                          milliseconds
//   mark NAME                         creates NAME in --mark-dir (for drivers
//                                     that wait for the scenario to get there)
//   # a comment; blank lines are skipped
//
// Times are milliseconds; "within" defaults to 500. The first difference
// ends the run with exit status 1, a bad script with 2.
#include "Script.h"

#include <cstdio>
#include <fstream>
#include <sstream>

#include "Hex.h"
#include "Net.h"

namespace boxsim {

namespace {

struct Step {
    enum Kind { Send, Expect, ExpectNone, ExpectControl, Wait, Mark } kind;
    Bytes bytes;
    int ms = 500;
    std::string name;
    int line = 0;
};

bool ParseLine(const std::string& text, int line, Step& step, std::string& error) {
    std::istringstream in(text);
    std::string verb;
    in >> verb;
    std::string rest;
    std::getline(in, rest);
    step = Step{};
    step.line = line;
    // "within N" at the end of an expectation.
    auto takeWithin = [&](std::string& s) {
        const size_t at = s.find("within");
        if (at == std::string::npos) return true;
        std::istringstream t(s.substr(at + 6));
        if (!(t >> step.ms) || step.ms < 0) return false;
        s = s.substr(0, at);
        return true;
    };
    if (verb == "send") {
        step.kind = Step::Send;
        if (!ParseHex(rest, step.bytes) || step.bytes.empty()) return error = "send needs the bytes in hex", false;
    } else if (verb == "expect" || verb == "expect-control") {
        if (!takeWithin(rest)) return error = "bad 'within' time", false;
        std::istringstream t(rest);
        std::string first;
        t >> first;
        if (verb == "expect" && first == "none") {
            step.kind = Step::ExpectNone;
        } else {
            step.kind = verb == "expect" ? Step::Expect : Step::ExpectControl;
            if (!ParseHex(rest, step.bytes) || step.bytes.empty())
                return error = verb + " needs the bytes in hex, or 'none'", false;
        }
    } else if (verb == "wait") {
        step.kind = Step::Wait;
        std::istringstream t(rest);
        if (!(t >> step.ms) || step.ms < 0) return error = "wait needs milliseconds", false;
    } else if (verb == "mark") {
        step.kind = Step::Mark;
        std::istringstream t(rest);
        if (!(t >> step.name)) return error = "mark needs a name", false;
    } else {
        return error = "unknown step '" + verb + "'", false;
    }
    return true;
}

}  // namespace

int RunScript(Box& box, const ScriptOptions& o) {
    std::ifstream file(o.path);
    if (!file) {
        std::fprintf(stderr, "boxsim: cannot read the script '%s'\n", o.path.c_str());
        return 2;
    }
    std::vector<Step> steps;
    std::string text;
    for (int line = 1; std::getline(file, text); ++line) {
        const size_t hash = text.find('#');
        if (hash != std::string::npos) text.erase(hash);
        if (text.find_first_not_of(" \t\r") == std::string::npos) continue;
        Step step;
        std::string error;
        if (!ParseLine(text, line, step, error)) {
            std::fprintf(stderr, "boxsim: %s:%d: %s\n", o.path.c_str(), line, error.c_str());
            return 2;
        }
        steps.push_back(step);
    }
    if (steps.empty()) {
        std::fprintf(stderr, "boxsim: %s: the script has no steps\n", o.path.c_str());
        return 2;
    }

    Transcript log(o.quiet);
    std::int64_t lastSend = 0;
    auto fail = [&](const Step& s, const std::string& what) {
        std::fprintf(stderr, "boxsim: %s:%d: %s\n", o.path.c_str(), s.line, what.c_str());
        return 1;
    };
    // The next datagram of a channel within the time; the other channel's
    // datagrams meanwhile are logged and kept for their own expectations.
    std::deque<Event> acq, ctrl;
    auto keep = [&](const Event& e) {
        if (e.channel == Event::Ctrl) {
            log.Control(e.bytes, e.tUs);
            ctrl.push_back(e);
        } else {
            const std::int64_t latency = e.tUs - lastSend;
            log.Response(e.bytes, e.tUs, latency < Transcript::kReplyWindowUs ? latency : -1);
            acq.push_back(e);
        }
    };
    auto next = [&](Event::Channel ch, int ms, Event& out) {
        const std::int64_t deadline = NowUs() + ms * 1000LL;
        for (;;) {
            std::deque<Event>& q = ch == Event::Acq ? acq : ctrl;
            if (!q.empty()) {
                out = q.front();
                q.pop_front();
                return true;
            }
            Event e;
            if (!box.Next(e, deadline)) return false;
            keep(e);
        }
    };

    for (const Step& s : steps) {
        Event e;
        switch (s.kind) {
        case Step::Send:
            lastSend = box.Send(s.bytes);
            log.Command(s.bytes, lastSend);
            break;
        case Step::Expect:
        case Step::ExpectControl:
            if (!next(s.kind == Step::Expect ? Event::Acq : Event::Ctrl, s.ms, e))
                return fail(s, "expected " + ToHex(s.bytes, " ") + " within " + std::to_string(s.ms) + " ms, got nothing");
            if (e.bytes != s.bytes)
                return fail(s, "expected " + ToHex(s.bytes, " ") + ", got " + (e.bytes.empty() ? "an empty datagram" : ToHex(e.bytes, " ")));
            break;
        case Step::ExpectNone:
            if (next(Event::Acq, s.ms, e))
                return fail(s, "expected no response within " + std::to_string(s.ms) + " ms, got " + ToHex(e.bytes, " "));
            break;
        case Step::Wait: {
            const std::int64_t until = NowUs() + s.ms * 1000LL;
            while (box.Next(e, until)) keep(e);
            break;
        }
        case Step::Mark:
            if (!o.markDir.empty()) {
                std::ofstream(o.markDir + "/" + s.name) << "reached\n";
            }
            log.Note("mark " + s.name);
            break;
        }
    }
    log.Note("script passed: " + std::to_string(steps.size()) + " steps");
    return 0;
}

}  // namespace boxsim
