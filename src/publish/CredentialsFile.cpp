#include "CredentialsFile.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString systemError() {
    return QString::fromLocal8Bit(std::strerror(errno));
}

} // namespace

std::optional<QString> CredentialsFile::read(const QString& path, QString* problem) {
    // Checked on the open file, so the file read is the file checked.
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
        *problem =
            QStringLiteral("cannot read the credentials file %1: %2").arg(path, systemError());
        return std::nullopt;
    }
    QFile file;
    if (!file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        *problem = QStringLiteral("cannot read the credentials file %1").arg(path);
        return std::nullopt;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        *problem = QStringLiteral("the credentials file %1 is not a regular file").arg(path);
        return std::nullopt;
    }
    if (info.st_uid != ::geteuid()) {
        *problem = QStringLiteral("the credentials file %1 belongs to user id %2, not to this "
                                  "user (%3); refused")
                       .arg(path)
                       .arg(info.st_uid)
                       .arg(::geteuid());
        return std::nullopt;
    }
    if ((info.st_mode & 077) != 0) {
        const QString mode = QString::number(info.st_mode & 0777, 8).rightJustified(4, u'0');
        *problem = QStringLiteral("the credentials file %1 has mode %2, open to others; "
                                  "refused (chmod 600 it)")
                       .arg(path, mode);
        return std::nullopt;
    }
    QString password = QString::fromUtf8(file.readLine());
    while (password.endsWith(u'\n') || password.endsWith(u'\r'))
        password.chop(1);
    return password;
}

bool CredentialsFile::create(const QString& path, const QString& password, QString* problem) {
    const int fd = ::open(QFile::encodeName(path).constData(),
                          O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) {
        *problem = QStringLiteral("cannot make %1: %2").arg(path, systemError());
        return false;
    }
    QFile file;
    const QByteArray text = password.toUtf8() + '\n';
    const bool written = file.open(fd, QIODevice::WriteOnly, QFileDevice::AutoCloseHandle) &&
                         file.write(text) == text.size() && file.flush() && ::fsync(fd) == 0;
    if (!file.isOpen())
        ::close(fd);
    file.close();
    if (!written) {
        *problem = QStringLiteral("cannot write %1").arg(path);
        QFile::remove(path); // half a password is no password
    }
    return written;
}
