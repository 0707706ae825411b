#pragma once

#include "WebSettings.h"

#include <QObject>
#include <QString>
#include <QThread>
#include <atomic>
#include <memory>

class StationStateBox;
class WebListener;

// Serves the status page, the JSON API and /metrics, read-only, from the
// latest state in the box, on a thread of its own. Requests other than
// GET or HEAD of a known path, or without the token when one is set, are
// answered 4xx; a connection that does not finish its request in time, or
// one too many, is closed, so a client can neither hold the station nor
// make the server grow.
class WebServer : public QObject {
    Q_OBJECT
public:
    explicit WebServer(const StationStateBox& box, QObject* parent = nullptr);
    ~WebServer() override;

    // Listens as set; empty when it does, else why not ("the address is in
    // use", "a token is needed to serve 0.0.0.0", "the key ... cannot be
    // read").
    QString start(const WebSettings& settings);
    void stop();
    // The port it listens on (the one chosen when 0 was asked).
    quint16 port() const { return m_port; }
    QString url() const;

    struct Counts {
        qint64 served = 0;  // answered 200
        qint64 refused = 0; // answered 4xx
        qint64 dropped = 0; // closed unanswered: too slow, too large, too many
    };
    Counts counts() const;
    // The thread it serves on, for a bench to read that thread's CPU time.
    QThread* serverThread() { return &m_thread; }

private:
    const StationStateBox& m_box;
    WebSettings m_settings;
    QThread m_thread;
    WebListener* m_listener = nullptr; // lives on m_thread
    quint16 m_port = 0;
};
