#include "WebServer.h"
#include "WebListener.h"

WebServer::WebServer(const StationStateBox& box, QObject* parent) : QObject(parent), m_box(box) {
    m_thread.setObjectName(QStringLiteral("web server"));
}

WebServer::~WebServer() {
    stop();
}

QString WebServer::start(const WebSettings& settings) {
    stop();
    if (!settings.isLoopback() && settings.token.isEmpty())
        return QStringLiteral("serving %1 needs a token: only 127.0.0.1 and ::1 are served without")
            .arg(settings.address.toString());
    m_settings = settings;
    m_listener = new WebListener(m_box, settings);
    m_listener->moveToThread(&m_thread);
    m_thread.start();
    QString error;
    QMetaObject::invokeMethod(
        m_listener, [this, &error] { error = m_listener->listen(); }, Qt::BlockingQueuedConnection);
    if (!error.isEmpty()) {
        stop();
        return error;
    }
    m_port = m_listener->port();
    return {};
}

void WebServer::stop() {
    if (!m_listener)
        return;
    // Its sockets and timers are the thread's: they go there.
    QMetaObject::invokeMethod(
        m_listener, [listener = m_listener] { delete listener; }, Qt::BlockingQueuedConnection);
    m_listener = nullptr;
    m_thread.quit();
    m_thread.wait();
    m_port = 0;
}

QString WebServer::url() const {
    const QString host = m_settings.address.protocol() == QAbstractSocket::IPv6Protocol
                             ? QLatin1Char('[') + m_settings.address.toString() + QLatin1Char(']')
                             : m_settings.address.toString();
    return QStringLiteral("%1://%2:%3/")
        .arg(m_settings.usesTls() ? QStringLiteral("https") : QStringLiteral("http"), host)
        .arg(m_port);
}

WebServer::Counts WebServer::counts() const {
    if (!m_listener)
        return {};
    return {m_listener->served(), m_listener->refused(), m_listener->dropped()};
}
