#include "CommandLine.h"
#include "DataFolder.h"
#include "ExportCommand.h"
#include "HeadlessMain.h"
#include "MainWindow.h"
#include "PortLocator.h"
#include "QtSerialPort.h"
#include "ReportCommand.h"
#include "Version.h"
#include "WebService.h"

#include <QApplication>
#include <QIcon>
#include <QStyleFactory>
#include <cstdio>

namespace {

// A bad option, or a window asked for where none can open, ends here with
// one line: Qt's platform plugin would abort with a message of its own.
bool fitsThisPlace(int argc, char** argv) {
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    QString error;
    if (!CommandLine::parse(arguments, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return false;
    }
    if (CommandLine::needsDisplay(argc, argv) && !CommandLine::displayAvailable()) {
        std::fprintf(stderr, "no display: open it on a desktop, or run --headless\n");
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("rx7100-tool"));
    QCoreApplication::setApplicationVersion(QString::fromLatin1(Version::text));
    if (!fitsThisPlace(argc, argv))
        return 1;
    if (CommandLine::asksReport(argc, argv)) {
        // The PDF and its chart are painted, which takes Qt's Gui; a report
        // never shows a window, so it paints off screen, display or not.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        const CommandLine options = CommandLine::process(app);
        return ReportCommand::run(options.folder(), *options.reportRequest());
    }
    if (!CommandLine::needsDisplay(argc, argv)) {
        QCoreApplication app(argc, argv);
        const CommandLine options = CommandLine::process(app); // help and version end here
        if (options.exportRequest())
            return ExportCommand::run(options.folder(), *options.exportRequest());
        if (!options.headless())
            return 0;
        return HeadlessMain::run(
            app, options.folder(), options.credentials(),
            [&options](Station& station, const QString& folder, const auto& log) {
                auto web = std::make_shared<WebService>();
                if (const QString said = web->start(station, folder, options.web());
                    !said.isEmpty())
                    log(said);
                return web;
            });
    }

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QString::fromLatin1(Version::appId));
    QApplication::setWindowIcon(QIcon::fromTheme(QString::fromLatin1(Version::appId)));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const CommandLine options = CommandLine::process(app);

    // The database and the ports/comN links live in the data folder.
    const DataFolder folder = DataFolder::choose(DataFolder::standardPlaces(), options.folder());
    if (!folder.problem().isEmpty())
        qWarning("rx7100-tool: %s", qPrintable(folder.problem()));
    if (!folder.note().isEmpty())
        qInfo("rx7100-tool: %s", qPrintable(folder.note()));
    MainWindow window(folder.path(), std::make_unique<QtSerialPort>(PortLocator(folder.path())));
    window.load();
    window.show();
    window.serveWeb(options.web());
    return app.exec();
}
