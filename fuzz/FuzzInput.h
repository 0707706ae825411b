#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <cstddef>
#include <cstdint>

// Reads a fuzz input from the front: single bytes, runs of bytes, the rest.
// Past the end every read gives zeros or nothing, so a target never has to
// check the length before it asks.
class FuzzInput {
public:
    FuzzInput(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_at >= m_size; }

    std::uint8_t byte() { return atEnd() ? 0 : m_data[m_at++]; }

    // Up to `count` bytes; fewer at the end.
    QByteArray bytes(std::size_t count) {
        const std::size_t taken = count < m_size - m_at ? count : m_size - m_at;
        QByteArray run(reinterpret_cast<const char*>(m_data + m_at), static_cast<qsizetype>(taken));
        m_at += taken;
        return run;
    }

    QByteArray rest() { return bytes(m_size - m_at); }

    // Eight bytes, most significant first.
    qint64 int64() {
        std::uint64_t value = 0;
        for (int i = 0; i < 8; ++i)
            value = value << 8 | byte();
        return static_cast<qint64>(value);
    }

private:
    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};
