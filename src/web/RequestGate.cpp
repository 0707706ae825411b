#include "RequestGate.h"

#include <QSslSocket>
#include <QTimer>

namespace {

// Compares without stopping at the first difference: how long a wrong
// token takes says nothing of how much of it was right.
bool sameSecret(const QByteArray& given, const QByteArray& secret) {
    if (given.size() != secret.size())
        return false;
    unsigned char difference = 0;
    for (qsizetype i = 0; i < given.size(); ++i)
        difference |= static_cast<unsigned char>(given[i] ^ secret[i]);
    return difference == 0;
}

RequestGate::Refusal badRequest(const char* why) {
    return {400, QByteArray("Bad Request: ") + why, {}};
}

} // namespace

RequestGate::RequestGate(QList<QByteArray> paths, QByteArray token,
                         std::optional<QSslConfiguration> tls, QObject* parent)
    : QTcpServer(parent), m_paths(std::move(paths)), m_token(std::move(token)),
      m_tls(std::move(tls)) {}

std::optional<RequestGate::Refusal> RequestGate::check(const QByteArray& head,
                                                       const QList<QByteArray>& paths,
                                                       const QByteArray& token) {
    QList<QByteArray> lines = head.split('\n');
    for (QByteArray& line : lines)
        if (line.endsWith('\r'))
            line.chop(1);
    const QList<QByteArray> request = lines.value(0).split(' ');
    if (request.size() != 3 || !request[1].startsWith('/'))
        return badRequest("not an HTTP request line");
    if (request[2] != "HTTP/1.1" && request[2] != "HTTP/1.0")
        return badRequest("HTTP/1.0 or HTTP/1.1 only");
    if (request[0] != "GET" && request[0] != "HEAD")
        return Refusal{405, "Method Not Allowed: this server only reads", "Allow: GET, HEAD"};
    const QByteArray path = request[1].split('?').constFirst();
    if (path.contains("..") || path.toLower().contains("%2e"))
        return badRequest("no dot segments");
    QByteArray authorization;
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QByteArray& line = lines[i];
        if (line.isEmpty())
            continue;
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            return badRequest("a header line without a name");
        if (line.left(colon).trimmed().toLower() == "authorization")
            authorization = line.mid(colon + 1).trimmed();
    }
    // The page holds no reading, only the script that fetches them: it
    // comes without the token, which the script then sends with each fetch.
    if (!token.isEmpty() && path != "/") {
        const bool bearer = authorization.left(7).toLower() == "bearer ";
        if (!bearer || !sameSecret(authorization.mid(7).trimmed(), token))
            return Refusal{401, "Unauthorized: this station wants its token",
                           "WWW-Authenticate: Bearer"};
    }
    if (!paths.contains(path))
        return Refusal{404, "Not Found", {}};
    return std::nullopt;
}

void RequestGate::incomingConnection(qintptr descriptor) {
    if (m_live >= MostConnections) {
        ++m_counts.dropped;
        if (m_waiting.isEmpty()) {
            QTcpSocket refused;
            refused.setSocketDescriptor(descriptor);
            refused.abort();
            return;
        }
        QTcpSocket* oldest = m_waiting.takeFirst();
        oldest->abort();
        delete oldest; // its count goes now, not at the next turn
    }
    QTcpSocket* socket = nullptr;
    if (m_tls) {
        auto* encrypted = new QSslSocket(this);
        encrypted->setSslConfiguration(*m_tls);
        socket = encrypted;
    } else {
        socket = new QTcpSocket(this);
    }
    if (!socket->setSocketDescriptor(descriptor)) {
        delete socket;
        return;
    }
    ++m_live;
    m_waiting.append(socket);
    connect(socket, &QObject::destroyed, this, [this, socket] {
        --m_live;
        stopWaiting(socket);
    });
    connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
    // What a client may make this side hold: one request head.
    socket->setReadBufferSize(MostHeadBytes);
    auto* deadline = new QTimer(socket);
    deadline->setSingleShot(true);
    connect(deadline, &QTimer::timeout, socket, [this, socket] {
        ++m_counts.dropped;
        socket->abort();
        socket->deleteLater();
    });
    deadline->start(RequestTime);
    connect(socket, &QIODevice::readyRead, this, [this, socket] { inspect(socket); });
    if (auto* encrypted = qobject_cast<QSslSocket*>(socket))
        encrypted->startServerEncryption();
}

void RequestGate::inspect(QTcpSocket* socket) {
    const QByteArray seen = socket->peek(MostHeadBytes + 1);
    qsizetype end = seen.indexOf("\r\n\r\n");
    qsizetype blank = 4;
    if (end < 0) {
        end = seen.indexOf("\n\n");
        blank = 2;
    }
    if (end < 0) {
        if (seen.size() >= MostHeadBytes)
            refuse(socket, {431, "Request Header Fields Too Large", {}});
        return; // more to come, within the deadline
    }
    if (seen.size() > end + blank)
        refuse(socket, badRequest("one request, without a body, per connection"));
    else if (const auto refusal = check(seen.left(end + blank), m_paths, m_token))
        refuse(socket, *refusal);
    else
        admit(socket);
}

void RequestGate::refuse(QTcpSocket* socket, const Refusal& refusal) {
    stopWaiting(socket);
    disconnect(socket, &QIODevice::readyRead, this, nullptr);
    socket->readAll();
    const QByteArray body = refusal.reason + '\n';
    // The reason up to its colon is the status line's phrase.
    QByteArray answer = "HTTP/1.1 " + QByteArray::number(refusal.status) + ' ' +
                        refusal.reason.split(':').constFirst() +
                        "\r\nContent-Type: text/plain; charset=utf-8\r\nContent-Length: " +
                        QByteArray::number(body.size()) + "\r\nConnection: close\r\n";
    if (!refusal.extraHeader.isEmpty())
        answer += refusal.extraHeader + "\r\n";
    socket->write(answer + "\r\n" + body);
    socket->disconnectFromHost();
    ++m_counts.refused;
}

void RequestGate::admit(QTcpSocket* socket) {
    stopWaiting(socket);
    disconnect(socket, &QIODevice::readyRead, this, nullptr);
    // One answer, then the connection closes: no request reaches Qt's
    // server without passing here.
    connect(socket, &QIODevice::bytesWritten, socket, [socket] {
        if (socket->bytesToWrite() == 0)
            socket->disconnectFromHost();
    });
    addPendingConnection(socket);
    emit newConnection();
    // The request came before Qt's server was listening to the socket.
    emit socket->readyRead();
}
