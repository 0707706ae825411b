#include "HexText.h"

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
    if (text.size() % 2 != 0)
        return std::nullopt;
    QByteArray bytes;
    bytes.reserve(text.size() / 2);
    for (qsizetype i = 0; i < text.size(); i += 2) {
        const int high = digitValue(text[i]);
        const int low = digitValue(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        bytes.append(static_cast<char>(high * 16 + low));
    }
    return bytes;
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
