#include "CommSetupWindow.h"

#include "BrokerPassword.h"
#include "CommSettings.h"
#include "Database.h"
#include "DescribedButton.h"
#include "DigitsValidator.h"
#include "LineDialog.h"
#include "LineProbe.h"
#include "MeterList.h"
#include "PortError.h"
#include "PortsDialog.h"
#include "PublishFrame.h"
#include "RecordInterval.h"
#include "StoreWrite.h"
#include "Topics.h"
#include "Twips.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QVBoxLayout>

namespace {

constexpr int AddressColumnTwips = 2800;

QLabel* caption(const QString& text, QWidget* buddy, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setBuddy(buddy);
    return label;
}

// The view-mode value: reads like a read-only field standing where the
// edit-mode control will stand.
QLabel* valueLabel(const QString& name, QWidget* editControl, QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setAccessibleName(name);
    label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    label->setMinimumWidth(std::min(editControl->sizeHint().width(), editControl->maximumWidth()));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QComboBox* list(const QString& name, const QStringList& items, QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setAccessibleName(name);
    box->addItems(items);
    return box;
}

QLineEdit* digitsBox(const QString& name, int digits, QWidget* parent) {
    auto* box = new QLineEdit(parent);
    box->setAccessibleName(name);
    box->setValidator(digitsValidator(box));
    box->setMaximumWidth(box->fontMetrics().horizontalAdvance(QString(digits, QLatin1Char('0'))) +
                         24);
    return box;
}

// A read-only grid of whole rows, one picked at a time.
QTableView* rowGrid(const char* name, const QString& accessibleName, QAbstractItemModel* model,
                    QWidget* parent) {
    auto* grid = new QTableView(parent);
    grid->setObjectName(QLatin1String(name));
    grid->setAccessibleName(accessibleName);
    grid->setModel(model);
    grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    grid->setSelectionMode(QAbstractItemView::SingleSelection);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(grid->fontMetrics().height() + 8);
    return grid;
}

} // namespace

CommSetupWindow::CommSetupWindow(const QString& programDir, SerialPort& port,
                                 IntervalTimer& pollTimer, RecordInterval& recordInterval,
                                 std::function<void()> callDataGrid1, QWidget* parent)
    : QMainWindow(parent), m_folder(programDir), m_recordInterval(recordInterval),
      m_callDataGrid1(std::move(callDataGrid1)) {
    setWindowFlag(Qt::Window);
    setAttribute(Qt::WA_DeleteOnClose);
    setWindowTitle(QStringLiteral("Communication setup"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->addWidget(buildLineSettings());
    auto* frames = new QHBoxLayout;
    auto* left = new QVBoxLayout;
    left->addWidget(buildRecordFrame());
    left->addWidget(buildPublishFrame());
    left->addStretch();
    frames->addLayout(left, 1);
    frames->addWidget(buildMeterFrame());
    layout->addLayout(frames, 1);
    layout->addWidget(buildLinesFrame(), 1);
    setCentralWidget(central);

    m_status = new QLabel(this);
    // Named by its text, so a screen reader reads the notice itself.
    m_status->setAccessibleDescription(QStringLiteral("Status"));
    // A long notice must not widen the window; the tooltip holds it whole.
    m_status->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    statusBar()->addWidget(m_status, 1);

    // Load: its own connection, the stored row, the list.
    m_db = std::make_unique<Database>(programDir);
    m_settings = std::make_unique<CommSettings>(m_db->connection(), port, pollTimer);
    m_meters = std::make_unique<MeterList>(m_db->connection());
    m_lines = std::make_unique<LineList>(m_db->connection());
    const SettingsTexts stored = m_settings->load();
    showSettings(stored);
    // The snapshot timer reads the box as it stands, saved or not.
    connect(m_intervalBox, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_recordInterval.setText(text); });
    m_intervalBox->setText(stored.interval);
    m_recordInterval.setText(stored.interval);
    m_keepDaysBox->setText(stored.keepDays);
    m_webBox->setText(m_settings->webListen());
    PublishTable publishTable(m_db->connection());
    if (std::optional<PublishSettings> publish = publishTable.read()) {
        publish->password = BrokerPassword(m_folder, {}, true).load(publishTable);
        m_publish->showSettings(*publish);
    }
    gridload();
    lineload();

    showLineSettingsEditing(false);
    m_intervalBox->setEnabled(false);
    m_keepDaysBox->setEnabled(false);
    m_webBox->setEnabled(false);
    m_recordSave->hide();
}

CommSetupWindow::~CommSetupWindow() {
    m_meters.reset(); // their statements before the connection
    m_lines.reset();
    m_settings.reset();
    m_db.reset();
}

QWidget* CommSetupWindow::buildLineSettings() {
    auto* frame = new QGroupBox(this);
    auto* grid = new QGridLayout(frame);

    m_portList = list(QStringLiteral("Available port"), LineSettingsEntry::portItems(), frame);
    m_portList->setObjectName(QStringLiteral("portList"));
    m_baudList = list(QStringLiteral("Baudrate"), LineSettingsEntry::baudItems(), frame);
    m_baudList->setObjectName(QStringLiteral("baudList"));
    m_parityList = list(QStringLiteral("Parity check"), LineSettingsEntry::parityItems(), frame);
    m_parityList->setObjectName(QStringLiteral("parityList"));
    m_timeoutBox = digitsBox(QStringLiteral("Communication timeout"), 6, frame);
    m_timeoutBox->setObjectName(QStringLiteral("timeoutBox"));

    m_currentPortCaption = caption(QStringLiteral("Current COM port:"), m_portList, frame);
    m_availablePortCaption = caption(QStringLiteral("Available port:"), m_portList, frame);
    // The two captions take turns in one place: the row must not shift.
    const int captionWidth = std::max(m_currentPortCaption->sizeHint().width(),
                                      m_availablePortCaption->sizeHint().width());
    m_currentPortCaption->setMinimumWidth(captionWidth);
    m_availablePortCaption->setMinimumWidth(captionWidth);
    m_portLabel = valueLabel(QStringLiteral("Current COM port"), m_portList, frame);
    m_portLabel->setObjectName(QStringLiteral("portLabel"));
    m_baudLabel = valueLabel(QStringLiteral("Baudrate"), m_baudList, frame);
    m_baudLabel->setObjectName(QStringLiteral("baudLabel"));
    m_parityLabel = valueLabel(QStringLiteral("Parity check"), m_parityList, frame);
    m_parityLabel->setObjectName(QStringLiteral("parityLabel"));
    m_timeoutLabel = valueLabel(QStringLiteral("Communication timeout"), m_timeoutBox, frame);
    m_timeoutLabel->setObjectName(QStringLiteral("timeoutLabel"));

    m_lineModify = describedButton(QStringLiteral("Modify"),
                                   QStringLiteral("Change the serial port settings"), frame);
    m_lineModify->setObjectName(QStringLiteral("lineModify"));
    m_lineSave = describedButton(QStringLiteral("Save"),
                                 QStringLiteral("Store and apply the serial port settings"), frame);
    m_lineSave->setObjectName(QStringLiteral("lineSave"));

    // Each view-mode control shares its cell with its edit-mode control.
    int column = 0;
    grid->addWidget(m_currentPortCaption, 0, column);
    grid->addWidget(m_availablePortCaption, 0, column++);
    grid->addWidget(m_portLabel, 0, column);
    grid->addWidget(m_portList, 0, column++);
    grid->addWidget(caption(QStringLiteral("Baudrate:"), m_baudList, frame), 0, column++);
    grid->addWidget(m_baudLabel, 0, column);
    grid->addWidget(m_baudList, 0, column++);
    grid->addWidget(caption(QStringLiteral("Parity check:"), m_parityList, frame), 0, column++);
    grid->addWidget(m_parityLabel, 0, column);
    grid->addWidget(m_parityList, 0, column++);
    grid->addWidget(caption(QStringLiteral("Communication timeout:"), m_timeoutBox, frame), 0,
                    column++);
    grid->addWidget(m_timeoutLabel, 0, column);
    grid->addWidget(m_timeoutBox, 0, column++);
    grid->addWidget(new QLabel(QStringLiteral("ms"), frame), 0, column++);
    grid->setColumnStretch(column++, 1);
    grid->addWidget(m_lineModify, 0, column);
    grid->addWidget(m_lineSave, 0, column++);
    auto* ports = describedButton(
        QStringLiteral("Ports..."),
        QStringLiteral("List the serial devices and give one a port number"), frame);
    ports->setObjectName(QStringLiteral("portsButton"));
    grid->addWidget(ports, 0, column);
    connect(ports, &QPushButton::clicked, this, &CommSetupWindow::showPorts);

    connect(m_lineModify, &QPushButton::clicked, this, &CommSetupWindow::modifyLineSettings);
    connect(m_lineSave, &QPushButton::clicked, this, &CommSetupWindow::saveLineSettings);
    return frame;
}

QWidget* CommSetupWindow::buildRecordFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Data recodr setup"), this);
    auto* grid = new QGridLayout(frame);
    m_intervalBox = digitsBox(QStringLiteral("Every"), 6, frame);
    m_intervalBox->setObjectName(QStringLiteral("intervalBox"));
    m_intervalBox->setAccessibleDescription(QStringLiteral("Minutes between history records"));
    m_recordModify = describedButton(QStringLiteral("Modify"),
                                     QStringLiteral("Change the record interval"), frame);
    m_recordModify->setObjectName(QStringLiteral("recordModify"));
    m_recordSave =
        describedButton(QStringLiteral("Save"), QStringLiteral("Store the record interval"), frame);
    m_recordSave->setObjectName(QStringLiteral("recordSave"));

    grid->addWidget(new QLabel(QStringLiteral("Record:"), frame), 0, 0);
    grid->addWidget(caption(QStringLiteral("Every"), m_intervalBox, frame), 0, 1);
    grid->addWidget(m_intervalBox, 0, 2);
    grid->addWidget(new QLabel(QStringLiteral("Minutes"), frame), 0, 3);
    grid->addWidget(m_recordModify, 0, 4);
    grid->addWidget(m_recordSave, 0, 4);
    grid->setColumnStretch(5, 1);
    grid->addWidget(new QLabel(QStringLiteral("Notice:No recording at the first minute!"), frame),
                    1, 0, 1, 6);
    m_keepDaysBox = digitsBox(QStringLiteral("Keep snapshots (days)"), 6, frame);
    m_keepDaysBox->setObjectName(QStringLiteral("keepDaysBox"));
    m_keepDaysBox->setAccessibleDescription(
        QStringLiteral("Days of history snapshots kept once summed by the hour; 0 keeps all"));
    grid->addWidget(caption(QStringLiteral("Keep snapshots (days):"), m_keepDaysBox, frame), 2, 0,
                    1, 2);
    grid->addWidget(m_keepDaysBox, 2, 2);
    grid->addWidget(new QLabel(QStringLiteral("0 = all"), frame), 2, 3, 1, 2);
    m_webBox = new QLineEdit(frame);
    m_webBox->setObjectName(QStringLiteral("webBox"));
    m_webBox->setPlaceholderText(QStringLiteral("off"));
    m_webBox->setAccessibleDescription(
        QStringLiteral("Where the status page, JSON API and metrics are served, as "
                       "127.0.0.1:9100; empty for not at all; from the next start"));
    grid->addWidget(caption(QStringLiteral("Web status at:"), m_webBox, frame), 3, 0, 1, 2);
    grid->addWidget(m_webBox, 3, 2);
    grid->addWidget(new QLabel(QStringLiteral("from the next start"), frame), 3, 3, 1, 3);

    connect(m_recordModify, &QPushButton::clicked, this, &CommSetupWindow::modifyRecord);
    connect(m_recordSave, &QPushButton::clicked, this, &CommSetupWindow::saveRecord);
    return frame;
}

QWidget* CommSetupWindow::buildPublishFrame() {
    m_publish = new PublishFrame(this);
    connect(m_publish->modifyButton(), &QPushButton::clicked, this,
            &CommSetupWindow::modifyPublish);
    connect(m_publish->saveButton(), &QPushButton::clicked, this, &CommSetupWindow::savePublish);
    return m_publish;
}

QWidget* CommSetupWindow::buildMeterFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Meter address list"), this);
    auto* layout = new QVBoxLayout(frame);
    auto* row = new QHBoxLayout;
    m_addressBox = digitsBox(QStringLiteral("Meter address"), 5, frame);
    m_addressBox->setObjectName(QStringLiteral("addressBox"));
    m_add = describedButton(QStringLiteral("Add"), QStringLiteral("List the meter address"), frame);
    m_delete = describedButton(QStringLiteral("Delete"), QStringLiteral("Remove the meter address"),
                               frame);
    row->addWidget(caption(QStringLiteral("Meter address:"), m_addressBox, frame));
    row->addWidget(m_addressBox);
    row->addWidget(m_add);
    row->addWidget(m_delete);
    row->addStretch();
    layout->addLayout(row);

    m_addressModel = new QStandardItemModel(this);
    m_addressGrid =
        rowGrid("addressGrid", QStringLiteral("Meter address list"), m_addressModel, frame);
    m_addressGrid->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_addressGrid->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    m_addressGrid->setFixedWidth(pixelsOfTwips(AddressColumnTwips) +
                                 2 * m_addressGrid->frameWidth() +
                                 style()->pixelMetric(QStyle::PM_ScrollBarExtent));
    layout->addWidget(m_addressGrid, 1);

    connect(m_add, &QPushButton::clicked, this, &CommSetupWindow::addMeter);
    connect(m_delete, &QPushButton::clicked, this, &CommSetupWindow::deleteMeter);
    // Picking an address puts it in the box, ready for "Delete".
    connect(m_addressGrid->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    m_addressBox->setText(
                        m_addressModel->index(current.row(), 0).data().toString());
            });
    return frame;
}

QWidget* CommSetupWindow::buildLinesFrame() {
    auto* frame = new QGroupBox(QStringLiteral("Lines"), this);
    auto* layout = new QHBoxLayout(frame);
    m_lineModel = new QStandardItemModel(0, 8, this);
    m_lineModel->setHorizontalHeaderLabels(
        {QStringLiteral("No."), QStringLiteral("Name"), QStringLiteral("Port"),
         QStringLiteral("Baud"), QStringLiteral("Parity"), QStringLiteral("Period ms"),
         QStringLiteral("Timeout ms"), QStringLiteral("Meters")});
    m_lineGrid = rowGrid("lineGrid", QStringLiteral("Lines"), m_lineModel, frame);
    m_lineGrid->horizontalHeader()->setStretchLastSection(true);
    m_lineGrid->setTextElideMode(Qt::ElideMiddle);
    layout->addWidget(m_lineGrid, 1);

    const auto button = [frame](const char* name, const QString& text, const QString& purpose) {
        QPushButton* made = describedButton(text, purpose, frame);
        made->setObjectName(QLatin1String(name));
        return made;
    };
    m_addLine = button("addLine", QStringLiteral("Add line..."),
                       QStringLiteral("Add a line with its port and meters"));
    m_editLine = button("editLine", QStringLiteral("Edit line..."),
                        QStringLiteral("Change the chosen line's settings and meters"));
    m_removeLine = button("removeLine", QStringLiteral("Remove line"),
                          QStringLiteral("Remove the chosen line and its meters"));
    m_testLine = button("testLine", QStringLiteral("Test line"),
                        QStringLiteral("Ask each meter of the chosen line once"));
    auto* buttons = new QVBoxLayout;
    for (QPushButton* each : {m_addLine, m_editLine, m_removeLine, m_testLine})
        buttons->addWidget(each);
    buttons->addStretch();
    layout->addLayout(buttons);

    connect(m_addLine, &QPushButton::clicked, this, &CommSetupWindow::addLine);
    connect(m_editLine, &QPushButton::clicked, this, &CommSetupWindow::editLine);
    connect(m_removeLine, &QPushButton::clicked, this, &CommSetupWindow::removeLine);
    connect(m_testLine, &QPushButton::clicked, this, &CommSetupWindow::testLine);
    connect(m_lineGrid, &QTableView::doubleClicked, this, &CommSetupWindow::editLine);
    connect(m_lineGrid->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CommSetupWindow::updateLineButtons);
    return frame;
}

void CommSetupWindow::lineload() {
    const std::optional<StartingDatabase::Line> chosen = chosenLine();
    m_shownLines = m_lines->lines();
    m_lineModel->setRowCount(0);
    for (const StartingDatabase::Line& line : m_shownLines) {
        const LineEntry shown = LineEntry::of(line.settings, line.meters);
        const QString port =
            line.settings.isGateway()
                ? QStringLiteral("%1 (%2)").arg(line.settings.portText(), shown.transport)
                : shown.port;
        QList<QStandardItem*> row;
        for (const QString& text :
             {QString::number(line.settings.number), shown.name, port, shown.baud, shown.parity,
              shown.period, shown.timeout, shown.meters}) {
            row << new QStandardItem(text);
            // A value the station cannot read says so where it stands.
            row.last()->setToolTip(line.settings.fault.isEmpty() ? text : line.settings.fault);
        }
        m_lineModel->appendRow(row);
        if (chosen && chosen->settings.number == line.settings.number)
            m_lineGrid->selectRow(m_lineModel->rowCount() - 1);
    }
    m_lineGrid->resizeColumnsToContents();
    // A long name or device path gives way, elided; its tooltip holds it whole.
    const int widest = m_lineGrid->fontMetrics().averageCharWidth() * 32;
    for (int column : {1, 2})
        m_lineGrid->setColumnWidth(column, std::min(m_lineGrid->columnWidth(column), widest));
    updateLineButtons();
}

std::optional<StartingDatabase::Line> CommSetupWindow::chosenLine() const {
    const QModelIndexList rows = m_lineGrid->selectionModel()->selectedRows();
    if (rows.isEmpty() || rows.first().row() >= m_shownLines.size())
        return std::nullopt;
    return m_shownLines.at(rows.first().row());
}

void CommSetupWindow::updateLineButtons() {
    const std::optional<StartingDatabase::Line> chosen = chosenLine();
    m_addLine->setEnabled(m_shownLines.size() < StoredLine::MaxLines);
    m_editLine->setEnabled(chosen.has_value());
    m_removeLine->setEnabled(chosen && chosen->settings.number != 1);
    m_testLine->setEnabled(chosen && m_probe && !m_probe->isRunning());
}

LineDialog* CommSetupWindow::addLine() {
    const std::optional<int> number = m_lines->freeNumber();
    if (!number)
        return nullptr;
    // Line 1's starting settings, on the port of the line's own number.
    return openLineDialog(*number, LineEntry::of(LineTable::startingLine(*number), {}));
}

LineDialog* CommSetupWindow::editLine() {
    const std::optional<StartingDatabase::Line> chosen = chosenLine();
    if (!chosen)
        return nullptr;
    return openLineDialog(chosen->settings.number, LineEntry::of(chosen->settings, chosen->meters));
}

LineDialog* CommSetupWindow::openLineDialog(int number, const LineEntry& shown) {
    auto* dialog = new LineDialog(number, shown, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(dialog, &QDialog::accepted, this, [this, dialog] { storeLine(dialog->line()); });
    dialog->open();
    return dialog;
}

void CommSetupWindow::storeLine(const StartingDatabase::Line& line) {
    const StoredLine& settings = line.settings;
    if (settings.number == 1) {
        // Stored and applied as the line settings' Save does it.
        const CommSettings::SaveResult result = m_settings->saveLineSettings(
            {settings.baud, QStringLiteral("com") + settings.port,
             QString::number(settings.pollPeriod),
             LineSettingsEntry::parityText(QString::number(settings.parity))});
        if (result.stored)
            showSettings(*result.stored);
        if (!storeTook(result.write))
            return;
        if (!result.applied)
            showNotice(portNotice(result.portError));
    }
    storeTook(m_lines->store(line));
    lineload();
    if (settings.number == 1)
        gridload();
    emit linesChanged();
}

QMessageBox* CommSetupWindow::removeLine() {
    const std::optional<StartingDatabase::Line> chosen = chosenLine();
    if (!chosen || chosen->settings.number == 1)
        return nullptr;
    const int number = chosen->settings.number;
    const qsizetype meters = chosen->meters.size();
    auto* box =
        new QMessageBox(QMessageBox::Question, QStringLiteral("Remove line"),
                        QStringLiteral("Remove line %1 \"%2\" and its %3 %4?")
                            .arg(number)
                            .arg(chosen->settings.name)
                            .arg(meters)
                            .arg(meters == 1 ? QStringLiteral("meter") : QStringLiteral("meters")),
                        QMessageBox::Yes | QMessageBox::No, this);
    box->setDefaultButton(QMessageBox::No);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this, [this, number](int button) {
        if (button != QMessageBox::Yes)
            return;
        storeTook(m_lines->remove(number));
        lineload();
        emit linesChanged();
    });
    box->open();
    return box;
}

void CommSetupWindow::setLineProbe(LineProbe* probe) {
    m_probe = probe;
    connect(probe, &LineProbe::finished, this, [this](const QString& summary) {
        showNotice(summary);
        updateLineButtons();
    });
    updateLineButtons();
}

void CommSetupWindow::testLine() {
    const std::optional<StartingDatabase::Line> chosen = chosenLine();
    if (!chosen || !m_probe || m_probe->isRunning())
        return;
    showNotice(QStringLiteral("Testing line %1...").arg(chosen->settings.number));
    m_probe->start(chosen->settings, chosen->meters);
    updateLineButtons();
}

void CommSetupWindow::setStoreReport(std::function<void(const StoreWrite&)> report) {
    m_reportStore = std::move(report);
}

void CommSetupWindow::setLineRunner(std::function<void(const std::function<void()>&)> runner) {
    m_settings->setLineRunner(std::move(runner));
}

bool CommSetupWindow::storeTook(const StoreWrite& write) {
    if (m_reportStore)
        m_reportStore(write);
    if (!write.isRefused()) {
        if (m_status->text().startsWith(StoreWrite::failureNotice(QString())))
            m_status->clear();
        return true;
    }
    // The store's own reason, never a bad port or value.
    showNotice(StoreWrite::failureNotice(write.reason));
    return false;
}

QString CommSetupWindow::statusText() const {
    return m_status->text();
}

bool CommSetupWindow::isEditingLineSettings() const {
    return m_lineSave->isVisibleTo(this);
}

void CommSetupWindow::showSettings(const SettingsTexts& texts) {
    m_portLabel->setText(texts.com);
    m_baudLabel->setText(texts.baud);
    m_parityLabel->setText(texts.parity);
    m_timeoutLabel->setText(texts.timeout);
}

void CommSetupWindow::showLineSettingsEditing(bool editing) {
    for (QWidget* edit :
         std::initializer_list<QWidget*>{m_lineSave, m_availablePortCaption, m_portList, m_baudList,
                                         m_parityList, m_timeoutBox})
        edit->setVisible(editing);
    for (QWidget* view : std::initializer_list<QWidget*>{
             m_currentPortCaption, m_portLabel, m_baudLabel, m_parityLabel, m_timeoutLabel})
        view->setVisible(!editing);
    m_lineModify->setEnabled(!editing);
    m_lineModify->setVisible(!editing);
}

void CommSetupWindow::modifyLineSettings() {
    showLineSettingsEditing(true);
    // The lists hold only their own items: a stored value that is none of
    // them leaves the list as it was.
    m_baudList->setCurrentText(m_baudLabel->text());
    if (const std::optional<int> com =
            LineSettingsEntry::portNumber(QStringLiteral("com") + m_portLabel->text()))
        m_portList->setCurrentIndex(*com - 1);
    m_timeoutBox->setText(m_timeoutLabel->text());
    m_parityList->setCurrentText(m_parityLabel->text());
    m_portList->setFocus();
}

void CommSetupWindow::saveLineSettings() {
    const LineSettingsEntry entry{m_baudList->currentText(), m_portList->currentText(),
                                  m_timeoutBox->text(), m_parityList->currentText()};
    const CommSettings::SaveResult result = m_settings->saveLineSettings(entry);
    if (result.stored) {
        showSettings(*result.stored);
        lineload();
    }
    if (!storeTook(result.write))
        return; // stays in edit mode, nothing applied
    if (!result.applied) {
        // Stays in edit mode; whatever was stored stays stored.
        showNotice(portNotice(result.portError));
        return;
    }
    // A notice from an earlier failed Save stays until the window closes.
    showLineSettingsEditing(false);
    m_lineModify->setFocus();
}

QString CommSetupWindow::portNotice(int portError) {
    const QString hint = PortError::hint(portError);
    return hint.isEmpty() ? invalidPortNotice() : invalidPortNotice() + QLatin1Char(' ') + hint;
}

void CommSetupWindow::setSerialDeviceSource(SerialDeviceSource devices) {
    m_serialDevices = std::move(devices);
}

PortsDialog* CommSetupWindow::showPorts() {
    auto* dialog = new PortsDialog(m_folder, m_serialDevices, this);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->open();
    return dialog;
}

void CommSetupWindow::modifyRecord() {
    m_intervalBox->setEnabled(true);
    m_keepDaysBox->setEnabled(true);
    m_webBox->setEnabled(true);
    m_recordModify->hide();
    m_recordSave->show();
    m_intervalBox->setFocus();
}

void CommSetupWindow::saveRecord() {
    // All or none: the days and the address are checked before the interval is stored.
    if (!CommSettings::keepDays(m_keepDaysBox->text())) {
        showNotice(invalidKeepDaysNotice());
        return;
    }
    if (!CommSettings::isWebListen(m_webBox->text())) {
        showNotice(invalidWebNotice());
        return;
    }
    const std::optional<StoreWrite> write = m_settings->saveRecordInterval(m_intervalBox->text());
    if (!write) {
        showNotice(invalidIntervalNotice());
        return;
    }
    if (!storeTook(*write) || !storeTook(*m_settings->saveKeepDays(m_keepDaysBox->text())) ||
        !storeTook(*m_settings->saveWebListen(m_webBox->text())))
        return;
    withdrawNotice(invalidIntervalNotice());
    withdrawNotice(invalidKeepDaysNotice());
    withdrawNotice(invalidWebNotice());
    m_intervalBox->setEnabled(false);
    m_keepDaysBox->setEnabled(false);
    m_webBox->setEnabled(false);
    m_recordSave->hide();
    m_recordModify->show();
    m_recordModify->setFocus();
}

void CommSetupWindow::modifyPublish() {
    m_publish->setEditing(true);
}

void CommSetupWindow::savePublish() {
    const PublishSettings settings = m_publish->entered();
    // Settings that are switched off may stay unfinished.
    if (const QString problem = Topics::problem(settings); settings.enabled && !problem.isEmpty()) {
        showNotice(publishNotice(problem));
        return;
    }
    if (!storeTook(PublishTable(m_db->connection()).store(settings)))
        return;
    BrokerPassword password(m_folder, {}, true);
    const bool kept = password.save(settings.password);
    if (!kept) {
        showNotice(publishNotice(password.notes().join(QStringLiteral("; "))));
        return;
    }
    if (m_status->text().startsWith(publishNotice({})))
        withdrawNotice(m_status->text());
    if (!password.notes().isEmpty()) // kept, but not where the operator may expect
        showNotice(password.notes().join(QStringLiteral("; ")));
    m_publish->setEditing(false);
    m_publish->modifyButton()->setFocus();
    emit publishSettingsSaved(settings);
}

void CommSetupWindow::addMeter() {
    afterListChange(m_meters->add(m_addressBox->text()));
}

void CommSetupWindow::deleteMeter() {
    afterListChange(m_meters->remove(m_addressBox->text()));
}

void CommSetupWindow::afterListChange(MeterList::Outcome outcome) {
    switch (outcome) {
    case MeterList::Outcome::EmptyBox:
        return;
    case MeterList::Outcome::Refused:
        showNotice(invalidAddressNotice());
        return;
    case MeterList::Outcome::StoreRefused:
        storeTook(m_meters->lastWrite());
        return;
    case MeterList::Outcome::Done:
        storeTook(m_meters->lastWrite());
        withdrawNotice(invalidAddressNotice());
        gridload();
        lineload();
        m_callDataGrid1();
        return;
    }
}

void CommSetupWindow::gridload() {
    m_addressModel->clear();
    m_addressModel->setColumnCount(1);
    for (const QString& address : m_meters->addresses()) {
        auto* item = new QStandardItem(address);
        item->setEditable(false);
        m_addressModel->appendRow(item);
    }
    // A new binding resets the column, so its caption and width follow it.
    m_addressModel->setHorizontalHeaderLabels({QStringLiteral("Meter address")});
    m_addressGrid->setColumnWidth(0, pixelsOfTwips(AddressColumnTwips));
}

void CommSetupWindow::showNotice(const QString& notice) {
    m_status->setText(notice);
    m_status->setToolTip(notice);
}

void CommSetupWindow::withdrawNotice(const QString& notice) {
    if (m_status->text() == notice) {
        m_status->clear();
        m_status->setToolTip({});
    }
}

void CommSetupWindow::closeEvent(QCloseEvent* event) {
    // The live grid shows the list as it now stands.
    gridload();
    m_callDataGrid1();
    // An interval typed and not saved goes with the window.
    m_recordInterval.setText(m_settings->load().interval);
    event->accept();
    emit unloaded();
}
