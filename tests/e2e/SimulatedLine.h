#pragma once

#include "MainWindow.h"
#include "ParameterWindow.h"
#include "ProgramFolder.h"

#include <QProcess>
#include <QStringList>
#include <memory>

// meter-sim running as com1 of a program folder, for the length of a test.
class SimulatedLine {
public:
    // Starts meter-sim with `arguments` plus --link <folder>/<link>,
    // --log and --reply-log in `logFolder` (the program folder unless
    // given); waits until the link is there.
    SimulatedLine(const QString& programFolder, const QStringList& arguments,
                  const QString& logFolder = {}, const QString& link = "ports/com1");
    // Ends meter-sim cleanly; its link goes with it.
    ~SimulatedLine();

    bool started() const { return m_started; }
    // Each request received and each reply sent (without its time), as hex.
    QStringList requests() const;
    QStringList replies() const;

private:
    QString m_folder;
    QProcess m_process;
    bool m_started = false;
};

// A line at 115200 baud polled as fast as it goes, with these meters.
StartingDatabase::Line fastLine(int number, QList<int> meters);

// The tool's main window on the real Qt serial port and com1 a simulated
// line; the window, and with it the port, goes first.
struct ToolOnLine {
    ToolOnLine(const StartingDatabase::Options& options, const QStringList& simArguments);

    // The line is up and the main window loaded.
    bool load() const { return line.started() && window->load().isOk(); }
    // "Meter Parameter Setup" with the full access code: its window, or
    // null when none opened.
    ParameterWindow* openParameterWindow();

    ProgramFolder folder;
    SimulatedLine line;
    std::unique_ptr<MainWindow> window;
};
