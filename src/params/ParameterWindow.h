#pragma once

#include "ParameterWindowBase.h"

class QComboBox;

// "Meter parameter setup", the full window: all 43 parameters of one
// meter, 27 of them writable, logged at security level 2. It talks through
// the shared serial port, which it sets to its own "Baudrate:" and
// "Parity check:" lists, at load as well as on "Read". Loading happens on
// construction.
class ParameterWindow : public ParameterWindowBase {
    Q_OBJECT
public:
    ParameterWindow(const QString& programFolder, SerialExchange& exchange,
                    ParameterBlockDispatcher& dispatcher, QWidget* parent = nullptr);

    // The line settings the two lists ask for; nullopt leaves the line as it is.
    std::optional<QString> lineSettings() const override;

    QComboBox* baudRateList() const { return m_baudRate; }
    QComboBox* parityList() const { return m_parity; }

private:
    // ParameterWriter::Window: the form's "Transducer serial#:" field.
    QString serialNumberText() const override;

    QComboBox* m_baudRate = nullptr;
    QComboBox* m_parity = nullptr;
};
