// The tool's station without a window, reading a line and taking history
// snapshots and log rows as fast as it can, for the kill tests. After each
// commit it prints what is now committed, so a test killing it knows what
// must be in the database.
#include "Database.h"
#include "LineHealth.h"
#include "MainStation.h"
#include "OperationLog.h"
#include "PortLocator.h"
#include "QtSerialPort.h"

#include <QCoreApplication>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: station-driver PROGRAM-FOLDER\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    MainStation station(folder, std::make_unique<QtSerialPort>(PortLocator(folder)));
    if (const StartupResult result = station.startUp(); !result.isOk()) {
        std::fprintf(stderr, "start-up failed: %s\n", qPrintable(result.message()));
        return 1;
    }
    station.recordInterval().setText(QStringLiteral("1"));
    station.readMeterData();

    Database logDb(folder);
    OperationLog log(logDb.connection());
    long snapshots = 0;
    long logRows = 0;
    QTimer busy;
    QObject::connect(&busy, &QTimer::timeout, [&] {
        // Each tick is one minute of the snapshot timer with an interval of one.
        const qint64 failures = station.health().store().failures();
        station.snapshotTick();
        if (station.health().store().failures() == failures)
            ++snapshots;
        OperationLogRow row{2,
                            QStringLiteral("RX71000001"),
                            QStringLiteral("Damping"),
                            QString::number(logRows),
                            QString::number(logRows + 1),
                            QDateTime::currentDateTime()};
        if (log.append(row).isDone())
            ++logRows;
        std::printf("%ld %ld\n", snapshots, logRows);
        std::fflush(stdout);
    });
    busy.start(5);
    return app.exec();
}
