#include "WebPages.h"
#include "MetricsText.h"
#include "ReadingMessage.h"
#include "StatusPage.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

// ISO 8601 with the offset, as the MQTT messages give it; null for no time.
QJsonValue timeValue(const QDateTime& time) {
    const QByteArray text = ReadingMessage::timeText(time);
    return text.isEmpty() ? QJsonValue() : QJsonValue(QString::fromLatin1(text));
}

QJsonValue msTime(std::optional<qint64> ms) {
    return ms ? timeValue(QDateTime::fromMSecsSinceEpoch(*ms)) : QJsonValue();
}

// Value texts stay texts: "4294967295.25" would lose digits as a double.
QJsonValue text(const std::optional<QString>& value) {
    return value && !value->isEmpty() ? QJsonValue(*value) : QJsonValue();
}

QByteArray compact(const QJsonArray& array) {
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

QJsonObject countsObject(const LineStatistics::LineCounts& counts) {
    QJsonObject exceptions;
    for (auto it = counts.exceptions.cbegin(); it != counts.exceptions.cend(); ++it)
        exceptions.insert(QString::number(it.key()), it.value());
    return {
        {"requests", counts.requests},
        {"stored", counts.stored},
        {"noReply", counts.noReply},
        {"crcDrops", counts.crcDrops},
        {"notStored", counts.notStored},
        {"lastReply", timeValue(counts.lastReply)},
        {"medianReplyMs", counts.medianReplyMs ? QJsonValue(*counts.medianReplyMs) : QJsonValue()},
        {"bytesReceived", counts.bytesReceived},
        {"garbageBytes", counts.garbageBytes},
        {"unaskedReplies", counts.unaskedReplies},
        {"watchdogReopens", counts.watchdogReopens},
        {"requestsNotSent", counts.requestsNotSent},
        {"lateReplies", counts.lateReplies},
        {"portLosses", counts.portLosses},
        {"storeFailures", counts.storeFailures},
        {"staleReplies", counts.staleReplies},
        {"garbledReplies", counts.garbledReplies},
        {"exceptions", exceptions},
    };
}

} // namespace

namespace WebPages {

QByteArray statusPage() {
    return StatusPage::html();
}

QByteArray stationJson(const StationState& state) {
    const QJsonObject publishing{
        {"enabled", state.publishing.enabled}, {"state", state.publishing.state},
        {"status", state.publishing.status},   {"waiting", state.publishing.waiting},
        {"dropped", state.publishing.dropped},
    };
    const QJsonObject store{
        {"readingsStored", state.store.readingsStored},
        {"snapshots", state.store.snapshots},
    };
    const QJsonObject station{
        {"station", state.station},
        {"version", state.toolVersion},
        {"reading", state.reading},
        {"startedAt", timeValue(state.startedAt)},
        {"lastSnapshot", timeValue(state.lastSnapshot)},
        {"takenAt", timeValue(state.takenAt)},
        {"publishing", publishing},
        {"store", store},
    };
    return QJsonDocument(station).toJson(QJsonDocument::Compact);
}

QByteArray linesJson(const StationState& state) {
    QJsonArray lines;
    for (const StationState::Line& line : state.lines)
        lines.append(QJsonObject{
            {"number", line.number},
            {"name", line.name},
            {"port", line.port},
            {"health", line.health},
            {"meters", line.meters},
            {"counts", countsObject(line.counts)},
        });
    return compact(lines);
}

QByteArray metersJson(const StationState& state) {
    QJsonArray meters;
    for (const StationState::Meter& meter : state.meters) {
        QJsonObject object{
            {"line", meter.reading.line},
            {"address", meter.reading.address},
            {"time", timeValue(meter.reading.time)},
            {"noReply", meter.noReply.isEmpty() ? QJsonValue() : QJsonValue(meter.noReply)},
        };
        for (const ReadingValue& value : readingValues)
            object.insert(QLatin1String(value.key), text(meter.reading.*value.member));
        meters.append(object);
    }
    return compact(meters);
}

QByteArray alarmsJson(const StationState& state) {
    QJsonArray alarms;
    for (const StationState::Alarm& alarm : state.alarms)
        alarms.append(QJsonObject{
            {"line", alarm.line},
            {"address", alarm.address},
            {"alarm", alarm.alarm},
            {"since", msTime(alarm.since)},
            {"acknowledged", alarm.acknowledgedAt.has_value()},
            {"acknowledgedAt", msTime(alarm.acknowledgedAt)},
            {"acknowledgedBy",
             alarm.acknowledgedBy ? QJsonValue(*alarm.acknowledgedBy) : QJsonValue()},
        });
    return compact(alarms);
}

QByteArray metrics(const StationState& state) {
    return MetricsText::render(state);
}

} // namespace WebPages
