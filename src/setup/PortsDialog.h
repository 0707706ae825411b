#pragma once

#include "PortAssignments.h"

#include <QDialog>

class QComboBox;
class QLabel;
class QPushButton;
class QStandardItemModel;
class QTableView;

// "Serial ports": the serial devices present, which comN each is, and
// giving the chosen device a port number.
class PortsDialog : public QDialog {
    Q_OBJECT
public:
    enum Column { Device, StableName, Description, Manufacturer, SerialNumber, Port, Columns };

    PortsDialog(const QString& folder, SerialDeviceSource devices, QWidget* parent = nullptr);

    // The buttons' actions.
    void refresh();
    void assignChosen();
    void releaseChosen();

    QString resultText() const;

signals:
    // A port number now leads elsewhere.
    void assignmentsChanged();

private:
    std::optional<SerialDevice> chosenDevice() const;
    int chosenPort() const;
    void showResult(const QString& text);

    PortAssignments m_assignments;
    SerialDeviceSource m_devices;
    QList<SerialDevice> m_listed;
    QStandardItemModel* m_model = nullptr;
    QTableView* m_table = nullptr;
    QComboBox* m_portList = nullptr;
    QPushButton* m_assign = nullptr;
    QLabel* m_result = nullptr;
};
