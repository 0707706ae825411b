#pragma once

#include "OutgoingMessage.h"
#include "Topics.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Home Assistant's MQTT discovery for one meter: retained configs under
// homeassistant/<component>/<station>_l<line>_m<address>/<object>/config
// that turn the meter's reading and status topics into entities of one
// device, available while the station's status says "online".
class Discovery {
public:
    struct Meter {
        int line = 1;
        int address = 0;
        QString lineName;
        QString flowRateUnit;  // as the reading gives it, "m3/h"; empty when not yet known
        QString totalizerUnit; // "m3"

        bool operator==(const Meter&) const = default;
    };

    explicit Discovery(const Topics& topics) : m_topics(topics) {}

    // The config topic of each entity of a meter, in the order configs() gives them.
    QList<QByteArray> topics(int line, int address) const;
    // One message per entity: topic and its JSON config.
    QList<OutgoingMessage> configs(const Meter& meter) const;
    // Home Assistant's name of a unit the meter gives, "m³/h" for "m3/h".
    static QString haUnit(const QString& unit);

private:
    QByteArray node(int line, int address) const;

    const Topics& m_topics;
};
