#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

// One line of upper-case hex per request received, flushed at once so a
// test can read the file while the simulator runs.
class RequestLog {
public:
    // Starts the file afresh; an empty path logs nothing.
    bool open(const QString& path, QString* error);
    void append(const QByteArray& request);

private:
    QFile m_file;
};
