#pragma once

#include <QString>
#include <QStringList>
#include <optional>

// Finds the device behind port number N (shown as comN): the first that
// exists of <program folder>/ports/comN, /dev/ttyUSB(N-1), /dev/ttyS(N-1).
class PortLocator {
public:
    // The port numbers it looks up: com1 to com10.
    static constexpr int FirstPort = 1;
    static constexpr int LastPort = 10;

    // The number a line's stored port stands for: N for "N" from FirstPort
    // to LastPort, FirstPort for a device path (then the line's locator has
    // that path as its one pattern); nullopt for anything else.
    static std::optional<int> numberFor(const QString& storedPort);

    explicit PortLocator(const QString& programDir);
    // Patterns with %1 for N and %2 for N - 1; tests point them elsewhere.
    explicit PortLocator(QStringList patterns);

    // Empty when the number is outside 1 to 10 or no device exists. A
    // ports/comN link counts even when it points at nothing (the device is
    // away), so a vanished adapter is never replaced by another device.
    QString devicePath(int portNumber) const;

private:
    QStringList m_patterns;
};
