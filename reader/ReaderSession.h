// The emulated cashless reader: which response goes to the box, and when.
//
// The session has exactly two outlets, both pure virtual: SendFrame puts one
// frame on the acquisition channel, RefreshWindow shows m_strCredit and
// m_bReaderEnabled. The main window wires them to the acquisition endpoint
// and to its data exchange; tests observe them directly.
#pragma once

#include <cstdint>
#include <string>

#include "MdbFrames.h"

// What the datagram endpoint hands every accepted command frame to.
class IMdbFrameSink {
public:
    virtual void OnMdbFrame(const std::uint8_t* pData, int nCount) = 0;

protected:
    ~IMdbFrameSink() = default;
};

class CReaderSession : public IMdbFrameSink {
public:
    CReaderSession() = default;
    CReaderSession(const CReaderSession&) = delete;
    CReaderSession& operator=(const CReaderSession&) = delete;

    // One command frame of nCount bytes from the box. Frames shorter than the
    // bytes their command reads are dropped: we never look past nCount.
    void OnMdbFrame(const std::uint8_t* pData, int nCount) override;

    // Sets the credit text from an amount in cents and refreshes the window.
    void ShowCredit(std::uint32_t nAmount);

    // The card holder's actions; each sends its frame at once.
    void OnReset();
    void OnInsertCard();
    void OnRemoveCard();

    std::string m_strCredit;
    int m_bReaderEnabled = 0;

    // Pending replies, each set by one event and cleared by the POLL that
    // sends it.
    bool m_bJustReset = true;
    bool m_bVendApproved = false;
    bool m_bCancelAfterVend = false;
    bool m_bCancelAfterRefund = false;
    bool m_bEndSession = false;

    // Cents on the simulated card; arithmetic wraps modulo 2^32 on purpose,
    // as a test tool that approves everything.
    std::uint32_t m_nFunds = 0;
    std::uint32_t m_nItemPrice = 0;

protected:
    ~CReaderSession() = default;

    virtual void SendFrame(const std::uint8_t* pData, int nCount) = 0;
    virtual void RefreshWindow() = 0;

private:
    void Send(const mdb::Frame& f) { SendFrame(f.bytes, f.length); }
    void OnPoll();
    void OnVend(const std::uint8_t* pData, int nCount);
    void OnReader(std::uint8_t sub);
};
