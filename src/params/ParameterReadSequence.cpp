#include "ParameterReadSequence.h"

#include "Frames.h"
#include "SerialExchange.h"
#include "WholeNumber.h"

ParameterReadSequence::ParameterReadSequence(SerialExchange& exchange,
                                             std::function<QString()> meterAddressText,
                                             QObject* parent)
    : QObject(parent), m_exchange(exchange), m_meterAddressText(std::move(meterAddressText)) {
    connect(&m_timer, &IntervalTimer::tick, this, &ParameterReadSequence::tick);
}

void ParameterReadSequence::start() {
    m_step = 0;
    // Through 0 so that a running sequence starts a whole interval anew.
    m_timer.setInterval({});
    m_timer.setInterval(Step);
}

void ParameterReadSequence::tick() {
    const qint16 s = m_step;
    m_step = static_cast<qint16>(s + 1);
    if (s >= 0 && s < static_cast<qint16>(parameterBlocks.size())) {
        if (!readMeter(parameterBlocks[s]))
            emit requestFailed();
    } else if (s == static_cast<qint16>(parameterBlocks.size())) {
        m_step = 0;
        m_timer.setInterval({});
        emit finished();
    }
}

bool ParameterReadSequence::readMeter(ReplyKind block) {
    m_exchange.clearform1();
    const std::optional<int> address = WholeNumber::parse(m_meterAddressText(), 0, 255);
    if (!address)
        return false;
    return m_exchange.send(Frames::readRequest(static_cast<std::uint8_t>(*address), block)) == 0;
}
