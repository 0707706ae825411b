#include "ParameterWindow.h"

#include "Database.h"
#include "ParameterBlockDispatcher.h"
#include "ParameterForm.h"
#include "ParameterReadSequence.h"
#include "Record.h"
#include "SerialExchange.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QStatusBar>
#include <QVBoxLayout>

namespace {

// Each window has a connection of its own, however many are open.
QString connectionName() {
    static int count = 0;
    return QStringLiteral("ParameterWindow%1").arg(++count);
}

const QStringList& pcBaudRates() {
    static const QStringList rates{"115200", "57600", "38400", "28800", "19200", "14400",
                                   "9600",   "4800",  "2400",  "1200",  "600"};
    return rates;
}

const QStringList& pcParities() {
    static const QStringList parities{"NONE", "ODD", "EVEN"};
    return parities;
}

} // namespace

ParameterWindow::ParameterWindow(const QString& programFolder, SerialExchange& exchange,
                                 ParameterBlockDispatcher& dispatcher, QWidget* parent)
    : QMainWindow(parent), m_dispatcher(dispatcher), m_exchange(exchange) {
    setWindowTitle(QStringLiteral("Meter parameter setup"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(makeCommunicationFrame());
    // Digits-only boxes are set up by the form as it builds its fields.
    m_form = new ParameterForm(ParameterWindowKind::Full, central);
    layout->addWidget(m_form);
    setCentralWidget(central);
    m_status = new QLabel(this);
    m_status->setAccessibleName(QStringLiteral("Status"));
    statusBar()->addWidget(m_status, 1);

    // Load: a step that fails is skipped and the next one runs.
    m_db = std::make_unique<Database>(programFolder, connectionName());
    m_writer = std::make_unique<ParameterWriter>(m_exchange, m_db->connection(),
                                                 ParameterWindowKind::Full);
    m_readSequence = new ParameterReadSequence(
        m_exchange, [this] { return meterAddressText(); }, this);
    fillMeterAddresses();
    setUpSerialPort(ParameterPort::OnFailure::SkipStep);

    connect(m_read, &QPushButton::clicked, this, &ParameterWindow::read);
    connect(m_form, &ParameterForm::writeRequested, this,
            [this](const Parameter& parameter) { write(parameter); });
    connect(m_readSequence, &ParameterReadSequence::finished, m_form,
            &ParameterForm::takeValuesAsRead);
    connect(m_readSequence, &ParameterReadSequence::requestFailed, this,
            [this] { setStatusText(QString::fromUtf16(ParameterNotice::com)); });
    m_dispatcher.add(this);
}

ParameterWindow::~ParameterWindow() {
    m_dispatcher.remove(this);
}

QWidget* ParameterWindow::makeCommunicationFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Communication setup"));
    auto* row = new QHBoxLayout(frame);

    // The captions repeat those of two meter parameters; the accessible
    // names tell the PC's line apart from the meter's settings.
    auto addList = [&](const QString& caption, const QString& name) {
        auto* label = new QLabel(caption, frame);
        auto* list = new QComboBox(frame);
        list->setAccessibleName(name);
        label->setBuddy(list);
        row->addWidget(label);
        row->addWidget(list);
        row->addSpacing(16);
        return list;
    };
    m_address = addList(QStringLiteral("Meter address:"),
                        QStringLiteral("Communication setup Meter address:"));
    // An address not in the meter list may be typed, three digits at most.
    m_address->setEditable(true);
    m_address->setInsertPolicy(QComboBox::NoInsert);
    m_address->lineEdit()->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,3}")), m_address));
    m_address->setMinimumContentsLength(4);
    m_baudRate =
        addList(QStringLiteral("Baudrate:"), QStringLiteral("Communication setup Baudrate:"));
    m_baudRate->addItems(pcBaudRates());
    m_baudRate->setCurrentText(QStringLiteral("9600"));
    m_parity = addList(QStringLiteral("Parity check:"),
                       QStringLiteral("Communication setup Parity check:"));
    m_parity->addItems(pcParities());
    m_parity->setCurrentText(QStringLiteral("EVEN"));
    row->addStretch(1);
    m_read = new QPushButton(QStringLiteral("Read"), frame);
    m_read->setAccessibleName(QStringLiteral("Read"));
    row->addWidget(m_read);
    return frame;
}

void ParameterWindow::fillMeterAddresses() {
    RowSet meters = Record(QStringLiteral("select dizhi from yibiaodizhi ORDER BY dizhi asc"),
                           m_db->connection());
    for (; !meters.eof(); meters.moveNext()) {
        if (const std::optional<QVariant> dizhi = meters.value(QStringLiteral("dizhi")))
            m_address->addItem(dizhi->toString());
    }
    // The first listed meter is the one asked; with no meter listed the text
    // stays empty and nothing can be sent.
    m_address->setCurrentIndex(m_address->count() > 0 ? 0 : -1);
}

void ParameterWindow::setFieldText(const QString& caption, const QString& text) {
    if (const Parameter* parameter = ParameterTable::find(caption))
        m_form->setText(*parameter, text);
}

std::optional<QString> ParameterWindow::lineSettings() const {
    static const QHash<QString, QChar> letters{{QStringLiteral("NONE"), u'n'},
                                               {QStringLiteral("ODD"), u'o'},
                                               {QStringLiteral("EVEN"), u'e'}};
    const auto letter = letters.constFind(m_parity->currentText());
    if (letter == letters.constEnd())
        return std::nullopt;
    return QStringLiteral("%1,%2,8,1").arg(m_baudRate->currentText(), *letter);
}

int ParameterWindow::setUpSerialPort(ParameterPort::OnFailure onFailure) {
    return ParameterPort::setUp(m_exchange.port(), m_db->connection(), lineSettings(), onFailure);
}

void ParameterWindow::read() {
    m_form->clearTexts();
    if (setUpSerialPort(ParameterPort::OnFailure::Stop) != 0) {
        setStatusText(QString::fromUtf16(ParameterNotice::com));
        return;
    }
    m_readSequence->start();
}

void ParameterWindow::readTimerTick() {
    m_readSequence->tick();
}

ParameterWriter::Result ParameterWindow::write(const Parameter& parameter) {
    return m_writer->write(parameter, *this);
}

QString ParameterWindow::statusText() const {
    return m_status->text();
}

QString ParameterWindow::fieldText(const Parameter& parameter) const {
    return m_form->text(parameter);
}

void ParameterWindow::replaceFieldText(const Parameter& parameter, const QString& text) {
    m_form->setText(parameter, text);
}

QString ParameterWindow::valueAsRead(const Parameter& parameter) const {
    return m_form->valueAsRead(parameter);
}

void ParameterWindow::lockParameter(const Parameter& parameter) {
    m_form->lock(parameter);
}

QString ParameterWindow::meterAddressText() const {
    return m_address->currentText();
}

QString ParameterWindow::serialNumberText() const {
    return m_form->text(ParameterTable::serialNumber());
}

void ParameterWindow::setStatusText(const QString& text) {
    m_status->setText(text);
}

void ParameterWindow::readBack() {
    read();
}
