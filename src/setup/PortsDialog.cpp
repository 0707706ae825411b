#include "PortsDialog.h"

#include "DescribedButton.h"
#include "LineSettingsEntry.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStandardItemModel>
#include <QTableView>
#include <QVBoxLayout>

PortsDialog::PortsDialog(const QString& folder, SerialDeviceSource devices, QWidget* parent)
    : QDialog(parent), m_assignments(folder), m_devices(std::move(devices)) {
    setWindowTitle(QStringLiteral("Serial ports"));
    auto* layout = new QVBoxLayout(this);
    auto* intro = new QLabel(
        QStringLiteral("The serial devices on this computer. A device given a port number here "
                       "keeps it when it is plugged in again or the computer restarts."),
        this);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    m_model = new QStandardItemModel(0, Columns, this);
    m_model->setHorizontalHeaderLabels(
        {QStringLiteral("Device"), QStringLiteral("Stable name"), QStringLiteral("Description"),
         QStringLiteral("Manufacturer"), QStringLiteral("Serial number"), QStringLiteral("Port")});
    m_table = new QTableView(this);
    m_table->setObjectName(QStringLiteral("deviceTable"));
    m_table->setAccessibleName(QStringLiteral("Serial devices"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->setTextElideMode(Qt::ElideMiddle);
    layout->addWidget(m_table, 1);

    auto* row = new QHBoxLayout;
    m_portList = new QComboBox(this);
    m_portList->setObjectName(QStringLiteral("portNumberList"));
    m_portList->setAccessibleName(QStringLiteral("Port number"));
    m_portList->addItems(LineSettingsEntry::portItems());
    auto* portCaption = new QLabel(QStringLiteral("Port number:"), this);
    portCaption->setBuddy(m_portList);
    m_assign = describedButton(QStringLiteral("Assign"),
                               QStringLiteral("Give the chosen device this port number"), this);
    auto* release = describedButton(QStringLiteral("Remove link"),
                                    QStringLiteral("Take this port number's link away"), this);
    auto* refreshButton =
        describedButton(QStringLiteral("Refresh"), QStringLiteral("List the devices again"), this);
    row->addWidget(portCaption);
    row->addWidget(m_portList);
    row->addWidget(m_assign);
    row->addWidget(release);
    row->addStretch();
    row->addWidget(refreshButton);
    layout->addLayout(row);

    m_result = new QLabel(this);
    m_result->setObjectName(QStringLiteral("resultLabel"));
    m_result->setWordWrap(true);
    m_result->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_result);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    layout->addWidget(buttons);

    connect(m_assign, &QPushButton::clicked, this, &PortsDialog::assignChosen);
    connect(release, &QPushButton::clicked, this, &PortsDialog::releaseChosen);
    connect(refreshButton, &QPushButton::clicked, this, &PortsDialog::refresh);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    refresh();
    resize(860, 360);
}

void PortsDialog::refresh() {
    const int chosen = m_table->currentIndex().row();
    m_listed = m_devices ? m_devices() : QList<SerialDevice>();
    m_model->removeRows(0, m_model->rowCount());
    for (const PortAssignments::Row& row : m_assignments.rows(m_listed)) {
        const SerialDevice& device = row.device;
        QString port = row.ports.join(QStringLiteral(", "));
        if (!row.mayOpen)
            port += (port.isEmpty() ? QString() : QStringLiteral(" ")) +
                    QStringLiteral("(no rights: dialout group)");
        QList<QStandardItem*> items;
        for (const QString& text : {device.path, device.stableName, device.description,
                                    device.manufacturer, device.serialNumber, port}) {
            auto* item = new QStandardItem(text);
            item->setToolTip(text);
            items << item;
        }
        m_model->appendRow(items);
    }
    m_table->resizeColumnsToContents();
    if (chosen >= 0 && chosen < m_model->rowCount())
        m_table->selectRow(chosen);
    else if (m_model->rowCount() > 0)
        m_table->selectRow(0);
    m_assign->setEnabled(m_model->rowCount() > 0);
}

std::optional<SerialDevice> PortsDialog::chosenDevice() const {
    const int row = m_table->currentIndex().row();
    if (row < 0 || row >= m_listed.size())
        return std::nullopt;
    return m_listed[row];
}

int PortsDialog::chosenPort() const {
    return m_portList->currentIndex() + PortAssignments::FirstPort;
}

void PortsDialog::assignChosen() {
    const std::optional<SerialDevice> device = chosenDevice();
    if (!device) {
        showResult(QStringLiteral("Choose a device first."));
        return;
    }
    QString error;
    if (!m_assignments.assign(*device, chosenPort(), &error)) {
        showResult(error);
        return;
    }
    showResult(QStringLiteral("%1 is now %2.")
                   .arg(m_portList->currentText(), m_assignments.linkTarget(chosenPort())));
    refresh();
    emit assignmentsChanged();
}

void PortsDialog::releaseChosen() {
    QString error;
    if (!m_assignments.release(chosenPort(), &error)) {
        showResult(error);
        return;
    }
    showResult(QStringLiteral("%1 is no longer linked.").arg(m_portList->currentText()));
    refresh();
    emit assignmentsChanged();
}

QString PortsDialog::resultText() const {
    return m_result->text();
}

void PortsDialog::showResult(const QString& text) {
    m_result->setText(text);
}
