#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>

// A timer that ticks every interval while enabled; an interval of 0 (or
// less) means it does not tick at all, unlike a QTimer of interval 0.
class IntervalTimer : public QObject {
    Q_OBJECT
public:
    explicit IntervalTimer(QObject* parent = nullptr);

    void setInterval(std::chrono::milliseconds interval);
    std::chrono::milliseconds interval() const { return m_interval; }
    void setEnabled(bool enabled);
    bool isEnabled() const { return m_enabled; }
    bool isTicking() const { return m_timer.isActive(); }

signals:
    void tick();

private:
    void apply();

    QTimer m_timer;
    std::chrono::milliseconds m_interval{0};
    bool m_enabled = true;
};
