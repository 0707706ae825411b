#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// One line of upper-case hex per frame, flushed at once so a test can read
// the file while the simulator runs.
class RequestLog {
public:
    // Starts the file afresh; an empty path logs nothing.
    bool open(const QString& path, QString* error);
    void append(const QByteArray& request);
    // "<nanoseconds of the monotonic clock> <hex>", for timing what was sent.
    void appendStamped(qint64 nanoseconds, const QByteArray& bytes);

private:
    QFile m_file;
};
