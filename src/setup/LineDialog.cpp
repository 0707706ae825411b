#include "LineDialog.h"

#include "DigitsValidator.h"
#include "LineSettingsEntry.h"
#include "LineTable.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace {

template <typename T> T* field(T* control, const char* name, const QString& caption) {
    control->setObjectName(QLatin1String(name));
    control->setAccessibleName(caption);
    return control;
}

QComboBox* list(const QStringList& items, const QString& current, bool editable, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->addItems(items);
    box->setEditable(editable);
    box->setCurrentText(current);
    return box;
}

} // namespace

LineDialog::LineDialog(int number, const LineEntry& shown, QWidget* parent)
    : QDialog(parent), m_number(number),
      m_serialTimeout(QString::number(LineTable::startingLine(number).replyTimeout)) {
    setWindowTitle(QStringLiteral("Line %1").arg(number));
    auto* layout = new QVBoxLayout(this);
    m_form = new QFormLayout;
    layout->addLayout(m_form);

    m_name = field(new QLineEdit(shown.name, this), "lineName", QStringLiteral("Name"));
    m_name->setPlaceholderText(StoredLine::defaultName(number));
    QStringList transports;
    for (StoredLine::Transport transport :
         {StoredLine::Transport::Serial, StoredLine::Transport::RtuOverTcp,
          StoredLine::Transport::ModbusTcp})
        transports << StoredLine::transportName(transport);
    m_transport = field(list(transports, shown.transport, false, this), "lineTransport",
                        QStringLiteral("Transport"));
    m_transport->setToolTip(QStringLiteral("The line's own serial port, or a gateway (serial "
                                           "device server) on the network"));
    // A device path is typed in, such as /dev/serial/by-id/...
    m_port = field(list(LineSettingsEntry::portItems(), shown.port, true, this), "linePort",
                   QStringLiteral("Port"));
    m_port->setMinimumContentsLength(24);
    m_port->setToolTip(QStringLiteral("com1 to com10, or a device path such as "
                                      "/dev/serial/by-id/..."));
    m_host = field(new QLineEdit(shown.host, this), "lineHost", QStringLiteral("Host"));
    m_host->setPlaceholderText(QStringLiteral("host name or address"));
    m_tcpPort =
        field(new QLineEdit(shown.tcpPort, this), "lineTcpPort", QStringLiteral("TCP port"));
    m_tcpPort->setValidator(digitsValidator(m_tcpPort, 5));
    m_baud = field(list(LineSettingsEntry::baudItems(), shown.baud, true, this), "lineBaud",
                   QStringLiteral("Baudrate"));
    m_parity = field(list(LineSettingsEntry::parityItems(), shown.parity, false, this),
                     "lineParity", QStringLiteral("Parity check"));
    const QString bus = QStringLiteral("Of the meters' bus; behind a gateway, its serial side");
    m_baud->setToolTip(bus);
    m_parity->setToolTip(bus);
    m_period =
        field(new QLineEdit(shown.period, this), "linePeriod", QStringLiteral("Poll period"));
    m_timeout =
        field(new QLineEdit(shown.timeout, this), "lineTimeout", QStringLiteral("Reply timeout"));
    m_connectTimeout = field(new QLineEdit(shown.connectTimeout, this), "lineConnectTimeout",
                             QStringLiteral("Connect timeout"));
    m_gap = field(new QLineEdit(shown.gap, this), "lineGap", QStringLiteral("Gap"));
    m_gap->setToolTip(QStringLiteral("Quiet time after a reply before the next request"));
    m_connectPause = field(new QLineEdit(shown.connectPause, this), "lineConnectPause",
                           QStringLiteral("Connect pause"));
    m_connectPause->setToolTip(QStringLiteral("Time after connecting before the first request"));
    for (QLineEdit* box : {m_period, m_timeout, m_connectTimeout, m_gap, m_connectPause})
        box->setValidator(digitsValidator(box, 5));
    m_meters = field(new QLineEdit(shown.meters, this), "lineMeters", QStringLiteral("Meters"));
    m_meters->setPlaceholderText(QStringLiteral("1-3,7"));

    m_form->addRow(QStringLiteral("&Name:"), m_name);
    m_form->addRow(QStringLiteral("Tr&ansport:"), m_transport);
    m_form->addRow(QStringLiteral("&Port:"), m_port);
    m_form->addRow(QStringLiteral("&Host:"), m_host);
    m_form->addRow(QStringLiteral("TCP p&ort:"), m_tcpPort);
    m_form->addRow(QStringLiteral("&Baudrate:"), m_baud);
    m_form->addRow(QStringLiteral("Pa&rity check:"), m_parity);
    m_form->addRow(QStringLiteral("Poll p&eriod (ms):"), m_period);
    m_form->addRow(QStringLiteral("Reply &timeout (ms):"), m_timeout);
    m_form->addRow(QStringLiteral("&Connect timeout (ms):"), m_connectTimeout);
    m_form->addRow(QStringLiteral("&Gap (ms):"), m_gap);
    m_form->addRow(QStringLiteral("Connect pa&use (ms):"), m_connectPause);
    m_form->addRow(QStringLiteral("&Meters:"), m_meters);
    // Line 1 is the station's serial line.
    m_form->setRowVisible(m_transport, number != 1);
    m_transport->setEnabled(number != 1);
    showTransport();
    connect(m_transport, &QComboBox::currentIndexChanged, this, &LineDialog::showTransport);

    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("lineNotice"));
    m_notice->setWordWrap(true);
    layout->addWidget(m_notice);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &LineDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LineDialog::reject);
    layout->addWidget(buttons);
}

void LineDialog::showTransport() {
    const std::optional<StoredLine::Transport> transport =
        LineEntry::transportOf(m_transport->currentText());
    const bool gateway = transport && *transport != StoredLine::Transport::Serial;
    m_form->setRowVisible(m_port, !gateway);
    m_port->setEnabled(!gateway);
    for (QWidget* box : {m_host, m_tcpPort, m_connectTimeout, m_gap, m_connectPause}) {
        m_form->setRowVisible(box, gateway);
        box->setEnabled(gateway);
    }
    if (transport == StoredLine::Transport::ModbusTcp && m_tcpPort->text().isEmpty())
        m_tcpPort->setText(QString::number(StoredLine::ModbusTcpPort));
    // A gateway adds its own latency to each reply.
    const QString gatewayTimeout = QString::number(StoredLine::GatewayReplyTimeout);
    if (gateway && m_timeout->text() == m_serialTimeout)
        m_timeout->setText(gatewayTimeout);
    else if (!gateway && m_timeout->text() == gatewayTimeout)
        m_timeout->setText(m_serialTimeout);
    if (m_connectTimeout->text().isEmpty())
        m_connectTimeout->setText(QString::number(StoredLine::GatewayConnectTimeout));
    adjustSize();
}

LineEntry LineDialog::entry() const {
    return {m_name->text(),
            m_port->currentText().trimmed(),
            m_baud->currentText().trimmed(),
            m_parity->currentText(),
            m_period->text(),
            m_timeout->text(),
            m_meters->text(),
            m_transport->currentText(),
            m_host->text().trimmed(),
            m_tcpPort->text(),
            m_connectTimeout->text(),
            m_gap->text(),
            m_connectPause->text()};
}

QString LineDialog::noticeText() const {
    return m_notice->text();
}

void LineDialog::accept() {
    QString notice;
    const std::optional<StartingDatabase::Line> line = entry().parse(m_number, &notice);
    m_notice->setText(notice);
    if (!line)
        return;
    m_line = *line;
    QDialog::accept();
}
