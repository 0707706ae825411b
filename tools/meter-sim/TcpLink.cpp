#include "TcpLink.h"

#include <cerrno>
#include <netdb.h>
#include <sys/socket.h>
#include <unistd.h>

TcpLink::TcpLink(int fd) : m_fd(fd) {
    sockaddr_storage address{};
    socklen_t size = sizeof address;
    char host[NI_MAXHOST];
    char port[NI_MAXSERV];
    if (getpeername(fd, reinterpret_cast<sockaddr*>(&address), &size) == 0 &&
        getnameinfo(reinterpret_cast<sockaddr*>(&address), size, host, sizeof host, port,
                    sizeof port, NI_NUMERICHOST | NI_NUMERICSERV) == 0)
        m_peer = QStringLiteral("%1:%2").arg(QString::fromLatin1(host), QString::fromLatin1(port));
    else
        m_peer = QStringLiteral("a client");
}

TcpLink::~TcpLink() {
    if (m_fd >= 0)
        ::close(m_fd);
}

QByteArray TcpLink::readAvailable(bool* closed) {
    QByteArray bytes;
    char chunk[512];
    for (;;) {
        const ssize_t got = ::recv(m_fd, chunk, sizeof chunk, 0);
        if (got > 0) {
            bytes.append(chunk, got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        *closed = got == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        return bytes;
    }
}

void TcpLink::write(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        // No SIGPIPE from a client that has gone; the next read notices it.
        const ssize_t put =
            ::send(m_fd, bytes.constData() + done, bytes.size() - done, MSG_NOSIGNAL);
        if (put > 0)
            done += put;
        else if (put < 0 && errno == EINTR)
            continue;
        else
            return;
    }
}
