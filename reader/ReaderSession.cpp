#include "ReaderSession.h"

#include <cstdio>

using namespace mdb;

void CReaderSession::OnMdbFrame(const std::uint8_t* pData, int nCount) {
    if (pData == nullptr || nCount < 1) return;

    // Commands that read a subcommand need byte 1; a frame without it is not
    // a command we can act on, so it is dropped like any unknown one.
    const Command cmd = CommandOf(pData[0]);
    switch (cmd) {
    case kCmdSetup:
        if (nCount >= 2 && pData[1] == kSetupConfigData) Send(ReaderConfigData());
        break;
    case kCmdPoll:
        OnPoll();
        break;
    case kCmdVend:
        if (nCount >= 2) OnVend(pData, nCount);
        break;
    case kCmdReader:
        if (nCount >= 2) OnReader(pData[1]);
        break;
    case kCmdExpansion:
        if (nCount >= 2 && pData[1] == kExpansionRequestId) Send(PeripheralId());
        break;
    case kCmdReset:
    case kCmdRevalue:
    case kCmdUnused6:
        break;
    }
}

void CReaderSession::OnPoll() {
    // One reply per POLL, in this order of priority; the others wait.
    if (m_bJustReset) {
        m_bJustReset = false;
        Send(JustReset());
        ShowCredit(0);
        m_nFunds = 1000;  // the card is loaded after the credit is shown
    } else if (m_bVendApproved) {
        m_bVendApproved = false;
        Send(VendApproved(m_nItemPrice));
    } else if (m_bCancelAfterVend) {
        m_bCancelAfterVend = false;
        Send(SessionCancelRequest());
    } else if (m_bCancelAfterRefund) {
        m_bCancelAfterRefund = false;
        Send(SessionCancelRequest());
    } else if (m_bEndSession) {
        m_bEndSession = false;
        Send(EndSession());
    }
}

void CReaderSession::OnVend(const std::uint8_t* pData, int nCount) {
    switch (pData[1]) {
    case kVendRequest:
        // The price is bytes 2 and 3; without both, the request is dropped.
        if (nCount < 4) return;
        m_nItemPrice = static_cast<std::uint32_t>(pData[2]) << 8 | pData[3];
        m_nFunds -= m_nItemPrice;
        ShowCredit(m_nFunds);
        m_bVendApproved = true;
        break;
    case kVendSuccess:
        m_bCancelAfterVend = true;
        break;
    case kVendNegativeRequest:
        // Refunds the last requested price; this frame's own bytes are not used.
        m_bCancelAfterRefund = true;
        m_nFunds += m_nItemPrice;
        ShowCredit(m_nFunds);
        break;
    case kVendSessionComplete:
        m_bEndSession = true;
        break;
    default:
        break;
    }
}

void CReaderSession::OnReader(std::uint8_t sub) {
    if (sub == kReaderDisable) {
        m_bReaderEnabled = 0;
        RefreshWindow();
    } else if (sub == kReaderEnable) {
        m_bReaderEnabled = 1;
        RefreshWindow();
    }
}

void CReaderSession::ShowCredit(std::uint32_t nAmount) {
    char text[32];
    std::snprintf(text, sizeof text, "Credit: %u.%02u", static_cast<unsigned>(nAmount / 100),
                  static_cast<unsigned>(nAmount % 100));
    m_strCredit = text;
    RefreshWindow();
}

void CReaderSession::OnReset() { Send(JustReset()); }

void CReaderSession::OnInsertCard() {
    Send(BeginSession(m_nFunds));
    ShowCredit(m_nFunds);
}

void CReaderSession::OnRemoveCard() {
    Send(SessionCancelRequest());
    ShowCredit(0);
}
