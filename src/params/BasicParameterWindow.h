#pragma once

#include "ParameterFields.h"
#include "ParameterWriter.h"

#include <QMainWindow>
#include <memory>

class Database;
class ParameterBlockDispatcher;
class ParameterForm;
class ParameterReadSequence;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class SerialExchange;

// "Meter parameter setup", the basic window: 13 everyday parameters of one
// meter, 10 of them writable, logged at security level 1. It talks through
// the shared serial port at whatever line settings the port already has.
// Loading happens on construction and leaves the port alone.
class BasicParameterWindow : public QMainWindow,
                             public ParameterFields,
                             private ParameterWriter::Window {
    Q_OBJECT
public:
    // `programFolder` holds the database, on which the window opens a
    // connection of its own; the exchange gives the shared port. The
    // window takes the dispatcher's block texts while it exists.
    BasicParameterWindow(const QString& programFolder, SerialExchange& exchange,
                         ParameterBlockDispatcher& dispatcher, QWidget* parent = nullptr);
    ~BasicParameterWindow() override;

    // ParameterFields: a decoded text for the field of that caption, or for
    // the hidden serial number box.
    void setFieldText(const QString& caption, const QString& text) override;

    // The window's handlers.
    int setUpSerialPort();
    void read();
    void readTimerTick();
    ParameterWriter::Result write(const Parameter& parameter);

    ParameterForm& form() { return *m_form; }
    ParameterReadSequence& readSequence() { return *m_readSequence; }
    QComboBox* meterAddressList() const { return m_address; }
    QPushButton* readButton() const { return m_read; }
    // Never shown; it keeps the meter's serial number for the log rows.
    QLineEdit* serialNumberBox() const { return m_serialNumber; }
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
    QPushButton* m_read = nullptr;
    QLineEdit* m_serialNumber = nullptr;
    QLabel* m_status = nullptr;
};
