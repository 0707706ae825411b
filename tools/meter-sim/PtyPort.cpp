#include "PtyPort.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

namespace {

QString systemError(const QString& what) {
    return QStringLiteral("%1: %2").arg(what, QString::fromLocal8Bit(std::strerror(errno)));
}

} // namespace

PtyPort::~PtyPort() {
    close();
}

bool PtyPort::open(QString* error) {
    m_master = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
    if (m_master < 0) {
        *error = systemError(QStringLiteral("posix_openpt"));
        return false;
    }
    if (grantpt(m_master) != 0 || unlockpt(m_master) != 0) {
        *error = systemError(QStringLiteral("unlockpt"));
        close();
        return false;
    }
    const char* name = ptsname(m_master);
    if (name == nullptr) {
        *error = systemError(QStringLiteral("ptsname"));
        close();
        return false;
    }
    m_slavePath = QString::fromLocal8Bit(name);

    // Holding the slave open keeps the master from reporting a hang-up
    // (and poll from spinning) while no program has the port open.
    m_slave = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (m_slave < 0) {
        *error = systemError(m_slavePath);
        close();
        return false;
    }
    // Raw from the start: no echo, no line editing, no CR/LF rewriting of
    // binary frames, whatever the program at the other end sets or not.
    termios raw{};
    if (tcgetattr(m_slave, &raw) != 0) {
        *error = systemError(QStringLiteral("tcgetattr"));
        close();
        return false;
    }
    cfmakeraw(&raw);
    raw.c_cc[VMIN] = 1;
    raw.c_cc[VTIME] = 0;
    if (tcsetattr(m_slave, TCSANOW, &raw) != 0) {
        *error = systemError(QStringLiteral("tcsetattr"));
        close();
        return false;
    }
    return true;
}

bool PtyPort::link(const QString& path, QString* error) {
    const QFileInfo info(path);
    if (!QDir().mkpath(info.absolutePath())) {
        *error = QStringLiteral("cannot make folder %1").arg(info.absolutePath());
        return false;
    }
    if (info.exists() && !info.isSymLink()) {
        *error = QStringLiteral("%1 exists and is not a link; leaving it alone").arg(path);
        return false;
    }
    // Made beside the target and renamed over it, so a program looking for
    // the port never sees it missing while an old link is replaced.
    const QByteArray target = QFile::encodeName(path);
    const QByteArray temporary = target + ".meter-sim." + QByteArray::number(getpid());
    ::unlink(temporary.constData());
    if (symlink(QFile::encodeName(m_slavePath).constData(), temporary.constData()) != 0) {
        *error = systemError(QStringLiteral("symlink %1").arg(path));
        return false;
    }
    if (rename(temporary.constData(), target.constData()) != 0) {
        *error = systemError(QStringLiteral("rename to %1").arg(path));
        ::unlink(temporary.constData());
        return false;
    }
    m_linkPath = path;
    return true;
}

void PtyPort::unlink() {
    if (m_linkPath.isEmpty())
        return;
    if (QFileInfo(m_linkPath).symLinkTarget() == QFileInfo(m_slavePath).absoluteFilePath())
        ::unlink(QFile::encodeName(m_linkPath).constData());
    m_linkPath.clear();
}

void PtyPort::close() {
    unlink();
    if (m_slave >= 0)
        ::close(m_slave);
    if (m_master >= 0)
        ::close(m_master);
    m_slave = -1;
    m_master = -1;
}

QByteArray PtyPort::readAvailable() {
    QByteArray bytes;
    char chunk[512];
    for (;;) {
        const ssize_t got = ::read(m_master, chunk, sizeof chunk);
        if (got > 0) {
            bytes.append(chunk, got);
            continue;
        }
        if (got < 0 && errno == EINTR)
            continue;
        return bytes;
    }
}

void PtyPort::write(const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t put = ::write(m_master, bytes.constData() + done, bytes.size() - done);
        if (put > 0)
            done += put;
        else if (put < 0 && errno == EINTR)
            continue;
        else
            return;
    }
}
