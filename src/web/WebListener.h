#pragma once

#include "WebSettings.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <atomic>
#include <functional>
#include <memory>

class QHttpServer;
class RequestGate;
class StationStateBox;
struct StationState;

// The server's side on its own thread: Qt's HTTP server behind the request
// gate, and each document rendered once per state and served from there
// until the state changes.
class WebListener : public QObject {
public:
    WebListener(const StationStateBox& box, WebSettings settings);
    ~WebListener() override;

    // On the server's thread: listens, or says why not.
    QString listen();
    quint16 port() const { return m_port; }

    qint64 served() const { return m_served; }
    qint64 refused() const;
    qint64 dropped() const;

private:
    using Render = std::function<QByteArray(const StationState&)>;
    void serve(const QByteArray& path, const QByteArray& type, Render render);

    const StationStateBox& m_box;
    WebSettings m_settings;
    QHttpServer* m_http = nullptr;
    RequestGate* m_gate = nullptr;
    quint16 m_port = 0;
    std::atomic<qint64> m_served = 0;
    struct Rendered {
        qint64 version = -1;
        QByteArray body;
    };
    QHash<QByteArray, Rendered> m_rendered; // by path
};
