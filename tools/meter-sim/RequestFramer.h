#pragma once

#include <QByteArray>
#include <optional>
#include <vector>

// Cuts the received byte stream into request frames. Reads and writes are
// recognised by their length as soon as the last byte is in, so no silence
// has to be waited for; anything else ends with the line going quiet, as
// RTU framing has it.
class RequestFramer {
public:
    // Complete frames with a good CRC among the bytes received so far.
    std::vector<QByteArray> feed(const QByteArray& bytes);

    // The line went quiet: what is buffered is one frame, kept only when its
    // CRC is good. The buffer starts afresh either way.
    std::optional<QByteArray> silence();

    bool isEmpty() const { return m_buffer.isEmpty() && !m_discarding; }
    // Bytes held back as the start of a frame not yet complete.
    qsizetype bufferedSize() const { return m_buffer.size(); }

private:
    QByteArray m_buffer;
    // A garbled frame: the rest of it is thrown away up to the next silence.
    bool m_discarding = false;
};
