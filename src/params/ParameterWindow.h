#pragma once

#include "ParameterFields.h"
#include "ParameterPort.h"
#include "ParameterWriter.h"

#include <QMainWindow>
#include <memory>
#include <optional>

class Database;
class ParameterBlockDispatcher;
class ParameterForm;
class ParameterReadSequence;
class QComboBox;
class QLabel;
class QPushButton;
class SerialExchange;

// "Meter parameter setup", the full window: all 43 parameters of one
// meter, 27 of them writable, logged at security level 2. It talks through
// the shared serial port, which it sets to its own "Baudrate:" and
// "Parity check:" lists. Loading happens on construction.
class ParameterWindow : public QMainWindow,
                        public ParameterFields,
                        private ParameterWriter::Window {
    Q_OBJECT
public:
    // `programFolder` holds the database, on which the window opens a
    // connection of its own; the exchange gives the shared port. The
    // window takes the dispatcher's block texts while it exists.
    ParameterWindow(const QString& programFolder, SerialExchange& exchange,
                    ParameterBlockDispatcher& dispatcher, QWidget* parent = nullptr);
    ~ParameterWindow() override;

    // ParameterFields: a decoded text for the field of that caption.
    void setFieldText(const QString& caption, const QString& text) override;

    // The window's handlers.
    int setUpSerialPort(ParameterPort::OnFailure onFailure);
    void read();
    void readTimerTick();
    ParameterWriter::Result write(const Parameter& parameter);

    // The line settings the two lists ask for; nullopt leaves the line as it is.
    std::optional<QString> lineSettings() const;

    ParameterForm& form() { return *m_form; }
    ParameterReadSequence& readSequence() { return *m_readSequence; }
    QComboBox* meterAddressList() const { return m_address; }
    QComboBox* baudRateList() const { return m_baudRate; }
    QComboBox* parityList() const { return m_parity; }
    QPushButton* readButton() const { return m_read; }
    QString statusText() const;

private:
    // ParameterWriter::Window
    QString fieldText(const Parameter& parameter) const override;
    void replaceFieldText(const Parameter& parameter, const QString& text) override;
    QString valueAsRead(const Parameter& parameter) const override;
    void lockParameter(const Parameter& parameter) override;
    QString meterAddressText() const override;
    QString serialNumberText() const override;
    void setStatusText(const QString& text) override;
    void readBack() override;

    QWidget* makeCommunicationFrame();
    void fillMeterAddresses();

    ParameterBlockDispatcher& m_dispatcher;
    SerialExchange& m_exchange;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<ParameterWriter> m_writer;
    ParameterReadSequence* m_readSequence = nullptr;
    ParameterForm* m_form = nullptr;
    QComboBox* m_address = nullptr;
    QComboBox* m_baudRate = nullptr;
    QComboBox* m_parity = nullptr;
    QPushButton* m_read = nullptr;
    QLabel* m_status = nullptr;
};
