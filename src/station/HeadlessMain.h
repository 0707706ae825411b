#pragma once

#include <QString>

class QCoreApplication;

namespace HeadlessMain {

// `--headless`: the station on the chosen data folder, logging to standard
// error, until SIGTERM or SIGINT ends it cleanly (a second one at once).
// The exit code.
int run(QCoreApplication& app, const QString& folderOption);

} // namespace HeadlessMain
