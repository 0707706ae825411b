#pragma once

#include <QByteArray>

// One message on its way to the broker.
struct OutgoingMessage {
    QByteArray topic;
    QByteArray payload;
    int qos = 0;
    bool retain = false;
};
