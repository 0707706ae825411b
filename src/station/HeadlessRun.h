#pragma once

#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>

class Line;
class Station;
class SerialPort;

// The station without a display: no widget at all. It starts up, reads at
// once, takes a snapshot every record interval as stored, publishes when
// publishing is on, journals each alarm, and says each thing worth knowing
// in one line of the log. stop() ends it cleanly.
class HeadlessRun : public QObject {
    Q_OBJECT
public:
    using Log = std::function<void(const QString& line)>;

    // How long the end may wait for the broker to take what waits.
    static constexpr std::chrono::seconds FinishBudget{5};

    HeadlessRun(const QString& folder, std::unique_ptr<SerialPort> port, Log log,
                QObject* parent = nullptr);
    ~HeadlessRun() override;

    // Start-up, then reading. False, with the reason logged, when start-up
    // failed.
    bool start();
    // Stops reading, then sends what waits and "offline"; finished() follows.
    void stop(const QString& why);

    Station& station() { return *m_station; }

signals:
    void finished(int exitCode);

private:
    void logBrokerState();
    // Says what befalls the line's port in the log.
    void watchLine(Line& line);

    Log m_log;
    std::unique_ptr<Station> m_station;
    bool m_stopping = false;
    bool m_connectingLogged = false;
};
