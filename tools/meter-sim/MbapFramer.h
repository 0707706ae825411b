#pragma once

#include <QByteArray>
#include <QString>
#include <cstdint>
#include <vector>

// A Modbus TCP request as the bus behind the device server gets it.
struct MbapRequest {
    std::uint16_t transaction = 0;
    // Unit id (the meter's address) and PDU, with the CRC an RTU frame carries.
    QByteArray rtu;
};

// Cuts a Modbus TCP stream into requests by the MBAP header's length field,
// whatever pieces the bytes arrive in, and builds the replies.
class MbapFramer {
public:
    // Complete requests among the bytes received so far. Once the stream
    // is not Modbus TCP (error() says why) nothing more is taken from it.
    std::vector<MbapRequest> feed(const QByteArray& bytes);
    QString error() const { return m_error; }

    // The MBAP reply carrying an RTU reply's unit id and PDU; a positive
    // `lengthShortBy` makes the length field claim fewer bytes than follow.
    static QByteArray reply(std::uint16_t transaction, const QByteArray& rtuReply,
                            int lengthShortBy = 0);

private:
    QByteArray m_buffer;
    QString m_error;
};
