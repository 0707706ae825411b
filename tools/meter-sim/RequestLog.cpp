#include "RequestLog.h"

#include "HexText.h"

bool RequestLog::open(const QString& path, QString* error) {
    if (path.isEmpty())
        return true;
    m_file.setFileName(path);
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text)) {
        *error = QStringLiteral("%1: %2").arg(path, m_file.errorString());
        return false;
    }
    return true;
}

void RequestLog::appendStamped(qint64 nanoseconds, const QByteArray& bytes) {
    if (!m_file.isOpen())
        return;
    m_file.write(QByteArray::number(nanoseconds) + ' ' + HexText::fromBytes(bytes).toLatin1() +
                 '\n');
    m_file.flush();
}

void RequestLog::append(const QByteArray& request) {
    if (!m_file.isOpen())
        return;
    m_file.write(HexText::fromBytes(request).toLatin1() + '\n');
    m_file.flush();
}
