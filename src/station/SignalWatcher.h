#pragma once

#include <QObject>
#include <initializer_list>

class QSocketNotifier;

// Turns Unix signals into a Qt signal on the event loop: the handler only
// writes the signal's number into a pipe, so whatever was running when it
// came (a reading being stored, say) runs to its end first. One watcher at
// a time; it puts the default handlers back when it goes.
class SignalWatcher : public QObject {
    Q_OBJECT
public:
    explicit SignalWatcher(std::initializer_list<int> signalNumbers, QObject* parent = nullptr);
    ~SignalWatcher() override;

signals:
    void received(int signalNumber);

private:
    void readPipe();

    QList<int> m_signals;
    QSocketNotifier* m_notifier = nullptr;
};
