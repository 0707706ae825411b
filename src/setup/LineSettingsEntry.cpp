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
    return LineSettings::baudTexts();
}

const QStringList& LineSettingsEntry::parityItems() {
    return LineSettings::parityTexts();
}

std::optional<int> LineSettingsEntry::portNumber(const QString& text) {
    const qsizetype index = portItems().indexOf(text);
    return index < 0 ? std::nullopt : std::optional<int>(int(index) + 1);
}

std::optional<int> LineSettingsEntry::parityCode(const QString& text) {
    const qsizetype index = parityItems().indexOf(text);
    return index < 0 ? std::nullopt : std::optional<int>(int(index));
}

QString LineSettingsEntry::parityText(const QString& noe) {
    const std::optional<int> code = WholeNumber::parse(noe, 0, 2);
    return code ? parityItems().at(*code) : QString();
}

std::optional<int> LineSettingsEntry::pollPeriod(const QString& text) {
    return WholeNumber::parse(text, 0, std::numeric_limits<qint16>::max());
}

bool LineSettingsEntry::isBaudRate(const QString& text) {
    return WholeNumber::parse(text, 1).has_value();
}

std::optional<QString> LineSettingsEntry::lineSettingsText() const {
    return LineSettings::textFor(baud, parity);
}
