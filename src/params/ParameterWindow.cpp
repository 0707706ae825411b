#include "ParameterWindow.h"

#include "ParameterForm.h"

#include "LineSettings.h"

#include <QComboBox>

ParameterWindow::ParameterWindow(const QString& programFolder, SerialExchange& exchange,
                                 ParameterBlockDispatcher& dispatcher, QWidget* parent)
    : ParameterWindowBase(ParameterWindowKind::Full, programFolder, exchange, dispatcher, parent) {
    // The captions repeat those of two meter parameters; the accessible
    // names tell the PC's line apart from the meter's settings.
    m_baudRate = addCommunicationList(QStringLiteral("Baudrate:"),
                                      QStringLiteral("Communication setup Baudrate:"));
    m_baudRate->addItems(LineSettings::baudTexts());
    m_baudRate->setCurrentText(QStringLiteral("9600"));
    m_parity = addCommunicationList(QStringLiteral("Parity check:"),
                                    QStringLiteral("Communication setup Parity check:"));
    m_parity->addItems(LineSettings::parityTexts());
    m_parity->setCurrentText(QStringLiteral("EVEN"));

    // The last load step: a failing port step is skipped and the next runs.
    setUpSerialPort(ParameterPort::OnFailure::SkipStep);
}

std::optional<QString> ParameterWindow::lineSettings() const {
    return LineSettings::textFor(m_baudRate->currentText(), m_parity->currentText());
}

QString ParameterWindow::serialNumberText() const {
    return form().text(ParameterTable::serialNumber());
}
