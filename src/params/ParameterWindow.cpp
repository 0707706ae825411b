#include "ParameterWindow.h"

#include "ParameterForm.h"

#include <QComboBox>
#include <QHash>

namespace {

const QStringList& pcBaudRates() {
    static const QStringList rates{"115200", "57600", "38400", "28800", "19200", "14400",
                                   "9600",   "4800",  "2400",  "1200",  "600"};
    return rates;
}

const QStringList& pcParities() {
    static const QStringList parities{"NONE", "ODD", "EVEN"};
    return parities;
}

} // namespace

ParameterWindow::ParameterWindow(const QString& programFolder, SerialExchange& exchange,
                                 ParameterBlockDispatcher& dispatcher, QWidget* parent)
    : ParameterWindowBase(ParameterWindowKind::Full, programFolder, exchange, dispatcher, parent) {
    // The captions repeat those of two meter parameters; the accessible
    // names tell the PC's line apart from the meter's settings.
    m_baudRate = addCommunicationList(QStringLiteral("Baudrate:"),
                                      QStringLiteral("Communication setup Baudrate:"));
    m_baudRate->addItems(pcBaudRates());
    m_baudRate->setCurrentText(QStringLiteral("9600"));
    m_parity = addCommunicationList(QStringLiteral("Parity check:"),
                                    QStringLiteral("Communication setup Parity check:"));
    m_parity->addItems(pcParities());
    m_parity->setCurrentText(QStringLiteral("EVEN"));

    // The last load step: a failing port step is skipped and the next runs.
    setUpSerialPort(ParameterPort::OnFailure::SkipStep);
}

std::optional<QString> ParameterWindow::lineSettings() const {
    static const QHash<QString, QChar> letters{{QStringLiteral("NONE"), u'n'},
                                               {QStringLiteral("ODD"), u'o'},
                                               {QStringLiteral("EVEN"), u'e'}};
    const auto letter = letters.constFind(m_parity->currentText());
    if (letter == letters.constEnd())
        return std::nullopt;
    return QStringLiteral("%1,%2,8,1").arg(m_baudRate->currentText(), *letter);
}

QString ParameterWindow::serialNumberText() const {
    return form().text(ParameterTable::serialNumber());
}
