// A reader session whose two outlets are recorded instead of wired to a
// socket and a window.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "ReaderSession.h"

using Bytes = std::vector<std::uint8_t>;

class RecordingSession : public CReaderSession {
public:
    std::vector<Bytes> sent;
    int refreshes = 0;
    // What the window would show at each refresh.
    std::vector<std::string> shownCredit;
    std::vector<int> shownEnabled;

    // Feeds a frame from a buffer of exactly its size, so that a read past
    // the count is caught by the address sanitizer.
    void Feed(const Bytes& frame) {
        std::vector<std::uint8_t> exact(frame);
        OnMdbFrame(exact.empty() ? nullptr : exact.data(), static_cast<int>(exact.size()));
    }

    // The frames sent since the last call.
    std::vector<Bytes> TakeSent() {
        std::vector<Bytes> s;
        s.swap(sent);
        return s;
    }

protected:
    void SendFrame(const std::uint8_t* p, int n) override { sent.emplace_back(p, p + n); }
    void RefreshWindow() override {
        ++refreshes;
        shownCredit.push_back(m_strCredit);
        shownEnabled.push_back(m_bReaderEnabled);
    }
};
