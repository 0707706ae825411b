#pragma once

#include "TrendData.h"

#include <QObject>
#include <QString>
#include <QThread>
#include <optional>

class TrendReadWorker;

// Reads one meter's trend (TrendData) on a thread and a connection of its
// own, so a chart's window never waits for the store: a year of a meter
// takes longer than a frame even by the hour.
class TrendReader : public QObject {
    Q_OBJECT
public:
    TrendReader(QString folder, QString meter, std::optional<int> line, QObject* parent = nullptr);
    ~TrendReader() override;
    TrendReader(const TrendReader&) = delete;
    TrendReader& operator=(const TrendReader&) = delete;

    // Asks for a span (clock seconds, both included) at `buckets`; read()
    // follows with the number returned. Asks are answered in order.
    int request(qint64 first, qint64 last, int buckets);

signals:
    void read(int request, const TrendData& data);

private:
    QThread m_thread;
    TrendReadWorker* m_worker = nullptr; // lives on m_thread, deleted there
    int m_requests = 0;
};
