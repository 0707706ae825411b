#include "MeterCursor.h"

MeterCursor::MeterCursor(QObject* parent) : QObject(parent) {}

void MeterCursor::setAddresses(QList<int> addresses) {
    m_addresses = std::move(addresses);
    m_index = 0;
    tell();
}

void MeterCursor::moveTo(int address) {
    const qsizetype index = m_addresses.indexOf(address);
    if (index < 0 || index == m_index)
        return;
    m_index = index;
    tell();
}

std::optional<int> MeterCursor::currentAddress() const {
    if (m_addresses.isEmpty())
        return std::nullopt;
    return m_addresses.at(m_index);
}

void MeterCursor::moveToNext() {
    if (m_addresses.isEmpty())
        return;
    m_index = (m_index + 1) % m_addresses.size();
    tell();
}

void MeterCursor::tell() {
    emit moved(currentAddress().value_or(-1));
}
