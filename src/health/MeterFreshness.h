#pragma once

#include <QDateTime>
#include <QHash>
#include <QString>

// Which meters answer. A meter that missed its last three polls, or has not
// answered once since reading began, is silent until its next reply.
class MeterFreshness {
public:
    static constexpr int MissedPollsForSilence = 3;

    enum class Change { None, FellSilent, AnswersAgain };

    // Reading began: a meter that never answered is silent since now.
    void readingStarted(const QDateTime& now);
    // A request went to the meter (the first one marks when it was first asked).
    void asked(int address, const QDateTime& now);
    Change answered(int address, const QDateTime& at);
    Change missed(int address);

    bool isSilent(int address) const;
    // "No reply since <time> (<n> polls)" for a silent meter, else empty.
    QString noReplyText(int address) const;
    int missedInRow(int address) const { return m_meters.value(address).missedInRow; }

    void clear() { m_meters.clear(); }

private:
    struct Meter {
        int missedInRow = 0;
        QDateTime lastReply;  // this run's last reply; invalid before one came
        QDateTime firstAsked; // since reading began
    };
    bool silent(const Meter& meter) const;

    QHash<int, Meter> m_meters;
    QDateTime m_readingBegan;
};
