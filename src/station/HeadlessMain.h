#pragma once

#include <QString>
#include <functional>
#include <memory>

class QCoreApplication;
class Station;

namespace HeadlessMain {

// `--headless`: the station on the chosen data folder, logging to standard
// error, until SIGTERM or SIGINT ends it cleanly (a second one at once).
// The exit code.
// `credentials`: the broker password's file, empty when none; a file
// others may read stops the run before it starts.
// `serve`: started once the station reads, with the data folder and the
// log; what it returns is kept until the station stops.
using Serve = std::function<std::shared_ptr<void>(Station& station, const QString& folder,
                                                  const std::function<void(const QString&)>& log)>;
int run(QCoreApplication& app, const QString& folderOption, const QString& credentials = {},
        const Serve& serve = {});

} // namespace HeadlessMain
