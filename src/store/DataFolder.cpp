#include "DataFolder.h"

#include "Database.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>

namespace {

bool mayAccess(const QString& path, int mode) {
    // Effective ids: what open() will check, also in a set-id process.
    return ::faccessat(AT_FDCWD, QFile::encodeName(path).constData(), mode, AT_EACCESS) == 0;
}

// Copies through a temporary file that replaces nothing until it is whole,
// so a failed copy never leaves a half database for the next start.
bool copyWhole(const QString& from, const QString& to, QString* problem) {
    QFile source(from);
    if (!source.open(QIODevice::ReadOnly)) {
        *problem = QStringLiteral("cannot read %1: %2").arg(from, source.errorString());
        return false;
    }
    QSaveFile target(to);
    if (!target.open(QIODevice::WriteOnly)) {
        *problem = QStringLiteral("cannot write %1: %2").arg(to, target.errorString());
        return false;
    }
    while (!source.atEnd()) {
        const QByteArray chunk = source.read(1 << 20);
        if (chunk.isEmpty() || target.write(chunk) != chunk.size()) {
            *problem = QStringLiteral("cannot copy %1: %2")
                           .arg(from, source.error() != QFile::NoError ? source.errorString()
                                                                       : target.errorString());
            target.cancelWriting();
            return false;
        }
    }
    if (!target.commit()) {
        *problem = QStringLiteral("cannot write %1: %2").arg(to, target.errorString());
        return false;
    }
    return true;
}

// Clears the group and other bits of `path`; the mode it had when that
// changed it, nullopt when it was tight already or is not there.
std::optional<mode_t> tighten(const QString& path, mode_t mode) {
    struct stat info {};
    const QByteArray name = QFile::encodeName(path);
    if (::stat(name.constData(), &info) != 0 || (info.st_mode & 077) == 0)
        return std::nullopt;
    if (::chmod(name.constData(), mode) != 0)
        return std::nullopt;
    return info.st_mode & 07777;
}

} // namespace

DataFolder::Places DataFolder::standardPlaces() {
    const QString programDir = QCoreApplication::applicationDirPath();
    return {programDir, QStandardPaths::writableLocation(QStandardPaths::AppDataLocation),
            QDir::cleanPath(QDir(programDir).filePath(QStringLiteral(RX7100_STARTING_DATA_DIR)) +
                            QLatin1Char('/') + Database::fileName())};
}

bool DataFolder::isWritableWithDatabase(const QString& folder) {
    return mayAccess(folder, W_OK | X_OK) && mayAccess(Database::filePath(folder), R_OK | W_OK);
}

DataFolder DataFolder::choose(const Places& places, const QString& chosen) {
    DataFolder folder;
    if (!chosen.isEmpty()) {
        folder.m_path = QDir(chosen).absolutePath();
        folder.m_kind = Kind::Chosen;
        folder.restrictDatabaseFiles();
    } else if (isWritableWithDatabase(places.programDir)) {
        folder.m_path = QDir(places.programDir).absolutePath();
        folder.m_kind = Kind::Program;
    } else {
        folder.m_path = QDir(places.userDir).absolutePath();
        folder.m_kind = Kind::User;
        folder.prepareUserFolder(places);
        folder.restrictDatabaseFiles();
    }
    return folder;
}

void DataFolder::prepareUserFolder(const Places& places) {
    const QDir dir(m_path);
    const bool existed = dir.exists();
    if (!dir.mkpath(QStringLiteral("ports"))) {
        m_problem = QStringLiteral("cannot make the folder %1").arg(dir.filePath("ports"));
        return;
    }
    // Readings and broker settings are this user's own.
    if (const auto was = tighten(m_path, 0700); was && existed)
        m_note = QStringLiteral("the data folder %1 was open to others (mode %2); it is 0700 now")
                     .arg(m_path, QString::number(*was, 8).rightJustified(4, QLatin1Char('0')));
    const QString database = Database::filePath(m_path);
    if (QFileInfo::exists(database))
        return;
    // A read-only program folder's own database is where this installation
    // starts; otherwise the one installed with the program.
    const QString programDatabase = Database::filePath(places.programDir);
    const QString source =
        QFileInfo::exists(programDatabase) ? programDatabase : places.startingDatabase;
    if (!QFileInfo::exists(source)) {
        m_problem = QStringLiteral("no starting database at %1").arg(source);
        return;
    }
    m_copied = copyWhole(source, database, &m_problem);
}

void DataFolder::restrictDatabaseFiles() {
    // Not the program's folder: a portable folder is shared as it stands.
    const QString database = Database::filePath(m_path);
    for (const QString& suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        tighten(database + suffix, 0600);
}
