#include "LineSettingsEntry.h"

#include "LineSettings.h"
#include "WholeNumber.h"

#include <limits>

const QStringList& LineSettingsEntry::portItems() {
    static const QStringList items{"com1", "com2", "com3", "com4", "com5",
                                   "com6", "com7", "com8", "com9", "com10"};
    return items;
}

const QStringList& LineSettingsEntry::baudItems() {
    static const QStringList items{"115200", "57600", "38400", "28800", "19200", "14400",
                                   "9600",   "4800",  "2400",  "1200",  "600"};
    return items;
}

const QStringList& LineSettingsEntry::parityItems() {
    static const QStringList items{"NONE", "ODD", "EVEN"};
    return items;
}

std::optional<int> LineSettingsEntry::portNumber(const QString& text) {
    const qsizetype index = portItems().indexOf(text);
    return index < 0 ? std::nullopt : std::optional<int>(int(index) + 1);
}

std::optional<int> LineSettingsEntry::parityCode(const QString& text) {
    const qsizetype index = parityItems().indexOf(text);
    return index < 0 ? std::nullopt : std::optional<int>(int(index));
}

QString LineSettingsEntry::parityText(const QVariant& noe) {
    if (noe.isNull())
        return {};
    const std::optional<int> code = wholeNumber(noe.toString(), 2);
    return code ? parityItems().at(*code) : QString();
}

std::optional<int> LineSettingsEntry::pollPeriod(const QString& text) {
    return wholeNumber(text, std::numeric_limits<qint16>::max());
}

bool LineSettingsEntry::isBaudRate(const QString& text) {
    const std::optional<int> baud = wholeNumber(text);
    return baud && *baud > 0;
}

std::optional<QString> LineSettingsEntry::lineSettingsText() const {
    const std::optional<int> code = parityCode(parity);
    if (!code)
        return std::nullopt;
    const std::optional<char> letter = LineSettings::parityLetter(*code);
    return QStringLiteral("%1,%2,8,1").arg(baud, QChar(*letter));
}
