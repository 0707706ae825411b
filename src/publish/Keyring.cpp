#include "Keyring.h"

#include <QEventLoop>
#include <qt6keychain/keychain.h>

namespace {

const QString Service = QStringLiteral("rx7100-tool");
const QString Key = QStringLiteral("mqtt-password");

// Runs `job` to its end; the keyring answers over D-Bus.
bool finish(QKeychain::Job& job, QString* problem) {
    job.setAutoDelete(false);
    job.setKey(Key);
    QEventLoop loop;
    QObject::connect(&job, &QKeychain::Job::finished, &loop, &QEventLoop::quit);
    job.start();
    loop.exec();
    if (job.error() == QKeychain::NoError || job.error() == QKeychain::EntryNotFound)
        return true;
    *problem = QStringLiteral("the keyring: %1").arg(job.errorString());
    return false;
}

} // namespace

std::optional<QString> Keyring::read(QString* problem) {
    QKeychain::ReadPasswordJob job(Service);
    if (!finish(job, problem))
        return std::nullopt;
    return job.textData();
}

bool Keyring::write(const QString& password, QString* problem) {
    if (password.isEmpty()) {
        QKeychain::DeletePasswordJob job(Service);
        return finish(job, problem);
    }
    QKeychain::WritePasswordJob job(Service);
    job.setTextData(password);
    return finish(job, problem);
}
