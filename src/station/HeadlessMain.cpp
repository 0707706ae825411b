#include "HeadlessMain.h"

#include "CredentialsFile.h"
#include "DataFolder.h"
#include "HeadlessRun.h"
#include "PortLocator.h"
#include "QtSerialPort.h"
#include "SignalWatcher.h"
#include "Station.h"

#include <QCoreApplication>
#include <QDateTime>
#include <csignal>
#include <cstdio>
#include <utility>

namespace {

// One line per event, with its time, as a log file read later wants it.
void logLine(const QString& line) {
    const QString time = QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH:mm:ss.zzz");
    std::fprintf(stderr, "%s rx7100-tool: %s\n", qPrintable(time), qPrintable(line));
    std::fflush(stderr);
}

} // namespace

namespace HeadlessMain {

int run(QCoreApplication& app, const QString& folderOption, const QString& credentials,
        const Serve& serve) {
    const DataFolder folder = DataFolder::choose(DataFolder::standardPlaces(), folderOption);
    if (!folder.problem().isEmpty())
        logLine(folder.problem());
    if (!folder.note().isEmpty())
        logLine(folder.note());
    if (QString problem; !credentials.isEmpty() && !CredentialsFile::read(credentials, &problem)) {
        logLine(problem);
        return 1;
    }
    HeadlessRun run(folder.path(), std::make_unique<QtSerialPort>(PortLocator(folder.path())),
                    logLine);
    run.station().setPasswordPlace(credentials, false);
    SignalWatcher watcher({SIGTERM, SIGINT});
    QObject::connect(&watcher, &SignalWatcher::received, &run, [&run, &app](int number) {
        static bool once = false;
        if (std::exchange(once, true)) {
            app.exit(1); // a second signal does not wait for the broker
            return;
        }
        run.stop(QString::fromLatin1(number == SIGTERM ? "SIGTERM" : "SIGINT"));
    });
    QObject::connect(&run, &HeadlessRun::finished, &app, &QCoreApplication::exit);
    if (!run.start())
        return 1;
    const std::shared_ptr<void> served =
        serve ? serve(run.station(), folder.path(), logLine) : nullptr;
    return app.exec();
}

} // namespace HeadlessMain
