#include "MeterFreshness.h"

#include "MeterTable.h"

void MeterFreshness::readingStarted(const QDateTime& now) {
    m_readingBegan = now;
    for (Meter& meter : m_meters)
        if (!meter.lastReply.isValid())
            meter.firstAsked = QDateTime();
}

void MeterFreshness::asked(int address, const QDateTime& now) {
    Meter& meter = m_meters[address];
    if (!meter.firstAsked.isValid())
        meter.firstAsked = now;
}

MeterFreshness::Change MeterFreshness::answered(int address, const QDateTime& at) {
    Meter& meter = m_meters[address];
    const bool wasSilent = silent(meter);
    meter.missedInRow = 0;
    meter.lastReply = at;
    return wasSilent ? Change::AnswersAgain : Change::None;
}

MeterFreshness::Change MeterFreshness::missed(int address) {
    Meter& meter = m_meters[address];
    const bool wasSilent = silent(meter);
    ++meter.missedInRow;
    return !wasSilent && silent(meter) ? Change::FellSilent : Change::None;
}

bool MeterFreshness::silent(const Meter& meter) const {
    // One that never answered needs no three misses to be known silent.
    return meter.missedInRow >= MissedPollsForSilence ||
           (meter.missedInRow > 0 && !meter.lastReply.isValid());
}

bool MeterFreshness::isSilent(int address) const {
    const auto found = m_meters.constFind(address);
    return found != m_meters.constEnd() && silent(*found);
}

QString MeterFreshness::noReplyText(int address) const {
    const auto found = m_meters.constFind(address);
    if (found == m_meters.constEnd() || !silent(*found))
        return {};
    QDateTime since = found->lastReply;
    if (!since.isValid())
        since = m_readingBegan.isValid() ? m_readingBegan : found->firstAsked;
    const int polls = found->missedInRow;
    return QStringLiteral("No reply since %1 (%2 %3)")
        .arg(MeterTable::timeText(since))
        .arg(polls)
        .arg(polls == 1 ? QStringLiteral("poll") : QStringLiteral("polls"));
}
