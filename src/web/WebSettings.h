#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QString>
#include <optional>

// Where and how the status page, the JSON API and the metrics are served.
struct WebSettings {
    QHostAddress address = QHostAddress(QHostAddress::LocalHost);
    quint16 port = 0; // 0: any free port (tests)
    // Asked of every request (Authorization: Bearer ...) when not empty;
    // an address other than the loopback one may not be served without.
    QByteArray token;
    // Both given: HTTPS only.
    QString certificateFile;
    QString keyFile;

    // "ADDRESS:PORT" as --http and the setting take it: "127.0.0.1:8080",
    // "0.0.0.0:8080", "[::1]:8080", or ":8080" / "8080" for the loopback
    // address. nullopt with the reason for anything else.
    static std::optional<WebSettings> parse(const QString& text, QString* error);
    bool isLoopback() const { return address.isLoopback(); }
    bool usesTls() const { return !certificateFile.isEmpty() || !keyFile.isEmpty(); }
};
