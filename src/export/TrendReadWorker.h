#pragma once

#include "TrendData.h"

#include <QObject>
#include <QString>
#include <memory>
#include <optional>

class Database;

// The TrendReader's half on its thread, with the connection made, used
// and closed there.
class TrendReadWorker : public QObject {
    Q_OBJECT
public:
    TrendReadWorker(QString folder, QString meter, std::optional<int> line);
    ~TrendReadWorker() override;

    void begin();
    void readSpan(int request, qint64 first, qint64 last, int buckets);

signals:
    void read(int request, const TrendData& data);

private:
    QString m_folder;
    QString m_meter;
    std::optional<int> m_line;
    std::unique_ptr<Database> m_database;
};
