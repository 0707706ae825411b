#pragma once

#include "StationState.h"

#include <QObject>
#include <QTimer>
#include <chrono>

class Station;
class StationStateBox;
struct Reading;

// Takes the station's state on the station's thread at a steady pace and
// puts it in the box for the server. Counts what the station only says in
// signals (replies stored or refused, snapshots) and keeps the active
// alarms from the journal, read again only when an alarm changed.
class StationStateBuilder : public QObject {
    Q_OBJECT
public:
    static constexpr std::chrono::milliseconds Interval{500};

    StationStateBuilder(Station& station, StationStateBox& box, QObject* parent = nullptr);

    // Takes one at once, then every `interval`.
    void start(std::chrono::milliseconds interval = Interval);
    // Takes the state now and puts it in the box.
    void take();

private:
    Station& m_station;
    StationStateBox& m_box;
    QTimer m_timer;
    qint64 m_version = 0;
    StationState::Store m_store;
    QList<StationState::Alarm> m_alarms;
    bool m_alarmsChanged = true;
    QDateTime m_lastSnapshot;
};
