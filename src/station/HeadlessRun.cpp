#include "HeadlessRun.h"

#include "Database.h"
#include "LineHealth.h"
#include "PollingCycle.h"
#include "RollupBuild.h"
#include "SerialPort.h"
#include "Station.h"

#include <QDir>
#include <QTimer>
#include <algorithm>

namespace {

// "1 message", "2 messages".
QString messages(qint64 count) {
    return QStringLiteral("%1 message%2").arg(count).arg(count == 1 ? "" : "s");
}

// A detail from a library, made to fit inside a line of the log.
QString clause(QString text) {
    while (text.endsWith(QLatin1Char('.')))
        text.chop(1);
    return text;
}

} // namespace

HeadlessRun::HeadlessRun(const QString& folder, std::unique_ptr<SerialPort> port, Log log,
                         QObject* parent)
    : QObject(parent), m_log(std::move(log)),
      m_station(std::make_unique<Station>(folder, std::move(port))) {
    connect(&m_station->publisher(), &Publisher::stateChanged, this, &HeadlessRun::logBrokerState);
    connect(m_station.get(), &Station::lineNotStarted, this,
            [this](const QString& why) { m_log(QStringLiteral("line not started: %1").arg(why)); });
    connect(m_station.get(), &Station::passwordNote, this,
            [this](const QString& note) { m_log(note); });
    // A line every tenth of the way, not every batch.
    connect(m_station.get(), &Station::rollupProgress, this, [this](qint64 done, qint64 total) {
        const QString text = RollupBuild::progressText(done, total);
        if (text != m_rollupProgress && (text.endsWith(QLatin1String("0%")) || done == 0))
            m_log(text.at(0).toLower() + text.mid(1));
        m_rollupProgress = text;
    });
    connect(m_station.get(), &Station::rollupsBuilt, this, [this](const QString& error) {
        m_log(error.isEmpty() ? QStringLiteral("hourly summaries built")
                              : QStringLiteral("hourly summaries not built: %1").arg(error));
    });
    // The store's health is told through line 1's.
    const LineHealth& health = m_station->health();
    connect(&health, &LineHealth::storeFailing, this, [this](const QString& reason) {
        m_log(QStringLiteral("database writes fail: %1").arg(clause(reason)));
    });
    connect(&health, &LineHealth::storeRecovered, this,
            [this] { m_log(QStringLiteral("database writes work again")); });
    connect(m_station.get(), &Station::alarmEvent, this, [this](const AlarmTracker::Event& event) {
        m_log(QStringLiteral("alarm %1: %2, line %3 meter %4")
                  .arg(event.came ? "came" : "went", AlarmTracker::name(event.alarm))
                  .arg(event.line)
                  .arg(event.address));
    });
    connect(m_station.get(), &Station::snapshotsPruned, this,
            [this](qint64 rows, const QString& before) {
                if (rows > 0)
                    m_log(QStringLiteral("pruned %1 snapshot%2 stored before %3")
                              .arg(rows)
                              .arg(rows == 1 ? "" : "s")
                              .arg(before));
            });
    connect(m_station.get(), &Station::pruningRefused, this, [this](const QString& why) {
        m_log(QStringLiteral("pruning old snapshots fails: %1").arg(clause(why)));
    });
    connect(&m_station->publisher(), &Publisher::finished, this, [this](qint64 undelivered) {
        if (undelivered > 0)
            m_log(QStringLiteral("%1 %2 not delivered to the broker")
                      .arg(messages(undelivered), undelivered == 1 ? "was" : "were"));
        m_log(QStringLiteral("stopped"));
        emit finished(0);
    });
}

HeadlessRun::~HeadlessRun() = default;

void HeadlessRun::watchLine(Line& line) {
    const LineHealth& health = line.health();
    // A gateway words its own loss: "gateway pumphouse-gw:502 refused the
    // connection".
    const bool gateway = line.port().isGateway();
    const auto worded = [gateway](const QString& serialText, const QString& port,
                                  const QString& text) {
        return gateway ? text.left(1).toLower() + text.mid(1) : serialText.arg(port);
    };
    connect(&health, &LineHealth::lineLost, this,
            [this, worded](const QString& port, const QString& loss) {
                m_log(worded(QStringLiteral("serial port lost: %1"), port, loss) +
                      QStringLiteral("; trying again"));
            });
    connect(&health, &LineHealth::lineBack, this,
            [this, worded](const QString& port, const QString& back) {
                m_log(worded(QStringLiteral("serial port back: %1"), port, back));
            });
    connect(&health, &LineHealth::lineSilent, this, [this](const QString& port) {
        m_log(QStringLiteral("no byte on the line: %1; port reopened").arg(port));
    });
    connect(&health, &LineHealth::sendFailing, this,
            [this](const QString& port, const QString& cause) {
                m_log(QStringLiteral("requests not sent: %1; %2").arg(port, cause));
            });
    connect(&health, &LineHealth::repliesLate, this, [this, &line](const QString& port) {
        m_log(QStringLiteral("replies come late: %1; raise the reply timeout of %2 ms")
                  .arg(port)
                  .arg(line.replyTimeout().count()));
    });
}

bool HeadlessRun::start() {
    const QString database = QDir::toNativeSeparators(Database::filePath(m_station->programDir()));
    if (const StartupResult result = m_station->startUp(); !result.isOk()) {
        m_log(QStringLiteral("cannot start on %1: %2")
                  .arg(database,
                       result.message().replace(QLatin1String("\r\n"), QLatin1String(" "))));
        return false;
    }
    const bool named = m_station->lines().size() > 1;
    for (const auto& line : m_station->lines()) {
        watchLine(*line);
        QStringList meters;
        for (int address : m_station->readings().addresses(line->number()))
            meters << QString::number(address);
        // The port reads on the line's thread.
        struct PortState {
            QString description, settings;
            bool open = false;
        };
        const PortState port = line->call([&line] {
            const SerialPort& port = line->port();
            return PortState{port.description(), port.lineSettings(), port.isOpen()};
        });
        m_log(QStringLiteral("%1reading %2 (%3), poll period %4 ms, meters %5%6")
                  .arg(named ? line->name() + QStringLiteral(": ") : QString(), port.description,
                       port.settings)
                  .arg(line->pollPeriod().count())
                  .arg(meters.isEmpty() ? QStringLiteral("none") : meters.join(QLatin1Char(',')),
                       line->number() == 1 ? QStringLiteral("; database ") + database : QString()));
        // A port that did not open is retried; said once here.
        if (!port.open)
            m_log(QStringLiteral("serial port lost: %1; trying again").arg(port.description));
    }
    if (m_station->publisher().state() == Publisher::State::Off)
        m_log(QStringLiteral("publishing is off"));
    m_station->readMeterData();
    return true;
}

void HeadlessRun::stop(const QString& why) {
    if (m_stopping)
        return;
    m_stopping = true;
    m_log(QStringLiteral("stopping (%1)").arg(why));
    m_station->stopReading();
    // The answer to the last poll may still be on its way; the poll holds
    // the line for it. Stored when it comes, it goes to the broker with the
    // rest, and the broker hears "offline" only after it.
    using namespace std::chrono;
    IntervalTimer::Clock::time_point held = IntervalTimer::Clock::now();
    for (const auto& line : m_station->lines())
        held = std::max(held, line->call([&line] { return line->pollTimer().heldUntil(); }));
    const auto onTheLine = std::clamp(ceil<milliseconds>(held - IntervalTimer::Clock::now()),
                                      milliseconds(0), duration_cast<milliseconds>(FinishBudget));
    QTimer::singleShot(onTheLine, this, [this, onTheLine] {
        // Readings are committed in groups: what waits is committed, and
        // its messages queued, before the broker hears "offline".
        m_station->flushReadings();
        QMetaObject::invokeMethod(
            this, [this, onTheLine] { m_station->publisher().finish(FinishBudget - onTheLine); },
            Qt::QueuedConnection);
    });
}

void HeadlessRun::logBrokerState() {
    const Publisher& publisher = m_station->publisher();
    switch (publisher.state()) {
    case Publisher::State::Off:
        return;
    case Publisher::State::Invalid:
        m_log(QStringLiteral("not publishing: %1").arg(clause(publisher.detail())));
        return;
    case Publisher::State::Connecting:
        // Said once: the client passes through it again with its address.
        if (std::exchange(m_connectingLogged, true))
            return;
        m_log(QStringLiteral("connecting to the broker at %1 as station %2")
                  .arg(publisher.endpoint(), publisher.topics().station()));
        return;
    case Publisher::State::Connected:
        m_log(QStringLiteral("publishing to %1").arg(publisher.endpoint()));
        return;
    case Publisher::State::Unreachable:
        m_log(QStringLiteral("broker %1 unreachable: %2; %3 waiting")
                  .arg(publisher.endpoint(), clause(publisher.detail()),
                       messages(publisher.waiting())));
        return;
    }
}
