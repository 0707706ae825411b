#include "LineSettings.h"

#include "ParameterMap.h"

#include <QStringList>
#include <algorithm>
#include <cstdint>

std::optional<LineSettings> LineSettings::parse(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 4)
        return std::nullopt;
    LineSettings s;
    bool ok = false;
    s.baud = parts[0].toInt(&ok);
    if (!ok || s.baud <= 0)
        return std::nullopt;
    const QString parity = parts[1].toLower();
    if (parity != QLatin1String("n") && parity != QLatin1String("o") &&
        parity != QLatin1String("e"))
        return std::nullopt;
    s.parity = parity.at(0).toLatin1();
    s.dataBits = parts[2].toInt(&ok);
    if (!ok || s.dataBits < 5 || s.dataBits > 8)
        return std::nullopt;
    s.stopBits = parts[3].toInt(&ok);
    if (!ok || (s.stopBits != 1 && s.stopBits != 2))
        return std::nullopt;
    return s;
}

QString LineSettings::text() const {
    return QStringLiteral("%1,%2,%3,%4")
        .arg(baud)
        .arg(QLatin1Char(parity))
        .arg(dataBits)
        .arg(stopBits);
}

int LineSettings::bitsPerCharacter() const {
    return 1 + dataBits + (parity == 'n' ? 0 : 1) + stopBits;
}

std::chrono::microseconds LineSettings::characterTime(int characters) const {
    return std::chrono::microseconds(std::int64_t(characters) * bitsPerCharacter() * 1'000'000 /
                                     std::max(baud, 1));
}

std::chrono::microseconds LineSettings::frameGap() const {
    using namespace std::chrono_literals;
    return baud > 19200 ? 1750us : characterTime(7) / 2;
}

namespace {

QStringList textsOf(std::span<const Choice> choices) {
    QStringList texts;
    for (const Choice& choice : choices)
        texts << QString::fromUtf16(choice.text);
    return texts;
}

} // namespace

// The meter's own lists: the PC's side of the line offers what a meter
// can be set to, in the same order.
const QStringList& LineSettings::baudTexts() {
    static const QStringList texts = textsOf(ParameterLists::baudRates);
    return texts;
}

const QStringList& LineSettings::parityTexts() {
    static const QStringList texts = textsOf(ParameterLists::parities);
    return texts;
}

std::optional<QString> LineSettings::textFor(const QString& baud, const QString& parityText) {
    const qsizetype code = parityTexts().indexOf(parityText);
    return code < 0 ? std::nullopt : textFor(baud, int(code));
}

std::optional<QString> LineSettings::textFor(const QString& baud, int parityCode) {
    const std::optional<char> letter = parityLetter(parityCode);
    if (!letter)
        return std::nullopt;
    return QStringLiteral("%1,%2,8,1").arg(baud, QChar(*letter));
}

std::optional<char> LineSettings::parityLetter(int code) {
    switch (code) {
    case 0:
        return 'n';
    case 1:
        return 'o';
    case 2:
        return 'e';
    default:
        return std::nullopt;
    }
}
