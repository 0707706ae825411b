#include "MainWindow.h"
#include "PortLocator.h"
#include "QtSerialPort.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    // The database, and ports/comN links, live in the program's own folder.
    const QString programDir = QCoreApplication::applicationDirPath();
    MainWindow window(programDir, std::make_unique<QtSerialPort>(PortLocator(programDir)));
    window.load();
    window.show();
    return app.exec();
}
