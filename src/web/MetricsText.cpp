#include "MetricsText.h"
#include "AlarmTracker.h"
#include "ReadingMessage.h"

#include <QStringView>
#include <array>
#include <charconv>
#include <vector>

namespace {

using Counts = LineStatistics::LineCounts;

struct LineCount {
    const char* name;
    const char* help;
    qint64 Counts::*value;
};

constexpr LineCount lineCounts[] = {
    {"rx7100_line_requests_total", "Real-time requests sent.", &Counts::requests},
    {"rx7100_line_stored_total", "Replies stored.", &Counts::stored},
    {"rx7100_line_no_reply_total", "Requests that had no reply.", &Counts::noReply},
    {"rx7100_line_crc_drops_total", "Replies dropped for a bad CRC.", &Counts::crcDrops},
    {"rx7100_line_not_stored_total", "Replies taken whole but not stored.", &Counts::notStored},
    {"rx7100_line_bytes_received_total", "Bytes received.", &Counts::bytesReceived},
    {"rx7100_line_garbage_bytes_total", "Bytes that never became a complete reply.",
     &Counts::garbageBytes},
    {"rx7100_line_unasked_replies_total", "Replies of a meter that was not the one asked.",
     &Counts::unaskedReplies},
    {"rx7100_line_watchdog_reopens_total", "Port reopens by the watchdog.",
     &Counts::watchdogReopens},
    {"rx7100_line_requests_not_sent_total", "Requests the port would not take.",
     &Counts::requestsNotSent},
    {"rx7100_line_late_replies_total", "Replies still arriving after the reply timeout.",
     &Counts::lateReplies},
    {"rx7100_line_port_losses_total", "Times the port was lost.", &Counts::portLosses},
    {"rx7100_line_store_failures_total", "Replies the store refused.", &Counts::storeFailures},
    {"rx7100_line_stale_replies_total", "Gateway replies to an earlier request.",
     &Counts::staleReplies},
    {"rx7100_line_garbled_replies_total", "Garbled gateway replies.", &Counts::garbledReplies},
};

// The label value of each alarm, in AlarmTracker::Alarm's order.
constexpr std::array<const char*, AlarmTracker::AlarmCount> alarmLabels{
    "excitation",         "low_battery",        "empty_pipe",
    "exceed_upper_limit", "exceed_lower_limit", "no_reply",
};

constexpr const char* lineStates[] = {"ok", "lost", "silent", "idle"};

void appendEscaped(QByteArray& out, const QString& value) {
    for (const char c : value.toUtf8()) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '"')
            out += "\\\"";
        else if (c == '\n')
            out += "\\n";
        else
            out += c;
    }
}

QByteArray label(const char* name, const QString& value) {
    QByteArray out = name;
    out += "=\"";
    appendEscaped(out, value);
    out += '"';
    return out;
}

void family(QByteArray& out, const char* name, const char* type, const char* help) {
    out += "# HELP ";
    out += name;
    out += ' ';
    out += help;
    out += "\n# TYPE ";
    out += name;
    out += ' ';
    out += type;
    out += '\n';
}

void appendNumber(QByteArray& out, qint64 value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    out.append(digits, end - digits);
}

// A value text already known to be a plain number, so ASCII.
void appendNumber(QByteArray& out, QStringView text) {
    for (const QChar c : text)
        out += char(c.unicode());
}

void appendNumber(QByteArray& out, const QByteArray& text) {
    out += text;
}

template <typename Value>
void sample(QByteArray& out, const char* name, const QByteArray& labels, const Value& value) {
    out += name;
    if (!labels.isEmpty()) {
        out += '{';
        out += labels;
        out += '}';
    }
    out += ' ';
    appendNumber(out, value);
    out += '\n';
}

qint64 flag(bool on) {
    return on ? 1 : 0;
}

qint64 seconds(const QDateTime& time) {
    return time.toSecsSinceEpoch();
}

QByteArray withUnit(const QByteArray& labels, const std::optional<QString>& unit) {
    QByteArray out;
    out.reserve(labels.size() + 24);
    out += labels;
    out += ",unit=\"";
    if (unit)
        appendEscaped(out, *unit);
    out += '"';
    return out;
}

struct MeterLabels {
    QByteArray plain;     // line="1",meter="2"
    QByteArray flowUnit;  // ...,unit="m3/h"
    QByteArray totalUnit; // ...,unit="m3"
    std::array<bool, AlarmTracker::AlarmCount> alarms{};
};

std::vector<MeterLabels> meterLabels(const StationState& state) {
    std::vector<MeterLabels> all;
    all.reserve(std::size_t(state.meters.size()));
    for (const StationState::Meter& meter : state.meters) {
        MeterLabels labels;
        labels.plain.reserve(32);
        labels.plain += "line=\"";
        appendNumber(labels.plain, meter.reading.line);
        labels.plain += "\",meter=\"";
        appendNumber(labels.plain, meter.reading.address);
        labels.plain += '"';
        labels.flowUnit = withUnit(labels.plain, meter.reading.flowRateUnit);
        labels.totalUnit = withUnit(labels.plain, meter.reading.totalizerUnit);
        for (const StationState::Alarm& alarm : state.alarms) {
            if (alarm.line != meter.reading.line || alarm.address != meter.reading.address)
                continue;
            if (const auto known = AlarmTracker::named(alarm.alarm))
                labels.alarms[std::size_t(*known)] = true;
        }
        all.push_back(std::move(labels));
    }
    return all;
}

void meterFamilies(QByteArray& out, const StationState& state) {
    const std::vector<MeterLabels> labels = meterLabels(state);
    const auto values = [&](const char* name, const char* type, const char* help,
                            std::optional<QString> Reading::*value, QByteArray MeterLabels::*with) {
        family(out, name, type, help);
        for (qsizetype i = 0; i < state.meters.size(); ++i) {
            const std::optional<QString>& text = state.meters[i].reading.*value;
            if (text && ReadingMessage::isJsonNumber(*text))
                sample(out, name, labels[std::size_t(i)].*with, QStringView(*text));
        }
    };
    family(out, "rx7100_meter_up", "gauge", "Whether the meter answers (1) or is silent (0).");
    for (qsizetype i = 0; i < state.meters.size(); ++i)
        sample(out, "rx7100_meter_up", labels[std::size_t(i)].plain,
               flag(state.meters[i].noReply.isEmpty()));
    values("rx7100_flow_rate", "gauge", "Flow rate in the meter's unit.", &Reading::flowRate,
           &MeterLabels::flowUnit);
    values("rx7100_forward_total", "counter", "Forward totalizer in the meter's unit.",
           &Reading::forwardTotal, &MeterLabels::totalUnit);
    values("rx7100_reverse_total", "counter", "Reverse totalizer in the meter's unit.",
           &Reading::reverseTotal, &MeterLabels::totalUnit);
    values("rx7100_flow_speed_meters_per_second", "gauge", "Flow speed.", &Reading::flowSpeed,
           &MeterLabels::plain);
    values("rx7100_span_percent", "gauge", "Flow as a percentage of the span.",
           &Reading::spanPercentage, &MeterLabels::plain);
    values("rx7100_electrode_impedance_ohms", "gauge", "Electrode impedance.",
           &Reading::electrodeImpedance, &MeterLabels::plain);

    family(out, "rx7100_meter_last_reading_timestamp_seconds", "gauge",
           "When the meter's latest reading was stored.");
    for (qsizetype i = 0; i < state.meters.size(); ++i)
        if (state.meters[i].reading.time.isValid())
            sample(out, "rx7100_meter_last_reading_timestamp_seconds", labels[std::size_t(i)].plain,
                   seconds(state.meters[i].reading.time));

    family(out, "rx7100_alarm_active", "gauge", "Whether the meter's alarm is active now.");
    for (const MeterLabels& meter : labels) {
        for (std::size_t a = 0; a < alarmLabels.size(); ++a) {
            out += "rx7100_alarm_active{";
            out += meter.plain;
            out += ",alarm=\"";
            out += alarmLabels[a];
            out += meter.alarms[a] ? "\"} 1\n" : "\"} 0\n";
        }
    }
}

void lineFamilies(QByteArray& out, const StationState& state) {
    std::vector<QByteArray> labels;
    labels.reserve(std::size_t(state.lines.size()));
    for (const StationState::Line& line : state.lines)
        labels.push_back("line=\"" + QByteArray::number(line.number) + '"');
    const auto each = [&](const auto& write) {
        for (qsizetype i = 0; i < state.lines.size(); ++i)
            write(state.lines[i], labels[std::size_t(i)]);
    };

    family(out, "rx7100_line_info", "gauge", "A line's name and port.");
    each([&](const StationState::Line& line, const QByteArray& with) {
        sample(out, "rx7100_line_info",
               with + ',' + label("name", line.name) + ',' + label("port", line.port), qint64(1));
    });
    family(out, "rx7100_line_up", "gauge", "Whether the line is healthy.");
    each([&](const StationState::Line& line, const QByteArray& with) {
        sample(out, "rx7100_line_up", with, flag(line.health == QLatin1String("ok")));
    });
    family(out, "rx7100_line_health", "gauge", "The line's health, 1 for the state it is in.");
    each([&](const StationState::Line& line, const QByteArray& with) {
        for (const char* health : lineStates)
            sample(out, "rx7100_line_health", with + ",state=\"" + health + '"',
                   flag(line.health == QLatin1String(health)));
    });
    for (const LineCount& count : lineCounts) {
        family(out, count.name, "counter", count.help);
        each([&](const StationState::Line& line, const QByteArray& with) {
            sample(out, count.name, with, line.counts.*count.value);
        });
    }
    family(out, "rx7100_line_exceptions_total", "counter",
           "Modbus exception replies from a gateway, by code.");
    each([&](const StationState::Line& line, const QByteArray& with) {
        for (auto it = line.counts.exceptions.cbegin(); it != line.counts.exceptions.cend(); ++it)
            sample(out, "rx7100_line_exceptions_total",
                   with + ",code=\"" + QByteArray::number(it.key()) + '"', it.value());
    });
    family(out, "rx7100_line_median_reply_seconds", "gauge",
           "Median time from request to reply over the latest replies.");
    each([&](const StationState::Line& line, const QByteArray& with) {
        if (line.counts.medianReplyMs)
            sample(out, "rx7100_line_median_reply_seconds", with,
                   QByteArray::number(*line.counts.medianReplyMs / 1000.0, 'g', 9));
    });
    family(out, "rx7100_line_last_reply_timestamp_seconds", "gauge",
           "When the line's latest reply came.");
    each([&](const StationState::Line& line, const QByteArray& with) {
        if (line.counts.lastReply.isValid())
            sample(out, "rx7100_line_last_reply_timestamp_seconds", with,
                   seconds(line.counts.lastReply));
    });
}

void stationFamilies(QByteArray& out, const StationState& state) {
    family(out, "rx7100_info", "gauge", "The station and the tool's version.");
    sample(out, "rx7100_info",
           label("station", state.station) + ',' + label("version", state.toolVersion), qint64(1));
    family(out, "rx7100_reading", "gauge", "Whether the station is reading.");
    sample(out, "rx7100_reading", {}, flag(state.reading));
    family(out, "rx7100_last_snapshot_timestamp_seconds", "gauge",
           "When the latest history snapshot of this run was taken.");
    if (state.lastSnapshot.isValid())
        sample(out, "rx7100_last_snapshot_timestamp_seconds", {}, seconds(state.lastSnapshot));
    family(out, "rx7100_store_readings_stored_total", "counter", "Readings stored this run.");
    sample(out, "rx7100_store_readings_stored_total", {}, state.store.readingsStored);
    family(out, "rx7100_store_snapshots_total", "counter", "History snapshots taken this run.");
    sample(out, "rx7100_store_snapshots_total", {}, state.store.snapshots);
    family(out, "rx7100_publish_connected", "gauge", "Whether the MQTT broker is connected.");
    sample(out, "rx7100_publish_connected", {},
           flag(state.publishing.state == QLatin1String("connected")));
    family(out, "rx7100_publish_waiting_messages", "gauge", "Messages waiting for the broker.");
    sample(out, "rx7100_publish_waiting_messages", {}, state.publishing.waiting);
    family(out, "rx7100_publish_dropped_messages_total", "counter",
           "Messages dropped from a full queue.");
    sample(out, "rx7100_publish_dropped_messages_total", {}, state.publishing.dropped);
}

} // namespace

QByteArray MetricsText::render(const StationState& state) {
    QByteArray out;
    out.reserve(4096 + 1400 * state.meters.size() + 2600 * state.lines.size());
    stationFamilies(out, state);
    lineFamilies(out, state);
    meterFamilies(out, state);
    return out;
}
