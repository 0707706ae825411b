#include "LineDialog.h"

#include "DigitsValidator.h"
#include "LineSettingsEntry.h"

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
    : QDialog(parent), m_number(number) {
    setWindowTitle(QStringLiteral("Line %1").arg(number));
    auto* layout = new QVBoxLayout(this);
    auto* form = new QFormLayout;
    layout->addLayout(form);

    m_name = field(new QLineEdit(shown.name, this), "lineName", QStringLiteral("Name"));
    m_name->setPlaceholderText(StoredLine::defaultName(number));
    // A device path is typed in, such as /dev/serial/by-id/...
    m_port = field(list(LineSettingsEntry::portItems(), shown.port, true, this), "linePort",
                   QStringLiteral("Port"));
    m_port->setMinimumContentsLength(24);
    m_port->setToolTip(QStringLiteral("com1 to com10, or a device path such as "
                                      "/dev/serial/by-id/..."));
    m_baud = field(list(LineSettingsEntry::baudItems(), shown.baud, true, this), "lineBaud",
                   QStringLiteral("Baudrate"));
    m_parity = field(list(LineSettingsEntry::parityItems(), shown.parity, false, this),
                     "lineParity", QStringLiteral("Parity check"));
    m_period =
        field(new QLineEdit(shown.period, this), "linePeriod", QStringLiteral("Poll period"));
    m_timeout =
        field(new QLineEdit(shown.timeout, this), "lineTimeout", QStringLiteral("Reply timeout"));
    for (QLineEdit* box : {m_period, m_timeout})
        box->setValidator(digitsValidator(box, 5));
    m_meters = field(new QLineEdit(shown.meters, this), "lineMeters", QStringLiteral("Meters"));
    m_meters->setPlaceholderText(QStringLiteral("1-3,7"));

    form->addRow(QStringLiteral("&Name:"), m_name);
    form->addRow(QStringLiteral("&Port:"), m_port);
    form->addRow(QStringLiteral("&Baudrate:"), m_baud);
    form->addRow(QStringLiteral("Pa&rity check:"), m_parity);
    form->addRow(QStringLiteral("Poll p&eriod (ms):"), m_period);
    form->addRow(QStringLiteral("Reply &timeout (ms):"), m_timeout);
    form->addRow(QStringLiteral("&Meters:"), m_meters);

    m_notice = new QLabel(this);
    m_notice->setObjectName(QStringLiteral("lineNotice"));
    m_notice->setWordWrap(true);
    layout->addWidget(m_notice);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &LineDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &LineDialog::reject);
    layout->addWidget(buttons);
}

LineEntry LineDialog::entry() const {
    return {m_name->text(),
            m_port->currentText().trimmed(),
            m_baud->currentText().trimmed(),
            m_parity->currentText(),
            m_period->text(),
            m_timeout->text(),
            m_meters->text()};
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
