#include "BasicParameterWindow.h"

#include "Database.h"
#include "ParameterBlockDispatcher.h"
#include "ParameterForm.h"
#include "ParameterPort.h"
#include "ParameterReadSequence.h"
#include "Record.h"
#include "SerialExchange.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
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
    return QStringLiteral("BasicParameterWindow%1").arg(++count);
}

} // namespace

BasicParameterWindow::BasicParameterWindow(const QString& programFolder, SerialExchange& exchange,
                                           ParameterBlockDispatcher& dispatcher, QWidget* parent)
    : QMainWindow(parent), m_dispatcher(dispatcher), m_exchange(exchange) {
    setWindowTitle(QStringLiteral("Meter parameter setup"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(makeCommunicationFrame());
    m_form = new ParameterForm(ParameterWindowKind::Basic, central);
    layout->addWidget(m_form);
    m_serialNumber = new QLineEdit(central);
    m_serialNumber->setObjectName(QStringLiteral("serialNumberBox"));
    m_serialNumber->setReadOnly(true);
    m_serialNumber->hide();
    setCentralWidget(central);
    m_status = new QLabel(this);
    m_status->setAccessibleName(QStringLiteral("Status"));
    statusBar()->addWidget(m_status, 1);

    // Load. Nothing here may end the program: without a database the
    // address list stays empty and "Read" and the writes report the failure.
    m_db = std::make_unique<Database>(programFolder, connectionName());
    m_writer = std::make_unique<ParameterWriter>(m_exchange, m_db->connection(),
                                                 ParameterWindowKind::Basic);
    m_readSequence = new ParameterReadSequence(
        m_exchange, [this] { return meterAddressText(); }, this);
    fillMeterAddresses();
    // The port is left as it is until "Read".

    connect(m_read, &QPushButton::clicked, this, &BasicParameterWindow::read);
    connect(m_form, &ParameterForm::writeRequested, this,
            [this](const Parameter& parameter) { write(parameter); });
    connect(m_readSequence, &ParameterReadSequence::finished, m_form,
            &ParameterForm::takeValuesAsRead);
    connect(m_readSequence, &ParameterReadSequence::requestFailed, this,
            [this] { setStatusText(QString::fromUtf16(ParameterNotice::com)); });
    m_dispatcher.add(this);
}

BasicParameterWindow::~BasicParameterWindow() {
    m_dispatcher.remove(this);
}

QWidget* BasicParameterWindow::makeCommunicationFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Communication setup"));
    auto* row = new QHBoxLayout(frame);

    auto* label = new QLabel(QStringLiteral("Meter address:"), frame);
    m_address = new QComboBox(frame);
    // Told apart from the meter's own "Meter address:" parameter.
    m_address->setAccessibleName(QStringLiteral("Communication setup Meter address:"));
    label->setBuddy(m_address);
    // An address not in the meter list may be typed, three digits at most.
    m_address->setEditable(true);
    m_address->setInsertPolicy(QComboBox::NoInsert);
    m_address->lineEdit()->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,3}")), m_address));
    m_address->setMinimumContentsLength(4);
    row->addWidget(label);
    row->addWidget(m_address);
    row->addStretch(1);

    m_read = new QPushButton(QStringLiteral("Read"), frame);
    m_read->setAccessibleName(QStringLiteral("Read"));
    row->addWidget(m_read);
    return frame;
}

void BasicParameterWindow::fillMeterAddresses() {
    RowSet meters = Record(QStringLiteral("select dizhi from yibiaodizhi ORDER BY dizhi asc"),
                           m_db->connection());
    for (; !meters.eof(); meters.moveNext()) {
        if (const std::optional<QVariant> dizhi = meters.value(QStringLiteral("dizhi")))
            m_address->addItem(dizhi->toString());
    }
    // With no meter listed the text stays empty and nothing can be sent.
    m_address->setCurrentIndex(m_address->count() > 0 ? 0 : -1);
}

void BasicParameterWindow::setFieldText(const QString& caption, const QString& text) {
    const Parameter* parameter = ParameterTable::find(caption);
    if (!parameter)
        return;
    if (parameter->fillsBasicSerialBox)
        m_serialNumber->setText(text);
    else
        m_form->setText(*parameter, text); // captions not shown here are ignored
}

int BasicParameterWindow::setUpSerialPort() {
    // No line settings of its own: the line stays as the main window, the
    // last Save or the full window left it.
    return ParameterPort::setUp(m_exchange.port(), m_db->connection(), std::nullopt,
                                ParameterPort::OnFailure::Stop);
}

void BasicParameterWindow::read() {
    // The serial box keeps the last number until a decoder brings a new one.
    m_form->clearTexts();
    if (setUpSerialPort() != 0) {
        setStatusText(QString::fromUtf16(ParameterNotice::com));
        return;
    }
    m_readSequence->start();
}

void BasicParameterWindow::readTimerTick() {
    m_readSequence->tick();
}

ParameterWriter::Result BasicParameterWindow::write(const Parameter& parameter) {
    return m_writer->write(parameter, *this);
}

QString BasicParameterWindow::statusText() const {
    return m_status->text();
}

QString BasicParameterWindow::fieldText(const Parameter& parameter) const {
    return m_form->text(parameter);
}

void BasicParameterWindow::replaceFieldText(const Parameter& parameter, const QString& text) {
    m_form->setText(parameter, text);
}

QString BasicParameterWindow::valueAsRead(const Parameter& parameter) const {
    return m_form->valueAsRead(parameter);
}

void BasicParameterWindow::lockParameter(const Parameter& parameter) {
    m_form->lock(parameter);
}

QString BasicParameterWindow::meterAddressText() const {
    return m_address->currentText();
}

QString BasicParameterWindow::serialNumberText() const {
    return m_serialNumber->text();
}

void BasicParameterWindow::setStatusText(const QString& text) {
    m_status->setText(text);
}

void BasicParameterWindow::readBack() {
    read();
}
