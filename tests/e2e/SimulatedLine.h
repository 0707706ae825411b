#pragma once

#include <QProcess>
#include <QStringList>

// meter-sim running as com1 of a program folder, for the length of a test.
class SimulatedLine {
public:
    // Starts meter-sim with `arguments` plus --link <folder>/ports/com1,
    // --log and --reply-log in the folder; waits until the link is there.
    SimulatedLine(const QString& programFolder, const QStringList& arguments);
    ~SimulatedLine();

    bool started() const { return m_started; }
    // Each request received, as hex.
    QStringList requests() const;
    // Each reply sent, as hex (without its time stamp).
    QStringList replies() const;

private:
    QString m_folder;
    QProcess m_process;
    bool m_started = false;
};
