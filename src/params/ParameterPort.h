#pragma once

#include <QSqlDatabase>
#include <QString>
#include <optional>

class SerialPort;

namespace ParameterPort {

enum class OnFailure { SkipStep, Stop };

// A parameter window's set-up of a line's serial port: close it, take the
// port number from the settings row (line 1) or the line's row, open it (the device it had, while
// the number is the same) with no flow control and empty buffers, then apply the window's own line
// settings where it has any (the basic window keeps the line as it is). Returns 0 or the code of
// the first failing step; Stop ends there, SkipStep goes on with the next.
int setUp(SerialPort& port, const QSqlDatabase& db, int line,
          const std::optional<QString>& lineSettings, OnFailure onFailure);

} // namespace ParameterPort
