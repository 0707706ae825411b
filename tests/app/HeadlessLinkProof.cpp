#include "CsvExport.h"
#include "ExportCommand.h"
#include "HeadlessMain.h"

#include <QCoreApplication>

// The runs without a display, linked with the station and the export alone:
// that this links at all shows they need no window code.
int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc > 1)
        return ExportCommand::run(QString(), ExportRequest{});
    return HeadlessMain::run(app, QString());
}
