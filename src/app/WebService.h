#pragma once

#include "CommandLine.h"
#include "StationStateBox.h"

#include <QString>
#include <memory>

class Station;
class StationStateBuilder;
class WebServer;

// The web status of a started station, where the command line or else the
// stored setting says: the state taken on the station's thread, the server
// on its own. The token is read from --http-token's file, else from the
// data folder's http-token file when there is one; either must be the
// user's own and closed to others.
class WebService {
public:
    WebService();
    ~WebService();

    // Serves when asked to. Returns what to tell the operator: where it
    // serves, or why it does not; empty when not asked to serve at all.
    QString start(Station& station, const QString& dataFolder, const WebOptions& options);
    bool isServing() const;
    QString url() const;

private:
    StationStateBox m_box;
    std::unique_ptr<StationStateBuilder> m_builder;
    std::unique_ptr<WebServer> m_server;
};
