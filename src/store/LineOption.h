#pragma once

#include "StartingDatabase.h"

#include <QString>
#include <optional>

// A line as text, keys and values separated by ';', as in
// "name=Pump house;port=com1;baud=9600;parity=none;period=200;timeout=150;meters=1-3,7",
// or for a gateway "transport=modbus-tcp;host=10.0.0.5;tcp-port=502;connect-timeout=3000;
// gap=20;connect-pause=100;baud=9600;meters=1-3" in place of the port:
// make-db's `--line`, and the setup window's line fields.
namespace LineOption {

// `base` with what the text gives; nullopt with a one-line error naming
// the key and value otherwise.
std::optional<StartingDatabase::Line> parse(const QString& text, StartingDatabase::Line base,
                                            QString* error);

} // namespace LineOption
