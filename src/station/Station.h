#pragma once

#include "AlarmOccurrence.h"
#include "AlarmTracker.h"
#include "HistorySnapshots.h"
#include "IntervalTimer.h"
#include "LatestReadings.h"
#include "Line.h"
#include "MeterCursor.h"
#include "Publisher.h"
#include "RecordInterval.h"
#include "ReplyKind.h"
#include "SettingsTable.h"
#include "StartupResult.h"
#include "StoreWrite.h"
#include "StoredLine.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <vector>

class AlarmJournal;
class Checkpointer;
class Database;
class LineHealth;
class MeterTable;
class Pruner;
class PollingCycle;
class ReadingWriter;
class RollupBuild;
class RollupFolder;
class SerialExchange;
class SerialPort;

// What the main window owns for the whole run and shares with the other
// windows: the database connection and its checkpoints, which run on a
// thread of their own, the lines, the snapshot timer, the meters' latest
// readings, and the routines that work on them. No widgets here: the grid,
// the headless log and the broker read what it holds.
class Station : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds SnapshotInterval = std::chrono::minutes(1);
    // How long a statement of the reading road waits for another
    // program's lock: a held database must not freeze the window.
    static constexpr std::chrono::milliseconds ReadingBusyTimeout{100};

    // Makes the port of a line from its stored text: "N" for ports/comN,
    // or a device path.
    using PortMaker = std::function<std::unique_ptr<SerialPort>(const QString& port)>;

    // `port` is line 1's; the other lines' ports are made by `makePort`,
    // real serial ports unless given.
    Station(QString programDir, std::unique_ptr<SerialPort> port, QObject* parent = nullptr);
    void setPortMaker(PortMaker makePort) { m_makePort = std::move(makePort); }
    ~Station() override;

    // Start-up: opens the database, reads the settings row, opens and sets
    // up the port, blanks the readings and loads the grid. Stops at the
    // first failing step and says which it was and why.
    // Where the broker password is read: a --credentials file (empty:
    // none), and whether a desktop keyring may be asked. Before startUp().
    void setPasswordPlace(const QString& credentialsFile, bool keyring);
    StartupResult startUp();

    // Sets lines 2 and up as now stored, and line 1's name, poll period and
    // reply timeout: a line whose settings changed, or that is gone, stops;
    // one new or changed starts, reading if the station reads. The grid is
    // reloaded. Returns the lines started.
    std::vector<Line*> reloadLines();
    // A port set up as a stored line says, not opened; none when its port
    // is neither com1 to com10 nor a device path.
    std::unique_ptr<SerialPort> portFor(const StoredLine& settings);

    // Idle <-> Reading.
    void readMeterData();
    // Stops every line's polls; the readings taken are committed.
    void stopReading();
    bool isReading() const { return m_reading; }
    // A window works on the line's port and timers directly: the line
    // comes over to the station's thread until it is returned.
    void borrowLine(int number);
    void returnLine(int number);
    // A parameter window works on the line: it is borrowed and stops
    // polling until every hold is released, and polls again then if the
    // station reads; the other lines go on. A number the station has no
    // line for is ignored.
    void holdLine(int number);
    void releaseLine(int number);
    bool isHeld(int number) const { return m_holds.value(number) > 0; }

    // Commits every reading taken so far: readings are committed in
    // groups, at most 100 ms after they came, and always before a
    // snapshot, a reload, at stop and at exit. The first refusal, if any.
    StoreWrite flushReadings();

    // Reloads the latest readings; the poll cursor goes back to the first meter.
    // Readings left from before this start are shown blank even when the
    // store could not blank them.
    void callDataGrid1();
    // Blanks every meter's latest reading, keeping the addresses.
    void clearReadings();

    // What the snapshot timer reads at each tick: start-up fills it from
    // the settings, the setup window's interval box edits it.
    RecordInterval& recordInterval() { return m_recordInterval; }
    // The snapshot timer's tick: counts the minute and, when the record
    // interval is reached, copies every meter row into the history. A copy
    // the store refused is tried again at the next tick.
    void snapshotTick();
    // Publishes each listed meter's consumption of that local day, when
    // publishing. Due once after each local midnight, by its own timer.
    void publishDayConsumption(QDate day);

    // Decodes a real-time reply and stores it in the replying meter's row,
    // and in the latest readings; the poll cursor stays where it is.
    // A damaged reply, or one from a meter not listed, changes nothing. A
    // reading the store refuses is still shown, and the refusal reported.
    void Data_read1(Line& line, const QString& hexText);
    // As above, for a reply on line 1.
    void Data_read1(const QString& hexText);

    const QString& programDir() const { return m_programDir; }
    const std::vector<std::unique_ptr<Line>>& lines() const { return m_lines; }
    // The running line of that number; null when there is none.
    Line* line(int number) const;
    // Every stored line's name by number, a line left out at start-up too.
    const QHash<int, QString>& lineNames() const { return m_lineNames; }
    // Line 1: the one the setup and parameter windows work on.
    Line& firstLine() { return *m_lines.front(); }
    SerialPort& port() { return firstLine().port(); }
    SerialExchange& exchange() { return firstLine().exchange(); }
    PollingCycle& polling() { return firstLine().polling(); }
    IntervalTimer& pollTimer() { return firstLine().pollTimer(); }
    IntervalTimer& snapshotTimer() { return m_snapshotTimer; }
    const LatestReadings& readings() const { return m_readings; }
    MeterCursor& cursor() { return firstLine().cursor(); }
    LineHealth& health() { return firstLine().health(); }
    // Every stored reading and snapshot goes to the broker through it.
    Publisher& publisher() { return m_publisher; }
    const Publisher& publisher() const { return m_publisher; }
    // Milliseconds, as read at start-up.
    int pollPeriod() const { return m_pollPeriod; }
    int minuteCounter() const { return m_snapshots.minuteCounter(); }
    // When start-up ran; invalid before.
    const QDateTime& startedAt() const { return m_startedAt; }

    // When each alarm came and went; null before start-up.
    const AlarmJournal* alarmJournal() const { return m_journal.get(); }
    // Records that the operator at this access level saw the alarm, and
    // tells the broker.
    StoreWrite acknowledgeAlarm(const AlarmOccurrence& alarm, int level);
    // Where the web status is served, as stored; empty before start-up.
    StoredWeb storedWeb() const;
    // Whether a new alarm is also told on the desktop, as stored.
    bool desktopNotices() const { return m_desktopNotices; }
    StoreWrite setDesktopNotices(bool on);

signals:
    void readingChanged(bool reading);
    // A line other than line 1 could not be set up at start-up; the others
    // read without it.
    void lineNotStarted(const QString& why);
    // Where the broker password went or why it cannot be had.
    void passwordNote(const QString& note);
    // A whole real-time reply of a listed meter: shown, and on its way to
    // the store.
    void readingReceived(const Reading& reading, const QString& hexText);
    // A meter's row as committed to the store.
    void readingStored(const Reading& row);
    // A complete parameter-block reply (kinds Block1 to Block4).
    void parameterBlockReceived(ReplyKind kind, const QString& hexText);
    // An alarm of a meter came or went; journaled and on its way to the broker.
    void alarmEvent(const AlarmTracker::Event& event);
    // An operator acknowledged an alarm, as journaled.
    void alarmAcknowledged(const AlarmOccurrence& alarm);
    // Every meter's row was copied into the history.
    void snapshotTaken();
    // A pass of the background pruning is over: `rows` snapshots stored
    // before `before` taken (none when every snapshot is kept).
    void snapshotsPruned(qint64 rows, const QString& before);
    // The store refused a pruning batch; the next pass tries again.
    void pruningRefused(const QString& why);
    // An older store's history is being folded into the hourly rollups: rows
    // done of the total; then whether it ended (empty) or why it stopped.
    void rollupProgress(qint64 done, qint64 total);
    void rollupsBuilt(const QString& error);

private:
    void addLine(std::unique_ptr<Line> line);
    // Lines 2 and up, as stored; line 1 takes its name and timeout. A line
    // whose settings stay keeps running. Returns the lines started.
    std::vector<Line*> setUpLines();
    void blankStaleReadings();
    // Folds the snapshots stored since the last fold into the rollups; while
    // an older store's build runs, they wait for it.
    void foldRollups();
    void takeWaitingReadings();
    // A decoded reply of a line, on the station's thread.
    void takeReading(const Reading& reading, const QString& hexText);
    void readingCommitted(const Reading& row);
    void readingRefused(const Reading& row, const StoreWrite& write);
    // Waits for the next day's publishing.
    void armDayTimer();
    void trackAlarms(const Reading& row);
    void meterSilent(int line, int address);
    // Meters no longer listed: their alarms go.
    void dropUnlistedAlarms();
    void takeAlarmEvents(const QList<AlarmTracker::Event>& events);

    QString m_programDir;
    QString m_credentialsFile;
    bool m_keyring = false;
    LatestReadings m_readings;
    std::vector<std::unique_ptr<Line>> m_lines;
    PortMaker m_makePort;
    QHash<int, QString> m_lineNames;
    QHash<int, int> m_holds;               // line number -> parameter windows working on it
    QHash<int, StoredLine> m_lineSettings; // what each line 2 and up was started with
    IntervalTimer m_snapshotTimer;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<MeterTable> m_meters;
    std::unique_ptr<ReadingWriter> m_writer;
    std::unique_ptr<Checkpointer> m_checkpointer;
    std::unique_ptr<AlarmJournal> m_journal;
    AlarmTracker m_alarms;
    // Each meter's status text as last tracked: most replies repeat it,
    // and those cost the alarm road one comparison. A silent meter has none.
    QHash<std::pair<int, int>, QString> m_statusSeen;
    bool m_desktopNotices = false;
    std::unique_ptr<Pruner> m_pruner;
    std::unique_ptr<RollupFolder> m_rollups;
    std::unique_ptr<RollupBuild> m_rollupBuild;
    int m_pollPeriod = 0; // milliseconds, as read at start-up
    HistorySnapshots m_snapshots;
    RecordInterval m_recordInterval;
    Publisher m_publisher;
    QTimer m_dayTimer;
    bool m_reading = false;
    bool m_snapshotOwed = false;
    // Start-up could not blank the stored readings: rows older than this
    // start are not shown, and blanked once the store takes writes again.
    bool m_readingsStale = false;
    QDateTime m_startedAt;
};
