#include "LineStatisticsWindow.h"

#include "LineHealth.h"
#include "LineStatisticsModel.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

LineStatisticsWindow::LineStatisticsWindow(LineHealth& health, QWidget* parent)
    : QMainWindow(parent), m_health(health) {
    setWindowFlag(Qt::Window);
    setWindowTitle(QStringLiteral("Line statistics"));

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    m_model = new LineStatisticsModel(m_health.statistics(), this);
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

void LineStatisticsWindow::refresh() {
    m_model->refresh();
    // A reply halfway in is not garbage.
    const LineStatistics::LineCounts line =
        m_health.statistics().line(m_health.bytesAwaitingReply());
    m_summary->setText(
        QStringLiteral("Bytes received: %1    Garbage bytes: %2    Replies from meters not "
                       "asked: %3    Replies not stored: %4\nDatabase write failures: %5    "
                       "Serial port losses: %6    Silent line reopens: %7    Requests not "
                       "sent: %8    Late replies: %9")
            .arg(line.bytesReceived)
            .arg(line.garbageBytes)
            .arg(line.unaskedReplies)
            .arg(line.notStored)
            .arg(line.storeFailures)
            .arg(line.portLosses)
            .arg(line.watchdogReopens)
            .arg(line.requestsNotSent)
            .arg(line.lateReplies));
}

void LineStatisticsWindow::reset() {
    m_health.resetStatistics();
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
