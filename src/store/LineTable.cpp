#include "LineTable.h"

#include "FullSync.h"
#include "Schema.h"
#include "WholeNumber.h"

#include <QSqlError>
#include <QSqlQuery>
#include <QUuid>

namespace {

const QString line1Columns = QStringLiteral("line_name,com,settings,noe,timer,reply_timeout");
const QString lineColumns =
    QStringLiteral("name,port,baud,parity,poll_period,reply_timeout,transport,host,tcp_port,"
                   "connect_timeout,request_gap,connect_pause");
constexpr int MaxMilliseconds = 32767;

// The first fault found stays: it is the one shown.
void noteFault(StoredLine& line, const QString& fault) {
    if (line.fault.isEmpty())
        line.fault = StoredLine::defaultName(line.number) + QStringLiteral(": ") + fault;
}

void readNumber(StoredLine& line, const QVariant& stored, const char* what, int min, int max,
                int* value) {
    const QString text = stored.toString();
    if (const std::optional<int> number = WholeNumber::parse(text, min, max))
        *value = *number;
    else
        noteFault(line, QStringLiteral("%1 \"%2\" is no whole number from %3 to %4")
                            .arg(QLatin1String(what), text)
                            .arg(min)
                            .arg(max));
}

// A line from the current row's values, in the order of the column lists
// above; `kente` holds no transport, so line 1 stays serial.
StoredLine lineOf(int number, const QSqlQuery& row) {
    StoredLine line;
    line.number = number;
    line.name = row.value(0).toString().trimmed();
    if (line.name.isEmpty())
        line.name = StoredLine::defaultName(number);
    if (number != 1) {
        const QString transport = row.value(6).toString().trimmed();
        if (const auto known = StoredLine::transportFrom(transport))
            line.transport = *known;
        else
            noteFault(line, QStringLiteral("transport \"%1\" is none of serial, rtu-tcp, "
                                           "modbus-tcp")
                                .arg(transport));
        // A gateway line has a host and TCP port in place of its own port.
        line.host = row.value(7).toString().trimmed();
        if (line.isGateway() && line.host.isEmpty())
            noteFault(line, QStringLiteral("the gateway has no host"));
        readNumber(line, row.value(8), "TCP port", line.isGateway() ? 1 : 0, 65535, &line.tcpPort);
    }
    line.port = row.value(1).toString().trimmed();
    if (!line.isGateway() && !WholeNumber::parse(line.port, 1) &&
        !line.port.startsWith(QLatin1Char('/')))
        noteFault(line, QStringLiteral("port \"%1\" is neither a port number nor a device path")
                            .arg(line.port));
    line.baud = row.value(2).toString().trimmed();
    if (!WholeNumber::parse(line.baud, 1))
        noteFault(line, QStringLiteral("baud rate \"%1\" is no whole number").arg(line.baud));
    readNumber(line, row.value(3), "parity", 0, 2, &line.parity);
    readNumber(line, row.value(4), "poll period", 0, MaxMilliseconds, &line.pollPeriod);
    readNumber(line, row.value(5), "reply timeout", 1, MaxMilliseconds, &line.replyTimeout);
    if (number == 1)
        return line;
    readNumber(line, row.value(9), "connect timeout", 1, MaxMilliseconds, &line.connectTimeout);
    readNumber(line, row.value(10), "request gap", 0, MaxMilliseconds, &line.requestGap);
    readNumber(line, row.value(11), "connect pause", 0, MaxMilliseconds, &line.connectPause);
    return line;
}

StoredLine unreadable(int number, const QString& why) {
    StoredLine line;
    line.number = number;
    line.name = StoredLine::defaultName(number);
    noteFault(line, why);
    return line;
}

// NoSuchRow when the statement changed no row.
StoreWrite change(QSqlQuery& query, const QString& sql, const QVariantList& values) {
    const StoreWrite write = StoreWrite::run(query, sql, values);
    return write.isDone() && query.numRowsAffected() < 1 ? StoreWrite::noSuchRow() : write;
}

} // namespace

StoredLine LineTable::startingLine(int number) {
    // Made from the schema in a database of its own, so the starting values
    // are written in one place only.
    const QString name = QStringLiteral("lines-") + QUuid::createUuid().toString();
    StoredLine line;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QStringLiteral(":memory:"));
        if (db.open()) {
            QSqlQuery query(db);
            for (const QString& statement : Schema::statementsOf(QStringLiteral("kente")))
                query.exec(statement);
            line = LineTable(db).lines().value(0);
            db.close();
        }
    }
    QSqlDatabase::removeDatabase(name);
    line.number = number;
    line.name = StoredLine::defaultName(number);
    line.port = QString::number(number);
    return line;
}

QList<StoredLine> LineTable::lines() const {
    QList<StoredLine> lines;
    QSqlQuery query(m_db);
    query.setForwardOnly(true);
    if (!query.exec(QStringLiteral("select %1 from kente limit 1").arg(line1Columns)))
        lines << unreadable(1, QStringLiteral("the settings cannot be read: ") +
                                   StoreWrite::refused(query.lastError()).reason);
    else if (!query.next())
        lines << unreadable(1, QStringLiteral("there is no settings row"));
    else
        lines << lineOf(1, query);
    // A store without the table yet has line 1 alone.
    if (query.exec(QStringLiteral("select %1,number from lines where number between 2 and %2 "
                                  "order by number")
                       .arg(lineColumns)
                       .arg(StoredLine::MaxLines)))
        while (query.next())
            lines << lineOf(query.value(12).toInt(), query);
    return lines;
}

StoreWrite LineTable::storeLine(const StoredLine& line) {
    if (line.number < 1 || line.number > StoredLine::MaxLines)
        return StoreWrite::refused(QStringLiteral("no line %1: lines are numbered 1 to %2")
                                       .arg(line.number)
                                       .arg(StoredLine::MaxLines));
    if (line.number == 1 && line.isGateway())
        return StoreWrite::refused(QStringLiteral("line 1 is the station's serial line"));
    const FullSync durable(m_db);
    QSqlQuery query(m_db);
    // Texts left out are stored empty, not NULL: a gateway line has no port.
    const auto text = [](const QString& value) { return value.isNull() ? QString("") : value; };
    const QVariantList values{line.name,   text(line.port), line.baud,
                              line.parity, line.pollPeriod, line.replyTimeout};
    if (line.number == 1)
        return change(query,
                      QStringLiteral("update kente set line_name=?,com=?,settings=?,noe=?,timer=?,"
                                     "reply_timeout=?"),
                      values);
    return change(query,
                  QStringLiteral("insert into lines (%1,number) values (?,?,?,?,?,?,?,?,?,?,?,?,?) "
                                 "on conflict(number) do update set name=excluded.name,"
                                 "port=excluded.port,baud=excluded.baud,parity=excluded.parity,"
                                 "poll_period=excluded.poll_period,"
                                 "reply_timeout=excluded.reply_timeout,"
                                 "transport=excluded.transport,host=excluded.host,"
                                 "tcp_port=excluded.tcp_port,"
                                 "connect_timeout=excluded.connect_timeout,"
                                 "request_gap=excluded.request_gap,"
                                 "connect_pause=excluded.connect_pause")
                      .arg(lineColumns),
                  values + QVariantList{StoredLine::transportText(line.transport), text(line.host),
                                        line.tcpPort, line.connectTimeout, line.requestGap,
                                        line.connectPause, line.number});
}

StoreWrite LineTable::removeLine(int number) {
    if (number == 1)
        return StoreWrite::refused(QStringLiteral("line 1 cannot be removed"));
    const FullSync durable(m_db);
    if (!m_db.transaction())
        return StoreWrite::refused(m_db.lastError());
    QSqlQuery query(m_db);
    StoreWrite result = change(query, QStringLiteral("delete from lines where number=?"), {number});
    if (result.isDone()) {
        // A line without meters is removed all the same.
        const StoreWrite meters = StoreWrite::run(
            query, QStringLiteral("delete from yibiaodizhi where line=?"), {number});
        if (meters.isRefused())
            result = meters;
    }
    query.finish();
    if (!result.isDone()) {
        m_db.rollback();
        return result;
    }
    return m_db.commit() ? StoreWrite::done() : StoreWrite::refused(m_db.lastError());
}
