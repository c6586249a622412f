// SPDX-License-Identifier: GPL-3.0-or-later
// The socket session's output batch.
//
// Writes are gathered and handed to the connection in one send when the session is
// about to wait for the peer (a read, a TLS handshake), when the batch reaches
// OutputBatchSize, at a disconnect, or IdleFlushMilliseconds after the first byte that
// is still waiting (a pause between messages). A pipelining client's text end, its final
// dot and the next envelope thus leave in one send: one TLS record, one TCP segment. The
// server reads them together and answers them in one write; were they split, a server
// whose socket keeps Nagle's algorithm holds its later replies until the client's
// delayed acknowledgement of the earlier ones (RFC 2920 asks both sides to group).
// TCP_NODELAY stays on: the batch is complete when it goes, and must not wait either.
#include "net/SocketSession.h"

#include "platform/AsyncSocket.h"
#include "platform/WaitStep.h"
#include "platform/WinsockErrors.h"

void TSocketSession::QueueOutput(const char* data, std::size_t length)
{
    RaiseCloseError(TSocketErrorKind::SendFailed);
    FOutput.append(data, length);
    if (PendingOutput() >= OutputBatchSize)
        FlushOutput();
    else
        ArmIdleFlush();
}

// One send of what is waiting; the count taken, or -1 with the library's error.
long TSocketSession::SendPendingOutput()
{
    const long sent = FSocket->Send(FOutput.data() + FOutputSent, PendingOutput());
    if (sent > 0)
        FOutputSent += static_cast<std::size_t>(sent);
    if (FOutputSent == FOutput.size())
        DiscardOutput();
    return sent;
}

// Waits until the connection has taken the whole batch, in passes that a cancel and the
// time-out end; the time-out counts from the last progress, so a long text that keeps
// moving is never cut, while a peer that stops reading is given up.
void TSocketSession::FlushOutput()
{
    FIdleFlush->Stop();
    FFlushing = true;
    struct TFlushEnd {
        bool& Flushing;
        ~TFlushEnd() { Flushing = false; }
    } flushEnd{FFlushing};
    while (PendingOutput() > 0 && !FCanceled) {
        RaiseCloseError(TSocketErrorKind::SendFailed);
        const long sent = SendPendingOutput();
        if (sent > 0) {
            RestartTimeOut();
        } else if (sent < 0) {
            if (WsaGetLastError() != wsa::WouldBlock && WsaGetLastError() > 10000)
                DiscardOutput(); // the connection is broken; nothing more of it goes out
            CheckSocketError(TSocketErrorKind::SendFailed, wsa::WouldBlock);
            TransferPass(FSocket->WaitEvents(WritableEvent));
        } else {
            return;
        }
    }
}

void TSocketSession::ArmIdleFlush()
{
    if (!FIdleFlush->Running())
        FIdleFlush->Start(IdleFlushMilliseconds);
}

// Sends what the connection takes at once and never waits: it runs from the event loop,
// inside whatever the program is doing. A failure is kept for the next transfer to report.
void TSocketSession::IdleFlushTick()
{
    FIdleFlush->Stop();
    if (FFlushing || PendingOutput() == 0 || !FSocket || !FSocket->IsOpen())
        return;
    if (SendPendingOutput() < 0) {
        if (WsaGetLastError() != wsa::WouldBlock) {
            DiscardOutput();
            KeepCloseError();
            return;
        }
    }
    if (PendingOutput() > 0)
        ArmIdleFlush();
}

void TSocketSession::DiscardOutput()
{
    FOutput.clear();
    FOutputSent = 0;
    if (FIdleFlush)
        FIdleFlush->Stop();
}

void TSocketSession::RestartTimeOut()
{
    if (FTimer && FTimer->Enabled()) {
        FTimer->SetEnabled(false);
        FTimer->SetEnabled(true);
    }
}
