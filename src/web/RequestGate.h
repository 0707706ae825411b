#pragma once

#include <QByteArray>
#include <QSslConfiguration>
#include <QTcpServer>
#include <QtGlobal>
#include <atomic>
#include <chrono>
#include <optional>

class QTcpSocket;

// The listening socket in front of Qt's HTTP server. It reads each
// connection's request head itself and hands the connection over only
// when it is one GET or HEAD of a known path, with the token when one is
// set; anything else is answered 4xx here and closed. A connection that
// does not finish its request in time is closed; beyond the limit, the
// oldest still sending its request is closed to let the newest in, so
// idle connections cannot shut out a client that asks at once. A client
// can neither hold the server nor make it grow. One request per
// connection: the connection closes after its answer.
class RequestGate : public QTcpServer {
public:
    static constexpr qsizetype MostHeadBytes = 8 * 1024;
    static constexpr int MostConnections = 256;
    static constexpr std::chrono::milliseconds RequestTime{5000};

    struct Counts {
        std::atomic<qint64> refused = 0; // answered 4xx here
        std::atomic<qint64> dropped = 0; // closed unanswered
    };

    // `paths`: those served; `token`: asked of every request when not
    // empty; `tls`: every connection encrypted with it when given.
    RequestGate(QList<QByteArray> paths, QByteArray token, std::optional<QSslConfiguration> tls,
                QObject* parent = nullptr);

    const Counts& counts() const { return m_counts; }
    int connections() const { return m_live; }

    // Why a request head is refused: the status line and a word for the
    // client; nullopt when it may pass. `head` up to and including its
    // blank line.
    struct Refusal {
        int status;
        QByteArray reason;
        QByteArray extraHeader; // "Allow: GET, HEAD", "WWW-Authenticate: Bearer"
    };
    static std::optional<Refusal> check(const QByteArray& head, const QList<QByteArray>& paths,
                                        const QByteArray& token);

protected:
    void incomingConnection(qintptr descriptor) override;

private:
    void inspect(QTcpSocket* socket);
    void refuse(QTcpSocket* socket, const Refusal& refusal);
    void admit(QTcpSocket* socket);
    // No longer waiting for its request: let through, refused or gone.
    void stopWaiting(QTcpSocket* socket) { m_waiting.removeOne(socket); }

    QList<QByteArray> m_paths;
    QByteArray m_token;
    std::optional<QSslConfiguration> m_tls;
    int m_live = 0;
    QList<QTcpSocket*> m_waiting; // connected, request not yet complete; oldest first
    Counts m_counts;
};
