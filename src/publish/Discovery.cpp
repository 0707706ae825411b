#include "Discovery.h"

#include "RealtimeMap.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace {

enum class Kind { FlowRate, Total, Speed, Alarm, NoReply };

struct Entity {
    const char* component;
    const char* object;
    QString name;
    Kind kind;
    const char* key; // the reading's key, or the alarm's text
};

QList<Entity> entities() {
    QList<Entity> list{
        {"sensor", "flow_rate", QStringLiteral("Flow rate"), Kind::FlowRate, "flow_rate"},
        {"sensor", "forward_total", QStringLiteral("Forward total"), Kind::Total, "forward_total"},
        {"sensor", "reverse_total", QStringLiteral("Reverse total"), Kind::Total, "reverse_total"},
        {"sensor", "flow_speed", QStringLiteral("Flow speed"), Kind::Speed, "flow_speed"},
    };
    static const char* const alarmObjects[] = {"excitation_alarm", "low_battery_alarm",
                                               "empty_pipe_alarm", "exceed_upper_limit",
                                               "exceed_lower_limit"};
    static_assert(std::size(alarmObjects) == RealtimeMap::alarmTexts.size());
    for (std::size_t i = 0; i < std::size(alarmObjects); ++i)
        list.append({"binary_sensor", alarmObjects[i],
                     QString::fromUtf16(RealtimeMap::alarmTexts[i]).mid(1), Kind::Alarm, nullptr});
    list.append({"binary_sensor", "no_reply", QStringLiteral("No Reply"), Kind::NoReply, nullptr});
    return list;
}

// Home Assistant checks a device class's unit against its own list; a
// unit outside it goes without a class, as a plain sensor.
bool isVolumeUnit(const QString& haUnit) {
    static const QStringList units{QStringLiteral("L"), QStringLiteral("gal"), QStringLiteral("m³"),
                                   QStringLiteral("ft³")};
    return units.contains(haUnit);
}

bool isFlowUnit(const QString& haUnit) {
    static const QStringList units{QStringLiteral("L/s"),     QStringLiteral("L/min"),
                                   QStringLiteral("gal/min"), QStringLiteral("ft³/min"),
                                   QStringLiteral("m³/min"),  QStringLiteral("m³/h")};
    return units.contains(haUnit);
}

// Node ids and object ids in discovery topics take letters, digits, _ and - only.
QByteArray nodeSafe(const QString& text) {
    QByteArray out = text.toUtf8();
    for (char& c : out)
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
              c == '-'))
            c = '_';
    return out;
}

} // namespace

QString Discovery::haUnit(const QString& unit) {
    if (unit == QLatin1String("CFM"))
        return QStringLiteral("ft³/min");
    QString ha = unit;
    ha.replace(QLatin1String("m3"), QStringLiteral("m³"));
    ha.replace(QLatin1String("ft3"), QStringLiteral("ft³"));
    if (ha == QLatin1String("l") || ha.startsWith(QLatin1String("l/")))
        ha[0] = QLatin1Char('L');
    return ha;
}

QByteArray Discovery::node(int line, int address) const {
    return nodeSafe(m_topics.station()) + "_l" + QByteArray::number(line) + "_m" +
           QByteArray::number(address);
}

QList<QByteArray> Discovery::topics(int line, int address) const {
    QList<QByteArray> list;
    for (const Entity& entity : entities())
        list << QByteArray("homeassistant/") + entity.component + '/' + node(line, address) + '/' +
                    entity.object + "/config";
    return list;
}

QList<OutgoingMessage> Discovery::configs(const Meter& meter) const {
    const QByteArray id = "rx7100_" + node(meter.line, meter.address);
    const QString lineName =
        meter.lineName.isEmpty() ? QStringLiteral("Line %1").arg(meter.line) : meter.lineName;
    const QJsonObject device{
        {"identifiers", QJsonArray{QString::fromUtf8(id)}},
        {"name", QStringLiteral("%1 meter %2").arg(lineName).arg(meter.address)},
        {"model", QStringLiteral("RX7100 flow meter")},
    };
    const QString reading = QString::fromUtf8(m_topics.reading(meter.line, meter.address));
    const QList<QByteArray> configTopics = topics(meter.line, meter.address);
    const QList<Entity> all = entities();
    QList<OutgoingMessage> messages;
    for (qsizetype i = 0; i < all.size(); ++i) {
        const Entity& entity = all[i];
        QJsonObject config{
            {"name", entity.name},
            {"unique_id", QString::fromUtf8(id + '_' + entity.object)},
            {"object_id", QString::fromUtf8(id + '_' + entity.object)},
            {"state_topic", reading},
            {"availability_topic", QString::fromUtf8(m_topics.stationStatus())},
            {"payload_available", "online"},
            {"payload_not_available", "offline"},
            {"device", device},
        };
        const QString value = QStringLiteral("{{ value_json.%1 }}").arg(entity.key);
        switch (entity.kind) {
        case Kind::FlowRate: {
            const QString unit = haUnit(meter.flowRateUnit);
            config["value_template"] = value;
            config["state_class"] = "measurement";
            if (!unit.isEmpty())
                config["unit_of_measurement"] = unit;
            if (isFlowUnit(unit))
                config["device_class"] = "volume_flow_rate";
            break;
        }
        case Kind::Total: {
            const QString unit = haUnit(meter.totalizerUnit);
            config["value_template"] = value;
            config["state_class"] = "total_increasing";
            if (!unit.isEmpty())
                config["unit_of_measurement"] = unit;
            if (isVolumeUnit(unit))
                config["device_class"] = "water";
            break;
        }
        case Kind::Speed:
            config["value_template"] = value;
            config["state_class"] = "measurement";
            config["unit_of_measurement"] = "m/s";
            config["device_class"] = "speed";
            break;
        case Kind::Alarm:
            // The reading's "alarms" lists the alarms that stand; null before a reply.
            config["value_template"] =
                QStringLiteral("{{ 'ON' if '%1' in (value_json.alarms or '') else 'OFF' }}")
                    .arg(entity.name);
            config["device_class"] = "problem";
            break;
        case Kind::NoReply:
            config["state_topic"] =
                QString::fromUtf8(m_topics.meterStatus(meter.line, meter.address));
            config["payload_on"] = "no reply";
            config["payload_off"] = "online";
            config["device_class"] = "problem";
            break;
        }
        messages.append(
            {configTopics[i], QJsonDocument(config).toJson(QJsonDocument::Compact), 1, true});
    }
    return messages;
}
