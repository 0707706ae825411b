#include "TcpListener.h"

#include <cerrno>
#include <cstring>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

QString endpoint(const sockaddr* address, socklen_t size) {
    char host[NI_MAXHOST];
    char port[NI_MAXSERV];
    if (getnameinfo(address, size, host, sizeof host, port, sizeof port,
                    NI_NUMERICHOST | NI_NUMERICSERV) != 0)
        return QStringLiteral("?");
    const QString name = QString::fromLatin1(host);
    return (address->sa_family == AF_INET6 ? QStringLiteral("[%1]:%2") : QStringLiteral("%1:%2"))
        .arg(name, QString::fromLatin1(port));
}

} // namespace

TcpListener::~TcpListener() {
    close();
}

bool TcpListener::listen(const QString& host, int port, QString* error) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = AI_PASSIVE | AI_NUMERICSERV;
    addrinfo* found = nullptr;
    const int lookup = getaddrinfo(host.toLocal8Bit().constData(),
                                   QByteArray::number(port).constData(), &hints, &found);
    if (lookup != 0) {
        *error = QStringLiteral("%1: %2").arg(host, QString::fromLocal8Bit(gai_strerror(lookup)));
        return false;
    }
    int lastError = 0;
    for (const addrinfo* each = found; each != nullptr && m_fd < 0; each = each->ai_next) {
        m_fd = ::socket(each->ai_family, each->ai_socktype | SOCK_NONBLOCK | SOCK_CLOEXEC,
                        each->ai_protocol);
        if (m_fd < 0) {
            lastError = errno;
            continue;
        }
        // A restarted simulator takes its port back at once.
        const int on = 1;
        setsockopt(m_fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        if (::bind(m_fd, each->ai_addr, each->ai_addrlen) != 0 || ::listen(m_fd, 8) != 0) {
            lastError = errno;
            close();
        }
    }
    freeaddrinfo(found);
    if (m_fd < 0) {
        *error = QStringLiteral("listen on %1:%2: %3")
                     .arg(host)
                     .arg(port)
                     .arg(QString::fromLocal8Bit(std::strerror(lastError)));
        return false;
    }
    sockaddr_storage bound{};
    socklen_t size = sizeof bound;
    getsockname(m_fd, reinterpret_cast<sockaddr*>(&bound), &size);
    m_address = endpoint(reinterpret_cast<sockaddr*>(&bound), size);
    return true;
}

void TcpListener::close() {
    if (m_fd >= 0)
        ::close(m_fd);
    m_fd = -1;
}

int TcpListener::accept() {
    for (;;) {
        const int fd = accept4(m_fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd >= 0) {
            // A device server hands each piece on as it has it.
            const int noDelay = 1;
            ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &noDelay, sizeof noDelay);
        }
        if (fd >= 0 || errno != EINTR)
            return fd;
    }
}
