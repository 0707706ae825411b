#pragma once

#include "CsvExport.h"
#include "ReportRequest.h"

#include <QString>
#include <QStringList>
#include <optional>

class QCommandLineParser;
class QCoreApplication;

// --http and its options as given: empty texts for those not given.
struct WebOptions {
    QString listen; // ADDRESS:PORT, checked
    QString tokenFile;
    QString certificateFile;
    QString keyFile;
};

// The tool's command-line options.
class CommandLine {
public:
    // Whether the arguments ask for a window at all: --help and --version
    // only print, --headless runs without one and --export only writes a
    // file, as does --report, so they must work without a display.
    static bool needsDisplay(int argc, char** argv);
    // Whether the arguments ask for --report, which paints its PDF and
    // chart with Qt's Gui on the offscreen platform.
    static bool asksReport(int argc, char** argv);
    // Whether a window could open: a platform named, or an X or Wayland
    // display. Asked before any application object, whose platform plugin
    // would abort without one.
    static bool displayAvailable();

    // Reads the running application's arguments. Help, version and a bad
    // option are printed and end the program.
    static CommandLine process(const QCoreApplication& app);
    // Reads `arguments` (the program name first); nullopt, with the reason,
    // for a bad option or a stray argument. Needs no application object.
    static std::optional<CommandLine> parse(const QStringList& arguments, QString* error);

    // --folder DIR as given; empty when not given.
    QString folder() const { return m_folder; }
    // --headless: read, record and publish without any window.
    bool headless() const { return m_headless; }
    // --credentials FILE: the broker password's file; empty when not given.
    QString credentials() const { return m_credentials; }
    // --http and its options.
    const WebOptions& web() const { return m_web; }
    // --export and its options, checked; nullopt when not given.
    const std::optional<ExportRequest>& exportRequest() const { return m_export; }
    // --report and its options, checked; nullopt when not given.
    const std::optional<ReportRequest>& reportRequest() const { return m_report; }

private:
    static std::optional<CommandLine> fromParser(const QCommandLineParser& parser, QString* error);

    QString m_folder;
    bool m_headless = false;
    QString m_credentials;
    WebOptions m_web;
    std::optional<ExportRequest> m_export;
    std::optional<ReportRequest> m_report;
};
