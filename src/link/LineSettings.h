#pragma once

#include <QString>
#include <QStringList>
#include <chrono>
#include <optional>

// A parsed line-settings text such as "9600,n,8,1".
struct LineSettings {
    int baud = 9600;
    char parity = 'n'; // 'n', 'o' or 'e'
    int dataBits = 8;
    int stopBits = 1;

    static std::optional<LineSettings> parse(const QString& text);
    QString text() const;

    // Start bit, data bits, parity bit if any, stop bits.
    int bitsPerCharacter() const;
    // The time `characters` bytes take on the line.
    std::chrono::microseconds characterTime(int characters = 1) const;
    // The quiet time that ends a frame: 3.5 characters, and 1.75 ms at any
    // speed above 19200 baud, as Modbus RTU sets it.
    std::chrono::microseconds frameGap() const;

    // The parity letter of a stored parity code (0 none, 1 odd, 2 even).
    static std::optional<char> parityLetter(int code);

    // The PC line's speeds and parities as the windows list them; a
    // parity's code is its place in the list.
    static const QStringList& baudTexts();
    static const QStringList& parityTexts();

    // "baud,letter,8,1" for a parity list text; nullopt for any other text.
    static std::optional<QString> textFor(const QString& baud, const QString& parityText);
    // The same for a stored parity code.
    static std::optional<QString> textFor(const QString& baud, int parityCode);
};
