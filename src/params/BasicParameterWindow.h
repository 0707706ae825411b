#pragma once

#include "ParameterWindowBase.h"

class QLineEdit;

// "Meter parameter setup", the basic window: 13 everyday parameters of one
// meter, 10 of them writable, logged at security level 1. It talks through
// the shared serial port at whatever line settings the port already has.
// Loading happens on construction and leaves the port alone.
class BasicParameterWindow : public ParameterWindowBase {
    Q_OBJECT
public:
    BasicParameterWindow(const QString& programFolder, SerialExchange& exchange,
                         ParameterBlockDispatcher& dispatcher, QWidget* parent = nullptr);

    // ParameterFields: a decoded text for the field of that parameter, or
    // for the hidden serial number box.
    void setFieldText(int reg, const QString& text) override;

    // None of its own: the line stays as the main window, the last Save or
    // the full window left it.
    std::optional<QString> lineSettings() const override { return std::nullopt; }

    // Never shown; it keeps the meter's serial number for the log rows.
    QLineEdit* serialNumberBox() const { return m_serialNumber; }

private:
    // ParameterWriter::Window: the hidden box's text.
    QString serialNumberText() const override;

    QLineEdit* m_serialNumber = nullptr;
};
