#pragma once

#include "ParameterTable.h"

#include <QByteArray>
#include <QSqlDatabase>
#include <QString>
#include <optional>

class SerialExchange;

// The write behind a parameter's "Write" button, the same in both
// parameter windows: the field's text becomes one request to the meter of
// the window's address list, one operation-log row records it with the value
// as read, and the window reads all parameters back. A failure shows the
// parameter's notice in the status line and ends the write where it is.
class ParameterWriter {
public:
    // What a write needs of the window it runs in.
    class Window {
    public:
        virtual ~Window() = default;
        virtual QString fieldText(const Parameter& parameter) const = 0;
        virtual void replaceFieldText(const Parameter& parameter, const QString& text) = 0;
        virtual QString valueAsRead(const Parameter& parameter) const = 0;
        // Unticks the parameter's "Allow write" box.
        virtual void lockParameter(const Parameter& parameter) = 0;
        virtual QString meterAddressText() const = 0;
        // The serial number every log row carries.
        virtual QString serialNumberText() const = 0;
        virtual void setStatusText(const QString& text) = 0;
        // The read sequence that follows every write.
        virtual void readBack() = 0;

    protected:
        Window() = default;
        Window(const Window&) = default;
        Window& operator=(const Window&) = default;
    };

    enum class Result {
        Written,     // sent, logged, read back
        WrongLength, // a serial text not of ten characters: only its notice
        Failed,      // the parameter's notice in the status line
    };

    // Shown, instead of the parameter's notice, when the log row could not
    // be written; nothing has been sent then.
    static QString logFailureNotice(const QString& reason) {
        return QStringLiteral("Notice: Operation log could not be written: ") + reason;
    }

    // The security level of the window's log rows.
    static int securityLevel(ParameterWindowKind window) {
        return window == ParameterWindowKind::Full ? 2 : 1;
    }

    // Writes what `window` writes, logging on its own connection `db`.
    ParameterWriter(SerialExchange& exchange, QSqlDatabase db, ParameterWindowKind window);

    Result write(const Parameter& parameter, Window& window);

private:
    struct Request {
        QByteArray frame;
        QString written; // the value as logged
    };

    std::optional<Request> request(const Parameter& parameter, Window& window) const;
    Result fail(const Parameter& parameter, Window& window) const;

    SerialExchange& m_exchange;
    QSqlDatabase m_db;
    ParameterWindowKind m_window;
};
