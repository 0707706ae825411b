#include "MainWindow.h"

#include "AlarmsWindow.h"
#include "BasicParameterWindow.h"
#include "ColumnFit.h"
#include "CommSetupWindow.h"
#include "DesktopNotifier.h"
#include "GridCopy.h"
#include "HistoryWindow.h"
#include "LineHealth.h"
#include "LineProbe.h"
#include "LineStatisticsWindow.h"
#include "LiveGridModel.h"
#include "LoginWindow.h"
#include "MessageBox.h"
#include "ParameterBlockDispatcher.h"
#include "ParameterWindow.h"
#include "PollingCycle.h"
#include "ReportsWindow.h"
#include "RollupBuild.h"
#include "SerialPort.h"
#include "Station.h"
#include "Twips.h"
#include "Version.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QDir>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QStyle>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <limits>
#include <numeric>

namespace {

constexpr int FolderLabelWidth = 480;
// Fits a 1366x768 laptop screen with room to spare.
constexpr int MaxOpeningWidth = 1280;
constexpr int OpeningHeight = 420;
// Pixels by which a text's plain advance may fall short of the grid's own
// measure of its cell: a text this far inside its column needs no measure.
constexpr int FitSlack = 6;
const char* const HintProperty = "rx7100Hint";

// Brings a modeless window to the front.
void present(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

// Closing a window by its close box unloads it: its load runs again on its
// next use. Handing over only hides it.
template <typename Window> Window* loadOnce(QPointer<Window>& slot, Window* created) {
    created->setAttribute(Qt::WA_DeleteOnClose);
    slot = created;
    return created;
}

} // namespace

MainWindow::MainWindow(const QString& programDir, std::unique_ptr<SerialPort> port, QWidget* parent)
    : QMainWindow(parent), m_station(std::make_unique<Station>(programDir, std::move(port))),
      m_blockDispatcher(std::make_unique<ParameterBlockDispatcher>()) {
    setWindowTitle(QStringLiteral("RX7100 PC TOOL Ver") + QString::fromLatin1(Version::text));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    auto* buttons = new QHBoxLayout;
    layout->addLayout(buttons);

    // "Stop Reading" stands where "Read Meter Data" stands: one of the two
    // is hidden, and a hidden widget takes no room in the row.
    m_read = addButton(QStringLiteral("Read Meter Data"), QStringLiteral("Notice:Connect Meter"));
    m_stop = addButton(QStringLiteral("Stop Reading"), QStringLiteral("Notice:Close Connection"));
    m_commSetup = addButton(QStringLiteral("Communication Setup"),
                            QStringLiteral("Notice:Communication Setup"));
    m_paramSetup = addButton(QStringLiteral("Meter Parameter Setup"),
                             QStringLiteral("Notice:Meter Parameter Setup"));
    m_history = addButton(QStringLiteral("History"), QStringLiteral("Notice:History"));
    m_statistics =
        addButton(QStringLiteral("Line Statistics"), QStringLiteral("Notice:Line Statistics"));
    m_reports = addButton(QStringLiteral("Reports"), QStringLiteral("Notice:Reports"));
    m_alarms = addButton(QStringLiteral("Alarms"), QStringLiteral("Notice:Alarms"));
    m_exit = addButton(QStringLiteral("Exit"), QStringLiteral("Notice:Exit"));
    for (QPushButton* button : {m_read, m_stop, m_commSetup, m_paramSetup, m_history, m_statistics,
                                m_reports, m_alarms, m_exit})
        buttons->addWidget(button);
    buttons->addStretch();
    m_stop->hide();

    connect(m_read, &QPushButton::clicked, this, &MainWindow::readMeterData);
    connect(m_stop, &QPushButton::clicked, this, &MainWindow::stopReading);
    connect(m_commSetup, &QPushButton::clicked, this, &MainWindow::communicationSetup);
    connect(m_paramSetup, &QPushButton::clicked, this, &MainWindow::meterParameterSetup);
    connect(m_history, &QPushButton::clicked, this, &MainWindow::history);
    connect(m_statistics, &QPushButton::clicked, this, &MainWindow::lineStatistics);
    connect(m_reports, &QPushButton::clicked, this, &MainWindow::reports);
    connect(m_alarms, &QPushButton::clicked, this, &MainWindow::alarms);
    connect(m_exit, &QPushButton::clicked, this, &MainWindow::exitProgram);

    m_gridModel = std::make_unique<LiveGridModel>(m_station->readings(), m_station->cursor());
    LiveGridModel& model = *m_gridModel;
    m_grid = new QTableView(central);
    m_grid->setModel(&model);
    m_grid->setAccessibleName(QStringLiteral("Latest meter readings"));
    m_grid->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_grid->setSelectionMode(QAbstractItemView::SingleSelection);
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_grid->verticalHeader()->setDefaultSectionSize(m_grid->fontMetrics().height() + 8);
    GridCopy::install(m_grid);
    layout->addWidget(m_grid);

    // The grid's current row and the poll cursor are one: a click picks the
    // meter asked next, and each poll moves the highlight on.
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [&model](const QModelIndex& current) {
                if (current.isValid())
                    model.setCurrentRow(current.row());
            });
    connect(&model, &LiveGridModel::currentRowChanged, this, [this, &model](int row) {
        if (row < 0 || m_grid->currentIndex().row() == row)
            return;
        // The highlight follows the polls without scrolling the grid: the
        // operator reads where they scrolled to, and a grid scrolled a few
        // times a second would repaint whole. A click or a key still scrolls.
        m_grid->setAutoScroll(false);
        m_grid->selectionModel()->setCurrentIndex(
            model.index(row, 0), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        m_grid->setAutoScroll(true);
    });
    connect(&model, &QAbstractItemModel::modelReset, this, &MainWindow::applyGridColumns);
    // Widening measures every value shown: only once a frame, and only when
    // a changed value, or a column the operator narrowed, may not fit.
    connect(&model, &QAbstractItemModel::dataChanged, this, &MainWindow::noteChangedCells);
    connect(m_grid->horizontalHeader(), &QHeaderView::sectionResized, this,
            [this] { m_valuesMayNotFit = true; });
    connect(&model, &LiveGridModel::frameShown, this, [this] {
        if (std::exchange(m_valuesMayNotFit, false))
            widenForValues();
    });
    connect(m_station.get(), &Station::readingChanged, this, &MainWindow::showReadingState);
    connect(m_station.get(), &Station::parameterBlockReceived, m_blockDispatcher.get(),
            &ParameterBlockDispatcher::dispatch);

    // No accessible name of its own: a screen reader then reads the notice
    // itself, and hears each new one as the label's name changes.
    m_status = new QLabel(this);
    m_status->setAccessibleDescription(QStringLiteral("Status"));
    statusBar()->addWidget(m_status, 1);
    // The broker's state: a waiting count that grows is refreshed each second.
    m_broker = new QLabel(this);
    m_broker->setObjectName(QStringLiteral("brokerLabel"));
    m_broker->setAccessibleName(QStringLiteral("Broker"));
    statusBar()->addPermanentWidget(m_broker);
    m_brokerRefresh = new QTimer(this);
    m_brokerRefresh->setInterval(std::chrono::seconds(1));
    connect(m_brokerRefresh, &QTimer::timeout, this, &MainWindow::showBrokerState);
    connect(&m_station->publisher(), &Publisher::stateChanged, this, &MainWindow::showBrokerState);
    showBrokerState();
    // Which folder's database and ports this run works on; a long path is
    // shortened in the middle, the whole of it in the tooltip.
    const QString folder = QDir::toNativeSeparators(m_station->programDir());
    auto* folderLabel = new QLabel(this);
    folderLabel->setObjectName(QStringLiteral("folderLabel"));
    folderLabel->setAccessibleName(QStringLiteral("Data folder"));
    folderLabel->setText(folderLabel->fontMetrics().elidedText(QStringLiteral("Folder: ") + folder,
                                                               Qt::ElideMiddle, FolderLabelWidth));
    folderLabel->setToolTip(folder);
    statusBar()->addPermanentWidget(folderLabel);
    // An older store's rollups being built: shown until they are done.
    auto* rollups = new QLabel(this);
    rollups->setObjectName(QStringLiteral("rollupProgress"));
    rollups->hide();
    statusBar()->addPermanentWidget(rollups);
    connect(m_station.get(), &Station::rollupProgress, rollups,
            [rollups](qint64 done, qint64 total) {
                rollups->setText(RollupBuild::progressText(done, total));
                rollups->show();
            });
    connect(m_station.get(), &Station::rollupsBuilt, rollups, &QLabel::hide);

    // A lost line and a failing store are told in the status bar, once
    // each when they start and once when they are over.
    LineHealth& health = m_station->health();
    connect(&health, &LineHealth::storeFailing, this,
            [this](const QString& reason) { showNotice(StoreHealth::failingNotice(reason)); });
    connect(&health, &LineHealth::storeRecovered, this,
            [this] { showNotice(StoreHealth::recoveredNotice()); });
    watchLine(m_station->firstLine());
    connect(m_station.get(), &Station::lineNotStarted, this, &MainWindow::showNotice);
    // On the desktop the broker password lives in the user's keyring.
    m_station->setPasswordPlace({}, true);
    connect(m_station.get(), &Station::passwordNote, this, &MainWindow::showNotice);
    connect(m_station.get(), &Station::alarmEvent, this, &MainWindow::tellAlarm);
    // Pruning is routine: said for a while over the notice, not in its place.
    connect(m_station.get(), &Station::snapshotsPruned, this,
            [this](qint64 rows, const QString& before) {
                if (rows > 0)
                    statusBar()->showMessage(
                        QStringLiteral("Pruned %1 snapshots stored before %2")
                            .arg(QLocale().toString(rows), before),
                        int(std::chrono::milliseconds(std::chrono::seconds(10)).count()));
            });
    connect(m_station.get(), &Station::pruningRefused, this, [this](const QString& why) {
        showNotice(QStringLiteral("Old snapshots cannot be pruned: %1").arg(why));
    });
    setCentralWidget(central);

    resize(openingWidth(), OpeningHeight);
    applyGridColumns(); // again: now the window knows its room
}

void MainWindow::serveWeb(const WebOptions& options) {
    m_web = std::make_unique<WebService>();
    if (const QString said = m_web->start(*m_station, m_station->programDir(), options);
        !said.isEmpty()) {
        qInfo("rx7100-tool: %s", qPrintable(said));
        showNotice(said);
    }
}

MainWindow::~MainWindow() {
    // The other windows work on the station's port and timers: they go
    // first, a closed one still waiting for its deletion included.
    const QList<QWidget*> children = findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    for (QWidget* child : children)
        if (child->isWindow())
            delete child;
}

QPushButton* MainWindow::addButton(const QString& text, const QString& hint) {
    auto* button = new QPushButton(text, this);
    button->setAccessibleName(text);
    button->setProperty(HintProperty, hint);
    button->installEventFilter(this);
    return button;
}

void MainWindow::watchLine(Line& line) {
    LineHealth& health = line.health();
    connect(&health, &LineHealth::lineLost, this, [this](const QString&, const QString& loss) {
        showNotice(PortRecovery::lostNotice(loss));
    });
    connect(&health, &LineHealth::lineBack, this, [this](const QString&, const QString& back) {
        showNotice(PortRecovery::backNotice(back));
    });
    connect(&health, &LineHealth::lineSilent, this,
            [this](const QString& port) { showNotice(PortRecovery::silentNotice(port)); });
    connect(&health, &LineHealth::sendFailing, this,
            [this](const QString& port, const QString& cause) {
                showNotice(PortRecovery::sendFailingNotice(port, cause));
            });
    connect(&health, &LineHealth::repliesLate, this, [this, &line](const QString& port) {
        showNotice(PortRecovery::lateNotice(port, line.replyTimeout()));
    });
}

void MainWindow::watchAddedLine(Line& line) {
    watchLine(line);
    // Being retried since it started; its port is on its own thread.
    if (const QString loss =
            line.call([&line] { return line.isLost() ? line.port().lossText() : QString(); });
        !loss.isEmpty())
        showNotice(PortRecovery::lostNotice(loss));
}

void MainWindow::reloadLines() {
    // A parameter window works on a line that may be gone: it closes first,
    // letting go of its line.
    delete m_parameterWindow;
    delete m_basicParameterWindow;
    for (Line* line : m_station->reloadLines())
        watchAddedLine(*line);
    m_gridModel->setLineNames(m_station->lineNames());
    // It lists the lines it was made with: the next use makes it afresh.
    delete m_lineStatisticsWindow;
}

StartupResult MainWindow::load() {
    const StartupResult result = m_station->startUp();
    m_gridModel->setLineNames(m_station->lineNames());
    // Line 1 is watched from the start; the others exist from here on.
    for (const auto& line : m_station->lines())
        if (line->number() != 1)
            watchAddedLine(*line);
    if (!result.isOk())
        MessageBox::critical(this, QStringLiteral("Serial port error"), result.message());
    return result;
}

QString MainWindow::statusText() const {
    return m_status->text();
}

QString MainWindow::brokerText() const {
    return m_broker->text();
}

void MainWindow::showBrokerState() {
    const Publisher& publisher = m_station->publisher();
    m_broker->setText(publisher.statusText());
    m_broker->setVisible(publisher.state() != Publisher::State::Off);
    QString tip = publisher.detail();
    if (publisher.dropped() > 0)
        tip += QStringLiteral("\n%1 oldest messages dropped while the broker was away")
                   .arg(publisher.dropped());
    m_broker->setToolTip(tip.trimmed());
    const bool counting = publisher.state() == Publisher::State::Unreachable;
    if (counting != m_brokerRefresh->isActive())
        counting ? m_brokerRefresh->start() : m_brokerRefresh->stop();
}

void MainWindow::readMeterData() {
    m_station->readMeterData();
}

void MainWindow::stopReading() {
    m_station->stopReading();
}

void MainWindow::communicationSetup() {
    CommSetupWindow* setup = commSetupWindow();
    setup->show();
    setup->raise();
    setup->activateWindow();
    hideHistoryWindow();
}

void MainWindow::meterParameterSetup() {
    // With several lines only the line a parameter window works on stops.
    if (m_station->lines().size() == 1)
        m_station->stopReading();
    if (commSetupWindowVisible())
        m_station->callDataGrid1();
    showLoginWindow();
    hideCommSetupWindow();
}

void MainWindow::history() {
    if (commSetupWindowVisible())
        m_station->callDataGrid1();
    showHistoryWindow();
    hideCommSetupWindow();
}

CommSetupWindow* MainWindow::commSetupWindow() {
    if (!m_commSetupWindow) {
        auto* setup = new CommSetupWindow(
            m_station->programDir(), m_station->port(), m_station->pollTimer(),
            m_station->recordInterval(), [this] { m_station->callDataGrid1(); }, this);
        setup->setStoreReport(
            [this](const StoreWrite& write) { m_station->health().storeWrite(write); });
        Line& first = m_station->firstLine();
        setup->setLineRunner([&first](const std::function<void()>& work) { first.call(work); });
        // Forgotten as soon as it closes: it is deleted later, and the next
        // use must load a new one.
        connect(setup, &CommSetupWindow::publishSettingsSaved, &m_station->publisher(),
                &Publisher::apply);
        setup->setLineProbe(new LineProbe(*m_station, setup));
        connect(setup, &CommSetupWindow::linesChanged, this, &MainWindow::reloadLines);
        connect(setup, &CommSetupWindow::unloaded, this, [this, setup] {
            if (m_commSetupWindow == setup)
                m_commSetupWindow = nullptr;
        });
        m_commSetupWindow = setup;
    }
    return m_commSetupWindow;
}

CommSetupWindow* MainWindow::loadedCommSetupWindow() const {
    return m_commSetupWindow;
}

HistoryWindow* MainWindow::loadedHistoryWindow() const {
    return m_historyWindow;
}

LoginWindow* MainWindow::loadedLoginWindow() const {
    return m_loginWindow;
}

ParameterWindow* MainWindow::loadedParameterWindow() const {
    return m_parameterWindow;
}

BasicParameterWindow* MainWindow::loadedBasicParameterWindow() const {
    return m_basicParameterWindow;
}

LineStatisticsWindow* MainWindow::loadedLineStatisticsWindow() const {
    return m_lineStatisticsWindow;
}

ReportsWindow* MainWindow::loadedReportsWindow() const {
    return m_reportsWindow;
}

void MainWindow::reports() {
    if (!m_reportsWindow)
        loadOnce(m_reportsWindow, new ReportsWindow(m_station->programDir(), this));
    present(m_reportsWindow);
}

void MainWindow::lineStatistics() {
    if (!m_lineStatisticsWindow)
        loadOnce(m_lineStatisticsWindow, new LineStatisticsWindow(*m_station, this));
    present(m_lineStatisticsWindow);
}

AlarmsWindow* MainWindow::loadedAlarmsWindow() const {
    return m_alarmsWindow;
}

void MainWindow::alarms() {
    if (!m_alarmsWindow)
        loadOnce(m_alarmsWindow, new AlarmsWindow(
                                     *m_station, [this] { return m_accessLevel; }, this));
    present(m_alarmsWindow);
}

void MainWindow::tellAlarm(const AlarmTracker::Event& event) {
    if (!event.came)
        return;
    const QString text = AlarmsWindow::noticeText(event, m_station->lineNames().value(event.line));
    showNotice(QStringLiteral("Notice:") + text);
    if (!m_station->desktopNotices())
        return;
    if (!m_notifier) {
        m_notifier = std::make_unique<DesktopNotifier>();
        connect(m_notifier.get(), &DesktopNotifier::failed, this, [this](const QString& reason) {
            showNotice(QStringLiteral("Notice:Desktop notification failed: ") + reason);
        });
    }
    m_notifier->notify(QStringLiteral("Meter alarm"), text);
}

void MainWindow::showNotice(const QString& notice) {
    m_status->setText(notice);
}

bool MainWindow::commSetupWindowVisible() const {
    return m_commSetupWindow && m_commSetupWindow->isVisible();
}

void MainWindow::hideCommSetupWindow() {
    if (m_commSetupWindow)
        m_commSetupWindow->hide();
}

void MainWindow::showHistoryWindow() {
    if (!m_historyWindow)
        loadOnce(m_historyWindow, new HistoryWindow(m_station->programDir(), this));
    present(m_historyWindow);
}

void MainWindow::hideHistoryWindow() {
    if (m_historyWindow)
        m_historyWindow->hide();
}

void MainWindow::showLoginWindow() {
    if (!m_loginWindow) {
        LoginWindow* login = loadOnce(m_loginWindow, new LoginWindow(this));
        // The level an acknowledged alarm records; the parameter window
        // that opens records the same in the operation log.
        connect(login, &LoginWindow::fullRequested, this, [this] { m_accessLevel = 2; });
        connect(login, &LoginWindow::basicRequested, this, [this] { m_accessLevel = 1; });
        connect(login, &LoginWindow::fullRequested, this, &MainWindow::showFullParameterWindow);
        connect(login, &LoginWindow::basicRequested, this, &MainWindow::showBasicParameterWindow);
    }
    present(m_loginWindow);
}

void MainWindow::showFullParameterWindow() {
    if (!m_parameterWindow) {
        holdFirstLine();
        loadOnce(m_parameterWindow,
                 new ParameterWindow(m_station->programDir(), m_station->exchange(),
                                     *m_blockDispatcher, this));
        offerLines(*m_parameterWindow);
    }
    present(m_parameterWindow);
}

void MainWindow::showBasicParameterWindow() {
    if (!m_basicParameterWindow) {
        holdFirstLine();
        loadOnce(m_basicParameterWindow,
                 new BasicParameterWindow(m_station->programDir(), m_station->exchange(),
                                          *m_blockDispatcher, this));
        offerLines(*m_basicParameterWindow);
    }
    present(m_basicParameterWindow);
}

void MainWindow::holdFirstLine() {
    // Before the window sets up line 1's port, here on this thread. One
    // line has stopped reading already, and goes on as the operator says.
    if (m_station->lines().size() > 1)
        m_station->holdLine(1);
    else
        m_station->borrowLine(1);
}

void MainWindow::offerLines(ParameterWindowBase& window) {
    QList<ParameterWindowBase::Line> lines;
    for (const auto& line : m_station->lines())
        lines.append({line->number(), line->name(), &line->exchange()});
    // With one line the window only borrows it, as holdFirstLine() does.
    Station* station = m_station.get();
    const bool several = lines.size() > 1;
    window.setLines(
        lines,
        [station, several](int line) {
            several ? station->holdLine(line) : station->borrowLine(line);
        },
        [station, several](int line) {
            several ? station->releaseLine(line) : station->returnLine(line);
        });
}

void MainWindow::exitProgram() {
    // Ends at once: no window's closing steps run.
    QCoreApplication::exit(0);
}

void MainWindow::showReadingState(bool reading) {
    m_stop->setVisible(reading);
    m_read->setVisible(!reading);
}

QList<ColumnFit::Column> MainWindow::gridColumns(bool fresh) const {
    // A new grid: the time takes a time's room and the alarm texts all
    // there is; otherwise every column keeps the width it has.
    const int timeWidth = m_grid->fontMetrics().horizontalAdvance(LiveGridModel::timeSample()) +
                          2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + 4;
    const QHeaderView* header = m_grid->horizontalHeader();
    const QAbstractItemView* view = m_grid;
    QList<ColumnFit::Column> columns;
    for (int column = 0; column < m_gridModel->shownColumns(); ++column) {
        int current = m_grid->columnWidth(column);
        if (fresh)
            current = column == m_gridModel->timeColumn()     ? timeWidth
                      : column == m_gridModel->statusColumn() ? std::numeric_limits<int>::max()
                                                              : 0;
        columns << ColumnFit::Column{header->sectionSizeHint(column),
                                     std::max(0, view->sizeHintForColumn(column)), current};
    }
    return columns;
}

int MainWindow::gridRoom(int windowWidth) const {
    // Less the window's margins, the grid's frame, its row numbers and a
    // vertical scroll bar.
    const QMargins margins = centralWidget()->layout()->contentsMargins();
    return windowWidth - margins.left() - margins.right() - 2 * m_grid->frameWidth() -
           m_grid->verticalHeader()->sizeHint().width() -
           style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_grid);
}

int MainWindow::openingWidth() const {
    // As wide as the columns ask, the alarm texts as wide as they always
    // were, but never wider than a laptop's screen.
    QList<ColumnFit::Column> columns = gridColumns(true);
    columns[m_gridModel->statusColumn()].current =
        pixelsOfTwips(LiveGridModel::widthsTwips()[LiveGridModel::StatusColumn]);
    const QList<int> widths = ColumnFit::widths(columns, m_gridModel->statusColumn(),
                                                std::numeric_limits<int>::max() / 2);
    const int wanted = std::accumulate(widths.begin(), widths.end(), 0) - gridRoom(0);
    const QScreen* screen = QGuiApplication::primaryScreen();
    const int room = screen ? screen->availableGeometry().width() : MaxOpeningWidth;
    return std::min({wanted, MaxOpeningWidth, room});
}

void MainWindow::applyGridColumns() {
    // Binding the rows again sets the columns afresh: every caption and
    // value whole, the alarm texts taking the rest of the room.
    const QList<int> widths =
        ColumnFit::widths(gridColumns(true), m_gridModel->statusColumn(), gridRoom(width()));
    for (int column = 0; column < m_gridModel->shownColumns(); ++column)
        m_grid->setColumnWidth(column, widths[column]);
}

void MainWindow::noteChangedCells(const QModelIndex& topLeft, const QModelIndex& bottomRight) {
    // A text well inside its column fits; only one near its edge is measured
    // as the grid measures a column: the cell's own size and a grid line.
    const int gridLine = m_grid->showGrid() ? 1 : 0;
    const QFontMetrics metrics = m_grid->fontMetrics();
    const int margins = 2 * (style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 1) + gridLine;
    for (int row = topLeft.row(); row <= bottomRight.row() && !m_valuesMayNotFit; ++row)
        for (int column = topLeft.column(); column <= bottomRight.column(); ++column) {
            if (column == m_gridModel->statusColumn())
                continue;
            const QModelIndex cell = topLeft.sibling(row, column);
            const int width = m_grid->columnWidth(column);
            if (!cell.data(Qt::FontRole).isValid() &&
                metrics.horizontalAdvance(cell.data().toString()) + margins + FitSlack < width)
                continue;
            if (m_grid->sizeHintForIndex(cell).width() + gridLine > width) {
                m_valuesMayNotFit = true;
                break;
            }
        }
}

void MainWindow::widenForValues() {
    // A longer number widens its column, taking the room from the alarm
    // texts; otherwise the widths stay as the operator left them.
    const QList<int> widths =
        ColumnFit::widths(gridColumns(false), m_gridModel->statusColumn(), gridRoom(width()));
    bool widened = false;
    for (int column = 0; column < m_gridModel->shownColumns(); ++column)
        widened = widened || (column != m_gridModel->statusColumn() &&
                              widths[column] != m_grid->columnWidth(column));
    if (!widened)
        return;
    for (int column = 0; column < m_gridModel->shownColumns(); ++column)
        m_grid->setColumnWidth(column, widths[column]);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The hint of the button under the mouse stays until another replaces it.
    if (event->type() == QEvent::Enter) {
        const QVariant hint = watched->property(HintProperty);
        if (hint.isValid())
            m_status->setText(hint.toString());
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // Every loaded window closes with its own closing steps; "Exit" skips
    // this on purpose.
    for (QWidget* window : std::initializer_list<QWidget*>{
             m_commSetupWindow, m_historyWindow, m_loginWindow, m_parameterWindow,
             m_basicParameterWindow, m_lineStatisticsWindow, m_reportsWindow, m_alarmsWindow}) {
        if (window)
            window->close();
    }
    event->accept();
}
