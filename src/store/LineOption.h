#pragma once

#include "StartingDatabase.h"

#include <QString>
#include <optional>

// A line as text, keys and values separated by ';', as in
// "name=Pump house;port=com1;baud=9600;parity=none;period=200;timeout=150;meters=1-3,7":
// make-db's `--line`, and the setup window's line fields one key at a time.
namespace LineOption {

// `base` with what the text gives; nullopt with a one-line error naming
// the key and value otherwise.
std::optional<StartingDatabase::Line> parse(const QString& text, StartingDatabase::Line base,
                                            QString* error);

} // namespace LineOption
