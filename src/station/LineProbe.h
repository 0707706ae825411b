#pragma once

#include "ReplyKind.h"
#include "StoredLine.h"

#include <QList>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <memory>

class Line;
class SerialExchange;
class SerialPort;
class Station;

// "Test line": asks each meter of a line once for its real-time record, on
// a port of its own opened with the line's settings, and waits up to the
// reply timeout for each. The station's line gives its port up meanwhile
// and takes it back after, reading again if it was. Nothing waits: the
// answer comes by `finished`.
class LineProbe : public QObject {
    Q_OBJECT
public:
    struct Outcome {
        QList<int> answered;
        QList<int> silent;
        int portError = 0; // why the port did not open (a PortError code); 0 when it did
        QString loss;      // why a gateway's connection failed, as its port words it
    };

    explicit LineProbe(Station& station, QObject* parent = nullptr);
    ~LineProbe() override;

    // False, with nothing done, while a test runs.
    bool start(const StoredLine& line, const QList<int>& meters);
    bool isRunning() const { return m_running; }
    const Outcome& outcome() const { return m_outcome; }

    // What the operator reads: "Line 2 "Stage two": 1, 4 answered; 7 silent".
    static QString summary(const StoredLine& line, const Outcome& outcome);

signals:
    void finished(const QString& summary);

private:
    void firstQuestion();
    void askNext();
    void replied(ReplyKind kind, const QString& hexText);
    void noAnswer();
    void finish();

    Station& m_station;
    StoredLine m_line;
    QList<int> m_meters;
    qsizetype m_next = 0;
    Outcome m_outcome;
    bool m_running = false;
    // The station's line that gave its port up, and whether it had it open.
    QPointer<Line> m_held;
    bool m_heldOpen = false;
    std::unique_ptr<SerialPort> m_port;
    std::unique_ptr<SerialExchange> m_exchange;
    QTimer m_timeout;
};
