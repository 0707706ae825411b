#include "ParameterReadSequence.h"

#include "Frames.h"
#include "MeterAddress.h"
#include "ReplyKind.h"
#include "SerialExchange.h"

ParameterReadSequence::ParameterReadSequence(SerialExchange& exchange,
                                             std::function<QString()> meterAddressText,
                                             QObject* parent)
    : QObject(parent), m_exchange(exchange), m_meterAddressText(std::move(meterAddressText)) {
    m_timer.setInterval(0);
    connect(&m_timer, &IntervalTimer::tick, this, &ParameterReadSequence::tick);
}

void ParameterReadSequence::start() {
    m_step = 0;
    // Through 0 so that a running sequence starts a whole interval anew.
    m_timer.setInterval(0);
    m_timer.setInterval(StepMs);
}

void ParameterReadSequence::tick() {
    const qint16 s = m_step;
    m_step = static_cast<qint16>(s + 1);
    if (s >= 0 && s <= 3) {
        if (!readMeter(s + 1))
            emit requestFailed();
    } else if (s == 4) {
        m_step = 0;
        m_timer.setInterval(0);
        emit finished();
    }
}

bool ParameterReadSequence::readMeter(int block) {
    static constexpr ReplyKind kinds[] = {ReplyKind::Block1, ReplyKind::Block2, ReplyKind::Block3,
                                          ReplyKind::Block4};
    m_exchange.clearform1();
    const std::optional<std::uint8_t> address = MeterAddress::fromText(m_meterAddressText());
    if (!address)
        return false;
    return m_exchange.send(Frames::readRequest(*address, kinds[block - 1])) == 0;
}
