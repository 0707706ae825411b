#include "ParameterWindowBase.h"

#include "Database.h"
#include "DigitsValidator.h"
#include "MeterTable.h"
#include "ParameterBlockDispatcher.h"
#include "ParameterForm.h"
#include "ParameterReadSequence.h"
#include "SerialExchange.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>
#include <QVBoxLayout>
#include <utility>

ParameterWindowBase::ParameterWindowBase(ParameterWindowKind kind, const QString& programFolder,
                                         SerialExchange& exchange,
                                         ParameterBlockDispatcher& dispatcher, QWidget* parent)
    : QMainWindow(parent), m_dispatcher(dispatcher), m_kind(kind), m_exchange(&exchange) {
    setWindowTitle(QStringLiteral("Meter parameter setup"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(makeCommunicationFrame());
    // Digits-only boxes are set up by the form as it builds its fields.
    m_form = new ParameterForm(kind, central);
    layout->addWidget(m_form);
    setCentralWidget(central);
    m_status = new QLabel(this);
    // Named by its text, so a screen reader reads the notice itself.
    m_status->setAccessibleDescription(QStringLiteral("Status"));
    statusBar()->addWidget(m_status, 1);

    // Load. Nothing here may end the program: a step that fails is skipped;
    // without a database the address list stays empty and "Read" and the
    // writes report the failure.
    m_db = std::make_unique<Database>(programFolder);
    useExchange(exchange);
    fillMeterAddresses();

    connect(m_read, &QPushButton::clicked, this, &ParameterWindowBase::read);
    connect(m_form, &ParameterForm::writeRequested, this,
            [this](const Parameter& parameter) { write(parameter); });
    m_dispatcher.add(this);
}

ParameterWindowBase::~ParameterWindowBase() {
    // Before the members and the form go: no decoded text may reach a window
    // being torn down.
    m_dispatcher.remove(this);
    if (m_release)
        m_release(m_line);
}

void ParameterWindowBase::useExchange(SerialExchange& exchange) {
    m_exchange = &exchange;
    m_writer = std::make_unique<ParameterWriter>(exchange, m_db->connection(), m_kind);
    // A read under way on the line left behind ends with it.
    delete m_readSequence;
    m_readSequence = new ParameterReadSequence(
        exchange, [this] { return meterAddressText(); }, this);
    connect(m_readSequence, &ParameterReadSequence::finished, m_form,
            &ParameterForm::takeValuesAsRead);
    connect(m_readSequence, &ParameterReadSequence::requestFailed, this,
            [this] { setStatusText(QString::fromUtf16(ParameterNotice::com)); });
}

void ParameterWindowBase::setLines(const QList<Line>& lines, std::function<void(int)> hold,
                                   std::function<void(int)> release) {
    m_lines = lines;
    m_hold = std::move(hold);
    m_release = std::move(release);
    if (m_lines.size() < 2 || m_lineList)
        return;
    m_lineList = new QComboBox(m_communicationRow->parentWidget());
    m_lineList->setAccessibleName(QStringLiteral("Communication setup Line:"));
    for (const Line& line : m_lines)
        m_lineList->addItem(QStringLiteral("%1  %2").arg(line.number).arg(line.name));
    auto* label = new QLabel(QStringLiteral("Line:"), m_communicationRow->parentWidget());
    label->setBuddy(m_lineList);
    m_communicationRow->insertWidget(0, label);
    m_communicationRow->insertWidget(1, m_lineList);
    m_communicationRow->insertSpacing(2, 16);
    QWidget::setTabOrder(m_lineList, m_address);
    connect(m_lineList, &QComboBox::currentIndexChanged, this, &ParameterWindowBase::chooseLine);
}

void ParameterWindowBase::chooseLine(int index) {
    if (index < 0 || index >= m_lines.size() || m_lines[index].number == m_line)
        return;
    const Line& chosen = m_lines[index];
    // Taken up before the other is let go: the chosen line's polls end
    // before its port is set up for the window.
    if (m_hold)
        m_hold(chosen.number);
    const int left = std::exchange(m_line, chosen.number);
    if (m_release)
        m_release(left);
    useExchange(*chosen.exchange);
    m_form->clearTexts();
    m_address->clear();
    fillMeterAddresses();
    setUpSerialPort(ParameterPort::OnFailure::SkipStep);
}

QWidget* ParameterWindowBase::makeCommunicationFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Communication setup"));
    m_communicationRow = new QHBoxLayout(frame);

    auto* label = new QLabel(QStringLiteral("Meter address:"), frame);
    m_address = new QComboBox(frame);
    // Told apart from the meter's own "Meter address:" parameter.
    m_address->setAccessibleName(QStringLiteral("Communication setup Meter address:"));
    label->setBuddy(m_address);
    // An address not in the meter list may be typed, three digits at most.
    m_address->setEditable(true);
    m_address->setInsertPolicy(QComboBox::NoInsert);
    m_address->lineEdit()->setValidator(digitsValidator(m_address, 3));
    m_address->setMinimumContentsLength(4);
    m_communicationRow->addWidget(label);
    m_communicationRow->addWidget(m_address);
    m_communicationRow->addStretch(1);

    m_read = new QPushButton(QStringLiteral("Read"), frame);
    m_read->setAccessibleName(QStringLiteral("Read"));
    m_communicationRow->addWidget(m_read);
    return frame;
}

QComboBox* ParameterWindowBase::addCommunicationList(const QString& caption,
                                                     const QString& accessibleName) {
    QWidget* frame = m_communicationRow->parentWidget();
    auto* label = new QLabel(caption, frame);
    auto* list = new QComboBox(frame);
    list->setAccessibleName(accessibleName);
    label->setBuddy(list);

    // The stretch and "Read" stay at the right; lists that follow others
    // keep a gap on either side.
    const int stretch = m_communicationRow->count() - 2;
    QWidget* previous = m_communicationRow->itemAt(stretch - 1)->widget();
    if (previous)
        m_communicationRow->insertSpacing(stretch, 16);
    else
        previous = m_communicationRow->itemAt(stretch - 2)->widget();
    const int at = m_communicationRow->count() - 2;
    m_communicationRow->insertWidget(at, label);
    m_communicationRow->insertWidget(at + 1, list);
    m_communicationRow->insertSpacing(at + 2, 16);
    // Made after "Read" and the form, yet tabbed to before them.
    QWidget::setTabOrder(previous, list);
    QWidget::setTabOrder(list, m_read);
    return list;
}

void ParameterWindowBase::fillMeterAddresses() {
    for (int address : MeterTable(m_db->connection()).addresses(m_line))
        m_address->addItem(QString::number(address));
    // The first listed meter is the one asked; with no meter listed the text
    // stays empty and nothing can be sent.
    m_address->setCurrentIndex(m_address->count() > 0 ? 0 : -1);
}

void ParameterWindowBase::setFieldText(int reg, const QString& text) {
    if (const Parameter* parameter = ParameterTable::byRegister(reg))
        m_form->setText(*parameter, text);
}

int ParameterWindowBase::setUpSerialPort(ParameterPort::OnFailure onFailure) {
    return ParameterPort::setUp(m_exchange->port(), m_db->connection(), m_line, lineSettings(),
                                onFailure);
}

void ParameterWindowBase::read() {
    // Only the form is emptied; a hidden box keeps its text until a decoder
    // brings a new one.
    m_form->clearTexts();
    if (setUpSerialPort(ParameterPort::OnFailure::Stop) != 0) {
        setStatusText(QString::fromUtf16(ParameterNotice::com));
        return;
    }
    m_readSequence->start();
}

ParameterWriter::Result ParameterWindowBase::write(const Parameter& parameter) {
    return m_writer->write(parameter, *this);
}

QString ParameterWindowBase::statusText() const {
    return m_status->text();
}

QString ParameterWindowBase::fieldText(const Parameter& parameter) const {
    return m_form->text(parameter);
}

void ParameterWindowBase::replaceFieldText(const Parameter& parameter, const QString& text) {
    m_form->setText(parameter, text);
}

QString ParameterWindowBase::valueAsRead(const Parameter& parameter) const {
    return m_form->valueAsRead(parameter);
}

void ParameterWindowBase::lockParameter(const Parameter& parameter) {
    m_form->lock(parameter);
}

QString ParameterWindowBase::meterAddressText() const {
    return m_address->currentText();
}

void ParameterWindowBase::setStatusText(const QString& text) {
    m_status->setText(text);
}

void ParameterWindowBase::readBack() {
    read();
}
