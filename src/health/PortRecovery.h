#pragma once

#include <QString>
#include <chrono>

// When to try a lost port again: after 2 s, then twice as long each time,
// never longer than 10 s apart.
class PortRecovery {
public:
    static constexpr std::chrono::milliseconds FirstDelay{2000};
    static constexpr std::chrono::milliseconds LongestDelay{10000};

    // `loss` and `back` as the port words them: "Serial port lost (com1 ->
    // /dev/ttyUSB0)", "Gateway pumphouse-gw:502 refused the connection".
    static QString lostNotice(const QString& loss) {
        return QStringLiteral("Notice:%1, retrying").arg(loss);
    }
    static QString backNotice(const QString& back) { return QStringLiteral("Notice:") + back; }
    static QString silentNotice(const QString& port) {
        return QStringLiteral("Notice:No byte on the line (%1), port reopened").arg(port);
    }
    static QString sendFailingNotice(const QString& port, const QString& cause) {
        return QStringLiteral("Notice:Requests not sent (%1), %2").arg(port, cause);
    }
    static QString lateNotice(const QString& port, std::chrono::milliseconds timeout) {
        return QStringLiteral("Notice:Replies come late (%1), raise the reply timeout of %2 ms")
            .arg(port)
            .arg(timeout.count());
    }

    // The wait before the next try.
    std::chrono::milliseconds nextDelay();
    // The port is open again: the next loss starts from the first delay.
    void reset() { m_next = FirstDelay; }

private:
    std::chrono::milliseconds m_next = FirstDelay;
};
