#pragma once

#include <QByteArray>
#include <QList>
#include <cstdint>

// Modbus TCP framing for a line behind a gateway: the line's RTU requests
// go out wrapped in an MBAP header (transaction id, protocol 0, length,
// unit id = meter address) without their CRC, and each reply that answers
// the request now outstanding comes back as the RTU frame the meter would
// have sent, CRC added, so the rest of the line decodes it as from a serial
// port.
//
// The stream is cut by the length field. A reply to an earlier transaction
// (late, after its timeout) is dropped and counted, never taken for the
// current one. A length the reply's own counts disagree with is a garbled
// reply: it and what follows it are dropped. A header that cannot be
// one (protocol not 0, a length no reply can have) leaves the stream out of
// step: everything buffered is dropped and counted once, until a header
// that can be one is found again.
class MbapFraming {
public:
    static constexpr int HeaderSize = 7; // up to and including the unit id
    // Unit id and the longest Modbus PDU.
    static constexpr int LongestLength = 1 + 253;
    // Bytes kept while a reply is incomplete: one whole reply at most.
    static constexpr int Capacity = 6 + LongestLength;

    // What one batch of arrived bytes came to.
    struct Received {
        // RTU frames of replies to the outstanding request, CRC added.
        QByteArray frames;
        int stale = 0;   // replies to an earlier transaction or another unit
        int garbled = 0; // a header that cannot be one, or a length at odds with the PDU
        // Exception replies' codes, as they came.
        QList<int> exceptions;
    };

    // The MBAP frame for an RTU request (address, PDU, CRC), with the next
    // transaction id; its reply is the one awaited from now on. Empty for
    // a frame too short to be a request.
    QByteArray wrap(const QByteArray& rtuRequest);

    Received receive(const QByteArray& bytes);

    // Drops a partial reply, as when the connection is made anew.
    void clear();

private:
    bool headerCanBeOne() const;

    QByteArray m_buffer;
    std::uint16_t m_transaction = 0;
    int m_awaitedUnit = -1;
    bool m_outOfStep = false;
};
