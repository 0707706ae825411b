#include "CommSettings.h"

#include "IntervalTimer.h"
#include "SerialPort.h"
#include "WebSettings.h"
#include "WholeNumber.h"

#include <limits>

namespace {

SettingsTexts textsOf(const StoredSettings& stored) {
    return {stored.port,       stored.baud,           LineSettingsEntry::parityText(stored.parity),
            stored.pollPeriod, stored.recordInterval, stored.keepDays};
}

} // namespace

CommSettings::CommSettings(QSqlDatabase db, SerialPort& port, IntervalTimer& pollTimer)
    : m_table(std::move(db)), m_port(port), m_pollTimer(pollTimer) {}

SettingsTexts CommSettings::load() const {
    return textsOf(m_table.read().settings);
}

CommSettings::SaveResult CommSettings::saveLineSettings(const LineSettingsEntry& entry) {
    // Start-up reads the poll period into a 16-bit number and builds the
    // line settings from the baud text; a value it cannot read would make
    // every later start fail, so it is never stored.
    const std::optional<int> timer = LineSettingsEntry::pollPeriod(entry.timeout);
    if (!timer || !LineSettingsEntry::isBaudRate(entry.baud))
        return {};
    const StoreWrite write =
        m_table.storeLineSettings(entry.baud, LineSettingsEntry::portNumber(entry.port), *timer,
                                  LineSettingsEntry::parityCode(entry.parity));
    if (!write.isDone()) {
        SaveResult refused;
        refused.write = write;
        return refused;
    }

    // The row is stored before the port is touched: a port that fails to
    // open stays stored, and the operator sees why in the notice.
    const StoredSettings stored = m_table.read().settings;
    SaveResult result;
    result.stored = textsOf(stored);
    const std::optional<int> com = WholeNumber::parse(stored.port);
    if (!com)
        return result;
    m_onLine([&] {
        result.portError = reopenPort(entry.lineSettingsText(), *com);
        if (result.portError != 0)
            return;
        m_pollTimer.setInterval(std::chrono::milliseconds(*timer));
        result.applied = true;
    });
    return result;
}

int CommSettings::reopenPort(const std::optional<QString>& lineSettings, int com) {
    m_port.close();
    if (lineSettings) {
        if (const int code = m_port.setLineSettings(*lineSettings))
            return code;
    }
    m_port.setPortNumber(com);
    return m_port.openEmptied();
}

std::optional<StoreWrite> CommSettings::saveRecordInterval(const QString& text) {
    // The minute counter stops at 32767, so a longer interval would
    // silently never record.
    const std::optional<int> minutes =
        WholeNumber::parse(text, 0, std::numeric_limits<qint16>::max());
    if (!minutes)
        return std::nullopt;
    return m_table.storeRecordInterval(*minutes);
}

std::optional<int> CommSettings::keepDays(const QString& text) {
    return WholeNumber::parse(text, 0, 36525);
}

bool CommSettings::isWebListen(const QString& text) {
    QString error;
    return text.trimmed().isEmpty() || WebSettings::parse(text, &error);
}

std::optional<StoreWrite> CommSettings::saveWebListen(const QString& text) {
    if (!isWebListen(text))
        return std::nullopt;
    StoredWeb web = m_table.web();
    web.listen = text.trimmed();
    return m_table.storeWeb(web);
}

std::optional<StoreWrite> CommSettings::saveKeepDays(const QString& text) {
    const std::optional<int> days = keepDays(text);
    if (!days)
        return std::nullopt;
    return m_table.storeKeepDays(*days);
}
