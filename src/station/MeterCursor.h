#pragma once

#include "PollCursor.h"

#include <QList>
#include <QObject>

// The meter a line asks next: the line's listed addresses in order,
// wrapping. It lives with its line, on the line's thread; a new list puts
// it on the first meter, and the grid follows it by moved().
class MeterCursor : public QObject, public PollCursor {
    Q_OBJECT
public:
    explicit MeterCursor(QObject* parent = nullptr);

    // The line's meters, ascending; the cursor goes to the first.
    void setAddresses(QList<int> addresses);
    bool lists(int address) const { return m_addresses.contains(address); }
    // A click in the grid: the cursor goes to that meter, when listed.
    void moveTo(int address);

    std::optional<int> currentAddress() const override;
    void moveToNext() override;

signals:
    // The meter it stands on now; -1 with none listed.
    void moved(int address);

private:
    void tell();

    QList<int> m_addresses;
    qsizetype m_index = 0;
};
