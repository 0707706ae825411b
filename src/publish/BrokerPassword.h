#pragma once

#include <QString>
#include <QStringList>

class PublishTable;

// Where the broker password is kept, never in the database: the desktop
// user's keyring, else a 0600 file. A run without a keyring (headless, the
// service) reads the file named by --credentials, else the data folder's
// own file, which is where a password goes when no keyring takes it.
class BrokerPassword {
public:
    // `credentialsFile` empty: none given. `keyring` false: never ask one.
    BrokerPassword(QString folder, QString credentialsFile, bool keyring);

    // The data folder's file for a password without a keyring.
    static QString folderFile(const QString& folder);

    // Moves a clear password an older version left in `table` out of it,
    // then gives the password to publish with (empty when there is none
    // or it cannot be had: see notes()).
    QString load(PublishTable& table);
    // Keeps a password entered by the operator; false when nothing took it.
    bool save(const QString& password);

    // What the last call did that the operator should hear of.
    const QStringList& notes() const { return m_notes; }

private:
    // Into the keyring, else the folder's file; the note says where.
    bool keep(const QString& password);

    QString m_folder;
    QString m_credentialsFile;
    bool m_keyring = true;
    QStringList m_notes;
};
