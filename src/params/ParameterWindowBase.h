#pragma once

#include "ParameterFields.h"
#include "ParameterPort.h"
#include "ParameterWriter.h"

#include <QList>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <optional>

class Database;
class ParameterBlockDispatcher;
class ParameterForm;
class ParameterReadSequence;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QPushButton;
class SerialExchange;

// What the full and the basic "Meter parameter setup" windows share: the
// "Communication setup" frame with the meter address list and "Read", the
// form of the window's kind, the status line, a database connection of its
// own, the timed read and the writes logged at the kind's level. The block
// decoders fill the window while it exists. Each window adds what is its
// own: line settings, hidden boxes, where the logged serial number comes from.
class ParameterWindowBase : public QMainWindow,
                            public ParameterFields,
                            private ParameterWriter::Window {
    Q_OBJECT
public:
    ~ParameterWindowBase() override;

    // ParameterFields: a decoded text for the form's field of that
    // parameter; parameters the form does not show are ignored.
    void setFieldText(int reg, const QString& text) override;

    // The line settings the window asks for; nullopt leaves the line as it is.
    virtual std::optional<QString> lineSettings() const = 0;

    // A line of the station the window may work on.
    struct Line {
        int number = 1;
        QString name;
        SerialExchange* exchange = nullptr;
    };
    // The station's lines. With more than one, a "Line:" list before the
    // meter address picks the line the window works on. The window starts
    // on line 1, which the caller holds already; `hold` is told of each
    // line it takes up and `release` of each it leaves, the last one when
    // the window goes, so that only that line stops polling meanwhile.
    void setLines(const QList<Line>& lines, std::function<void(int)> hold,
                  std::function<void(int)> release);
    int lineNumber() const { return m_line; }
    // Null with one line.
    QComboBox* lineList() const { return m_lineList; }

    // The window's handlers.
    int setUpSerialPort(ParameterPort::OnFailure onFailure = ParameterPort::OnFailure::Stop);
    void read();
    ParameterWriter::Result write(const Parameter& parameter);

    ParameterForm& form() { return *m_form; }
    const ParameterForm& form() const { return *m_form; }
    ParameterReadSequence& readSequence() { return *m_readSequence; }
    QComboBox* meterAddressList() const { return m_address; }
    QPushButton* readButton() const { return m_read; }
    QString statusText() const;

protected:
    // Builds and loads the window of that kind. `programFolder` holds the
    // database, on which the window opens a connection of its own; the
    // exchange gives the shared port, left alone here. The window takes the
    // dispatcher's block texts while it exists.
    ParameterWindowBase(ParameterWindowKind kind, const QString& programFolder,
                        SerialExchange& exchange, ParameterBlockDispatcher& dispatcher,
                        QWidget* parent);

    // A further labelled list in the "Communication setup" frame, after
    // those already there.
    QComboBox* addCommunicationList(const QString& caption, const QString& accessibleName);

private:
    // ParameterWriter::Window; serialNumberText() is the window's own.
    QString fieldText(const Parameter& parameter) const override;
    void replaceFieldText(const Parameter& parameter, const QString& text) override;
    QString valueAsRead(const Parameter& parameter) const override;
    void lockParameter(const Parameter& parameter) override;
    QString meterAddressText() const override;
    void setStatusText(const QString& text) override;
    void readBack() override;

    QWidget* makeCommunicationFrame();
    void fillMeterAddresses();
    // The writes and the timed read go to this exchange's line from now on.
    void useExchange(SerialExchange& exchange);
    void chooseLine(int index);

    ParameterBlockDispatcher& m_dispatcher;
    ParameterWindowKind m_kind;
    SerialExchange* m_exchange;
    QList<Line> m_lines;
    int m_line = 1;
    std::function<void(int)> m_hold;
    std::function<void(int)> m_release;
    QComboBox* m_lineList = nullptr;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<ParameterWriter> m_writer;
    ParameterReadSequence* m_readSequence = nullptr;
    ParameterForm* m_form = nullptr;
    QHBoxLayout* m_communicationRow = nullptr;
    QComboBox* m_address = nullptr;
    QPushButton* m_read = nullptr;
    QLabel* m_status = nullptr;
};
