#include "BrokerPassword.h"

#include "CredentialsFile.h"
#include "Keyring.h"
#include "PublishTable.h"

#include <QDir>
#include <QFile>
#include <utility>

BrokerPassword::BrokerPassword(QString folder, QString credentialsFile, bool keyring)
    : m_folder(std::move(folder)), m_credentialsFile(std::move(credentialsFile)),
      m_keyring(keyring) {}

QString BrokerPassword::folderFile(const QString& folder) {
    return QDir(folder).filePath(QStringLiteral("mqtt-password"));
}

QString BrokerPassword::load(PublishTable& table) {
    m_notes.clear();
    QString problem;
    // Blanked only once kept elsewhere, so a failed move loses nothing.
    if (const QString old = table.storedPassword(); !old.isEmpty()) {
        if (!keep(old))
            return old;
        if (!table.blankPassword().isDone())
            m_notes << QStringLiteral("the old broker password could not be blanked in the "
                                      "database");
        if (m_credentialsFile.isEmpty())
            return old;
    }
    if (!m_credentialsFile.isEmpty()) {
        if (const std::optional<QString> password =
                CredentialsFile::read(m_credentialsFile, &problem))
            return *password;
        m_notes << problem;
        return {};
    }
    if (m_keyring) {
        if (const std::optional<QString> password = Keyring::read(&problem);
            password && !password->isEmpty())
            return *password;
    }
    const QString file = folderFile(m_folder);
    if (!QFile::exists(file))
        return {};
    if (const std::optional<QString> password = CredentialsFile::read(file, &problem))
        return *password;
    m_notes << problem;
    return {};
}

bool BrokerPassword::save(const QString& password) {
    m_notes.clear();
    return keep(password);
}

bool BrokerPassword::keep(const QString& password) {
    QString problem;
    const QString file = folderFile(m_folder);
    if (m_keyring && Keyring::write(password, &problem)) {
        QFile::remove(file); // the keyring's is the one now
        return true;
    }
    QFile::remove(file);
    if (password.isEmpty())
        return true; // nothing to keep, so no keyring is missed
    if (!problem.isEmpty())
        m_notes << problem;
    if (!CredentialsFile::create(file, password, &problem)) {
        m_notes << QStringLiteral("the broker password is kept in the database until it can "
                                  "be stored elsewhere: %1")
                       .arg(problem);
        return false;
    }
    m_notes << QStringLiteral("the broker password is in %1 (mode 0600); a service passes it "
                              "with --credentials")
                   .arg(file);
    return true;
}
