#include "CommandLine.h"
#include "DataFolder.h"
#include "MainWindow.h"
#include "PortLocator.h"
#include "QtSerialPort.h"

#include <QApplication>
#include <QIcon>
#include <QStyleFactory>

int main(int argc, char** argv) {
    QCoreApplication::setApplicationName(QStringLiteral("rx7100-tool"));
    QCoreApplication::setApplicationVersion(QStringLiteral(RX7100_VERSION));
    if (!CommandLine::needsDisplay(argc, argv)) {
        const QCoreApplication app(argc, argv);
        CommandLine::process(app); // prints help or version and ends
        return 0;
    }

    QApplication app(argc, argv);
    QGuiApplication::setDesktopFileName(QStringLiteral(RX7100_APP_ID));
    QApplication::setWindowIcon(QIcon::fromTheme(QStringLiteral(RX7100_APP_ID)));
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const CommandLine options = CommandLine::process(app);

    // The database and the ports/comN links live in the data folder.
    const DataFolder folder = DataFolder::choose(DataFolder::standardPlaces(), options.folder());
    if (!folder.problem().isEmpty())
        qWarning("rx7100-tool: %s", qPrintable(folder.problem()));
    MainWindow window(folder.path(), std::make_unique<QtSerialPort>(PortLocator(folder.path())));
    window.load();
    window.show();
    return app.exec();
}
