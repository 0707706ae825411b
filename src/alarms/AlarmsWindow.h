#pragma once

#include "AlarmOccurrence.h"
#include "AlarmTracker.h"

#include <QList>
#include <QWidget>
#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;
class QTimer;
class Station;

// "Alarms": the meters' active alarms on top, acknowledged here, and the
// journal of every alarm below, searched by a range of days, a line and a
// meter address. The station keeps and journals the alarms; this window
// shows what its journal holds.
class AlarmsWindow : public QWidget {
    Q_OBJECT
public:
    // The access level the operator logged in with this run, 0 for none.
    using AccessLevel = std::function<int()>;

    AlarmsWindow(Station& station, AccessLevel level, QWidget* parent = nullptr);

    // "Empty Pipe Alarm, Pump house meter 2", for a notice of a new alarm.
    static QString noticeText(const AlarmTracker::Event& event, const QString& lineName);

    // Acknowledges the selected active alarms.
    void acknowledge();
    void search();
    QString statusText() const;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void showActive();
    void showDurations();
    QLineEdit* addBox(class QHBoxLayout* row, const QString& caption, const QString& name);

    Station& m_station;
    AccessLevel m_level;
    QList<AlarmOccurrence> m_open; // as the active grid shows them
    QStandardItemModel* m_active = nullptr;
    QStandardItemModel* m_journal = nullptr;
    QTableView* m_activeGrid = nullptr;
    QTableView* m_journalGrid = nullptr;
    QPushButton* m_acknowledge = nullptr;
    QCheckBox* m_notices = nullptr;
    QLineEdit* m_from = nullptr;
    QLineEdit* m_to = nullptr;
    QComboBox* m_line = nullptr;
    QLineEdit* m_meter = nullptr;
    QLabel* m_status = nullptr;
    QTimer* m_tick = nullptr;
};
