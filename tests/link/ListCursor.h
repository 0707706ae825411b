#pragma once

#include "PollCursor.h"

#include <QList>

// A poll cursor over a fixed list of addresses.
class ListCursor : public PollCursor {
public:
    explicit ListCursor(QList<int> addresses) : m_addresses(std::move(addresses)) {}
    std::optional<int> currentAddress() const override {
        return m_addresses.isEmpty() ? std::nullopt : std::optional<int>(m_addresses[m_row]);
    }
    void moveToNext() override {
        if (!m_addresses.isEmpty())
            m_row = (m_row + 1) % int(m_addresses.size());
    }

private:
    QList<int> m_addresses;
    int m_row = 0;
};
