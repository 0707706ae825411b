#include "WebSettings.h"

std::optional<WebSettings> WebSettings::parse(const QString& text, QString* error) {
    const QString given = text.trimmed();
    WebSettings settings;
    QString host;
    QString port = given;
    const qsizetype colon = given.lastIndexOf(QLatin1Char(':'));
    if (colon >= 0) {
        host = given.left(colon);
        port = given.mid(colon + 1);
    }
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']')))
        host = host.mid(1, host.size() - 2);
    else if (host.contains(QLatin1Char(':')))
        port.clear(); // an IPv6 address needs its brackets
    bool isNumber = false;
    const uint number = port.toUInt(&isNumber);
    if (!isNumber || number == 0 || number > 65535) {
        *error =
            QStringLiteral("--http wants ADDRESS:PORT, as 127.0.0.1:8080, not \"%1\"").arg(text);
        return std::nullopt;
    }
    settings.port = quint16(number);
    if (!host.isEmpty() && !settings.address.setAddress(host)) {
        *error = QStringLiteral("--http: \"%1\" is not an IP address").arg(host);
        return std::nullopt;
    }
    return settings;
}
