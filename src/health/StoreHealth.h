#pragma once

#include "StoreWrite.h"

#include <QString>

// Whether the database takes what the tool writes: tells when writing
// starts to fail and when it works again, so each is said once, not for
// every reply.
class StoreHealth {
public:
    enum class Change { None, StartedFailing, Recovered };

    static QString failingNotice(const QString& reason) {
        return StoreWrite::failureNotice(reason);
    }
    static QString recoveredNotice() {
        return QStringLiteral("Notice: Database writes work again");
    }

    // A write's outcome; a missing row is no failure of the store.
    Change record(const StoreWrite& write);

    // The reason of the last refusal.
    const QString& reason() const { return m_reason; }

private:
    bool m_failing = false;
    QString m_reason;
};
