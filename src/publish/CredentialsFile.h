#pragma once

#include <QString>
#include <optional>

// The broker password in a file of its own, for a run without a keyring
// (a service gets it by systemd's LoadCredential=). Its first line is the
// password.
class CredentialsFile {
public:
    // The password in `path`; nullopt, with the reason, unless it is a
    // regular file of this user's that no one else may read or write.
    static std::optional<QString> read(const QString& path, QString* problem);
    // Makes `path`, mode 0600, holding `password`; false, with the reason,
    // when it exists already or cannot be written.
    static bool create(const QString& path, const QString& password, QString* problem);
};
