#include "HexText.h"

#include <algorithm>

namespace {

int digitValue(QChar c) {
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    return -1;
}

} // namespace

namespace HexText {

QString fromBytes(const QByteArray& bytes) {
    return QString::fromLatin1(bytes.toHex().toUpper());
}

std::optional<QByteArray> toBytes(QStringView text) {
    // fromHex passes over what is not a digit; here that refuses the text.
    if (text.size() % 2 != 0 ||
        !std::all_of(text.begin(), text.end(), [](QChar c) { return digitValue(c) >= 0; }))
        return std::nullopt;
    return QByteArray::fromHex(text.toLatin1());
}

int byteAt(QStringView text, int index) {
    const qsizetype at = static_cast<qsizetype>(index) * 2;
    if (index < 0 || at + 2 > text.size())
        return -1;
    const int high = digitValue(text[at]);
    const int low = digitValue(text[at + 1]);
    return (high < 0 || low < 0) ? -1 : high * 16 + low;
}

} // namespace HexText
