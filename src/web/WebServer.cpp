#include "WebServer.h"

WebServer::WebServer(const StationStateBox& box, QObject* parent) : QObject(parent), m_box(box) {}

WebServer::~WebServer() {
    stop();
}

QString WebServer::start(const WebSettings& settings) {
    m_settings = settings;
    return QStringLiteral("not built yet");
}

void WebServer::stop() {}

QString WebServer::url() const {
    return {};
}

WebServer::Counts WebServer::counts() const {
    return {};
}
