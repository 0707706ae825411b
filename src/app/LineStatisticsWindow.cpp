#include "LineStatisticsWindow.h"

#include "LineHealth.h"
#include "LineStatisticsModel.h"
#include "SerialPort.h"
#include "Station.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

LineStatisticsWindow::LineStatisticsWindow(Station& station, QWidget* parent)
    : QMainWindow(parent), m_station(station) {
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Line statistics"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    QList<LineStatisticsModel::Line> lines;
    for (const auto& line : m_station.lines())
        lines.append({line->name(), [health = &line->health()] { return health->statistics(); }});
    m_model = new LineStatisticsModel(lines, this);
    m_table = new QTableView(central);
    m_table->setModel(m_model);
    m_table->setAccessibleName(QStringLiteral("Line statistics per meter"));
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->verticalHeader()->hide();
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    layout->addWidget(m_table, 1);

    m_summary = new QLabel(central);
    m_summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(m_summary);

    auto* buttons = new QHBoxLayout;
    auto* resetButton = new QPushButton(QStringLiteral("Reset"), central);
    resetButton->setAccessibleDescription(QStringLiteral("Set every count back to zero"));
    auto* closeButton = new QPushButton(QStringLiteral("Close"), central);
    buttons->addStretch();
    buttons->addWidget(resetButton);
    buttons->addWidget(closeButton);
    layout->addLayout(buttons);
    setCentralWidget(central);

    connect(resetButton, &QPushButton::clicked, this, &LineStatisticsWindow::reset);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::close);
    m_refresh.setInterval(RefreshInterval);
    connect(&m_refresh, &QTimer::timeout, this, &LineStatisticsWindow::refresh);
    refresh();
    resize(760, 320);
}

QString LineStatisticsWindow::summaryText() const {
    return m_summary->text();
}

QString LineStatisticsWindow::gatewayCounts(const LineStatistics::LineCounts& counts) {
    QStringList exceptions;
    for (auto code = counts.exceptions.begin(); code != counts.exceptions.end(); ++code)
        exceptions << QStringLiteral("code %1: %2").arg(code.key()).arg(code.value());
    return QStringLiteral("\nReplies to earlier requests: %1    Garbled gateway replies: %2    "
                          "Exception replies: %3")
        .arg(counts.staleReplies)
        .arg(counts.garbledReplies)
        .arg(exceptions.isEmpty() ? QStringLiteral("0") : exceptions.join(QStringLiteral(", ")));
}

void LineStatisticsWindow::refresh() {
    m_model->refresh();
    const bool named = m_station.lines().size() > 1;
    QStringList summaries;
    for (const auto& line : m_station.lines()) {
        // A reply halfway in is not garbage.
        const LineHealth& health = line->health();
        const qsizetype awaiting = line->call([&health] { return health.bytesAwaitingReply(); });
        const LineStatistics::LineCounts counts = health.statistics().line(awaiting);
        const bool gateway = line->port().isGateway();
        summaries << QStringLiteral(
                         "%1Bytes received: %2    Garbage bytes: %3    Replies from meters not "
                         "asked: %4    Replies not stored: %5\nDatabase write failures: %6    "
                         "%7    Silent line reopens: %8    Requests not sent: %9    Late "
                         "replies: %10")
                         .arg(named ? line->name() + QStringLiteral(": ") : QString())
                         .arg(counts.bytesReceived)
                         .arg(counts.garbageBytes)
                         .arg(counts.unaskedReplies)
                         .arg(counts.notStored)
                         .arg(counts.storeFailures)
                         .arg(QStringLiteral("%1: %2")
                                  .arg(gateway ? QStringLiteral("Connection losses")
                                               : QStringLiteral("Serial port losses"))
                                  .arg(counts.portLosses))
                         .arg(counts.watchdogReopens)
                         .arg(counts.requestsNotSent)
                         .arg(counts.lateReplies);
        if (gateway)
            summaries.last() += gatewayCounts(counts);
    }
    m_summary->setText(summaries.join(QLatin1Char('\n')));
}

void LineStatisticsWindow::reset() {
    for (const auto& line : m_station.lines())
        line->health().resetStatistics();
    refresh();
}

void LineStatisticsWindow::showEvent(QShowEvent* event) {
    refresh();
    m_refresh.start();
    QMainWindow::showEvent(event);
}

void LineStatisticsWindow::hideEvent(QHideEvent* event) {
    m_refresh.stop();
    QMainWindow::hideEvent(event);
}
