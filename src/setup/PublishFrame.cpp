#include "PublishFrame.h"

#include "DescribedButton.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSysInfo>

namespace {

QLineEdit* box(const char* objectName, const QString& accessibleName, QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(objectName));
    edit->setAccessibleName(accessibleName);
    return edit;
}

} // namespace

PublishFrame::PublishFrame(QWidget* parent) : QGroupBox(QStringLiteral("Publish"), parent) {
    setObjectName(QStringLiteral("publishFrame"));
    m_enabled = new QCheckBox(QStringLiteral("Publish every reading to an MQTT broker"), this);
    m_enabled->setObjectName(QStringLiteral("publishEnabled"));
    m_host = box("brokerHost", QStringLiteral("Broker"), this);
    m_port = box("brokerPort", QStringLiteral("Port"), this);
    m_port->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]{0,5}")), m_port));
    m_port->setMaximumWidth(m_port->fontMetrics().horizontalAdvance(QStringLiteral("000000")) + 24);
    m_prefix = box("topicPrefix", QStringLiteral("Topic prefix"), this);
    m_station = box("station", QStringLiteral("Station"), this);
    m_station->setPlaceholderText(QSysInfo::machineHostName());
    m_station->setToolTip(QStringLiteral("One topic level; empty for this computer's name"));
    m_username = box("brokerUser", QStringLiteral("User"), this);
    m_password = box("brokerPassword", QStringLiteral("Password"), this);
    m_password->setEchoMode(QLineEdit::Password);
    m_caFile = box("caFile", QStringLiteral("CA file"), this);
    m_caFile->setPlaceholderText(QStringLiteral("empty: no TLS"));
    m_qos = new QComboBox(this);
    m_qos->setObjectName(QStringLiteral("qos"));
    m_qos->setAccessibleName(QStringLiteral("QoS"));
    m_qos->addItems({QStringLiteral("0"), QStringLiteral("1")});
    m_qos->setToolTip(QStringLiteral("1: every message arrives at least once"));
    m_discovery = new QCheckBox(QStringLiteral("Home Assistant discovery"), this);
    m_discovery->setObjectName(QStringLiteral("publishDiscovery"));
    m_discovery->setToolTip(QStringLiteral("Announce each meter to Home Assistant under "
                                           "homeassistant/"));
    m_modify = describedButton(QStringLiteral("Modify"),
                               QStringLiteral("Change the publish settings"), this);
    m_modify->setObjectName(QStringLiteral("publishModify"));
    m_save = describedButton(QStringLiteral("Save"),
                             QStringLiteral("Store and apply the publish settings"), this);
    m_save->setObjectName(QStringLiteral("publishSave"));

    auto* grid = new QGridLayout(this);
    const auto add = [this, grid](int row, int column, const QString& caption, QWidget* field,
                                  int span = 1) {
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        grid->addWidget(label, row, column);
        grid->addWidget(field, row, column + 1, 1, span);
    };
    grid->addWidget(m_enabled, 0, 0, 1, 4);
    add(1, 0, QStringLiteral("Broker:"), m_host);
    add(1, 2, QStringLiteral("Port:"), m_port);
    add(2, 0, QStringLiteral("Topic prefix:"), m_prefix);
    add(2, 2, QStringLiteral("Station:"), m_station);
    add(3, 0, QStringLiteral("User:"), m_username);
    add(3, 2, QStringLiteral("Password:"), m_password);
    add(4, 0, QStringLiteral("CA file:"), m_caFile);
    add(4, 2, QStringLiteral("QoS:"), m_qos);
    grid->addWidget(m_discovery, 5, 0, 1, 4);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_modify);
    buttons->addWidget(m_save);
    grid->addLayout(buttons, 6, 0, 1, 4);
    grid->setColumnStretch(1, 2);
    grid->setColumnStretch(3, 1);
    setEditing(false);
}

void PublishFrame::showSettings(const PublishSettings& settings) {
    m_enabled->setChecked(settings.enabled);
    m_host->setText(settings.host);
    m_port->setText(settings.port > 0 ? QString::number(settings.port) : QString());
    m_prefix->setText(settings.topicPrefix);
    m_station->setText(settings.station);
    m_username->setText(settings.username);
    m_password->setText(settings.password);
    m_caFile->setText(settings.caFile);
    // A stored QoS outside the list shows none, so Save cannot pass it on unseen.
    m_qos->setCurrentIndex(settings.qos == 0 || settings.qos == 1 ? settings.qos : -1);
    m_discovery->setChecked(settings.discovery);
}

PublishSettings PublishFrame::entered() const {
    PublishSettings settings;
    settings.enabled = m_enabled->isChecked();
    settings.host = m_host->text().trimmed();
    settings.port = m_port->text().toInt();
    settings.topicPrefix = m_prefix->text().trimmed();
    settings.station = m_station->text().trimmed();
    settings.username = m_username->text();
    settings.password = m_password->text();
    settings.caFile = m_caFile->text().trimmed();
    settings.qos = m_qos->currentIndex();
    settings.discovery = m_discovery->isChecked();
    return settings;
}

void PublishFrame::setEditing(bool editing) {
    for (QWidget* field :
         std::initializer_list<QWidget*>{m_enabled, m_host, m_port, m_prefix, m_station, m_username,
                                         m_password, m_caFile, m_qos, m_discovery})
        field->setEnabled(editing);
    m_modify->setVisible(!editing);
    m_save->setVisible(editing);
}

bool PublishFrame::isEditing() const {
    return m_save->isVisibleTo(this);
}
