#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// The line-settings row as the operator left it in edit mode, and the
// rules that turn its texts into stored values. List texts are compared
// exactly, capitals included.
struct LineSettingsEntry {
    QString baud;
    QString port;
    QString timeout;
    QString parity;

    static const QStringList& portItems();
    static const QStringList& baudItems();
    static const QStringList& parityItems();

    // "com1" to "com10" give 1 to 10.
    static std::optional<int> portNumber(const QString& text);
    // "NONE", "ODD" and "EVEN" give 0, 1 and 2.
    static std::optional<int> parityCode(const QString& text);
    // The parity list text of a stored code; empty for any other value.
    static QString parityText(const QString& noe);
    // A poll period that start-up can read back into its 16-bit number:
    // a whole number of milliseconds, 0 to 32767.
    static std::optional<int> pollPeriod(const QString& text);
    // A baud text that start-up can build line settings from.
    static bool isBaudRate(const QString& text);

    // The port's "baud,parity,8,1" text; nullopt when the parity text is
    // none of the three, and the port then keeps its line settings.
    std::optional<QString> lineSettingsText() const;
};
