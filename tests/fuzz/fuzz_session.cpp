// Arbitrary bytes as one command frame, on a fresh session and on one that
// lives for the whole run. libFuzzer hands us a buffer of exactly the given
// size, so AddressSanitizer catches any read past the count.
#include <cstdint>
#include <cstdlib>
#include <cstdio>

#include "ReaderSession.h"

namespace {

class CheckedSession : public CReaderSession {
public:
    int framesThisCall = 0;

protected:
    void SendFrame(const std::uint8_t* p, int n) override {
        if (++framesThisCall > 1) Fail("more than one frame for one command");
        if (!mdb::IsResponseFrame(p, n)) Fail("not one of the seven response frames");
    }
    void RefreshWindow() override {}

private:
    static void Fail(const char* why) {
        std::fprintf(stderr, "fuzz_session: %s\n", why);
        std::abort();
    }
};

void Run(CheckedSession& s, const std::uint8_t* data, std::size_t size) {
    s.framesThisCall = 0;
    s.OnMdbFrame(data, static_cast<int>(size));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > 1024) return 0;  // the receive buffer holds 1024 bytes
    static CheckedSession longLived;
    CheckedSession fresh;
    Run(fresh, data, size);
    Run(longLived, data, size);
    // The card actions in between, so the long-lived session sees every state.
    if (size >= 1) {
        longLived.framesThisCall = 0;
        switch (data[size - 1] % 16) {
        case 0: longLived.OnInsertCard(); break;
        case 1: longLived.OnRemoveCard(); break;
        case 2: longLived.OnReset(); break;
        default: break;
        }
    }
    return 0;
}
