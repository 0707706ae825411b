#pragma once

#include <QString>
#include <optional>

// The broker password in the desktop user's keyring (the Secret Service,
// through QtKeychain). Each call waits for the keyring's answer.
class Keyring {
public:
    // The stored password; an empty one when the keyring holds none;
    // nullopt, with the reason, when there is no keyring to ask.
    static std::optional<QString> read(QString* problem);
    // Stores `password` (an empty one removes the entry); false, with the
    // reason, when the keyring cannot take it.
    static bool write(const QString& password, QString* problem);
};
