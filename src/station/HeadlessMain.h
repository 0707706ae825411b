#pragma once

#include <QString>

class QCoreApplication;

namespace HeadlessMain {

// `--headless`: the station on the chosen data folder, logging to standard
// error, until SIGTERM or SIGINT ends it cleanly (a second one at once).
// The exit code.
// `credentials`: the broker password's file, empty when none; a file
// others may read stops the run before it starts.
int run(QCoreApplication& app, const QString& folderOption, const QString& credentials = {});

} // namespace HeadlessMain
