#pragma once

#include "ReceiveBuffer.h"
#include "ReplyKind.h"

#include <QObject>

class SerialPort;

// The receive side of the one serial port, and the send that every sender
// uses: collect arriving bytes, hand each complete reply to its decoder.
// Nothing waits for a reply; whatever has not formed one when the next
// sender calls clearform1 is lost.
//
// After each batch it tells the port how many more bytes could make the
// text a reply, so the port need not report the pieces in between; which
// reply is decoded, and when one is, stays a matter of the bytes alone.
class SerialExchange : public QObject {
    Q_OBJECT
public:
    explicit SerialExchange(SerialPort& port, QObject* parent = nullptr);

    SerialPort& port() { return m_port; }

    // Empties the receive buffer, after taking in what has arrived at the
    // port and not been read yet; every sender calls it before sending.
    void clearform1();

    // Hands the frame to the port; 0 or a PortError code.
    int send(const QByteArray& frame);

    const QString& bufferText() const { return m_buffer.text(); }

    // The receive routine, run for every batch of arrived bytes.
    void receive(const QByteArray& bytes);

signals:
    // A complete reply of this kind, as hex text; the buffer is empty again.
    void replyReceived(ReplyKind kind, const QString& hexText);
    // For those who watch the line: a frame the port took, and every batch
    // of bytes as it arrives, before the buffer sees it.
    void frameSent(const QByteArray& frame);
    // The port would not take a frame; `code` is its PortError.
    void sendFailed(int code);
    void bytesReceived(qsizetype count);
    // A sender took the line while a reply was still arriving: it is lost,
    // and the poll's reply timeout may be too short for the line.
    void replyCutShort();

private:
    void onBytesArrived();
    // The buffer holds the start of a reply that more bytes could complete.
    bool replyUnderway() const;

    SerialPort& m_port;
    ReceiveBuffer m_buffer;
    // The reply length the last request asks for: only a hint of how long
    // the port may wait before the byte-count field is in.
    int m_expectedLength = 0;
};
