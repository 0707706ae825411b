#pragma once

#include <QByteArray>
#include <QString>

// The master side of a pseudo-terminal whose slave stands in for a serial
// port, optionally reachable through a symbolic link.
class PtyPort {
public:
    PtyPort() = default;
    ~PtyPort();
    PtyPort(const PtyPort&) = delete;
    PtyPort& operator=(const PtyPort&) = delete;

    bool open(QString* error);
    // Points `path` at the slave, replacing an old link and making the folder.
    bool link(const QString& path, QString* error);
    // Removes the link, unless something else has taken its place meanwhile.
    void unlink();
    void close();

    int fd() const { return m_master; }
    QString slavePath() const { return m_slavePath; }

    // Everything waiting to be read; empty when nothing is.
    QByteArray readAvailable();
    // Writes without blocking; what the line cannot take now is lost, as on
    // a port nobody reads.
    void write(const QByteArray& bytes);

private:
    int m_master = -1;
    int m_slave = -1;
    QString m_slavePath;
    QString m_linkPath;
};
