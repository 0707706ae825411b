#include "ParameterPort.h"

#include "LineTable.h"
#include "PortError.h"
#include "PortLocator.h"
#include "SerialPort.h"
#include "SettingsTable.h"
#include "StoreError.h"

namespace ParameterPort {

namespace {

// The port number the line's stored port stands for, or why there is none.
int portNumber(const QSqlDatabase& db, int line, int* number) {
    if (line == 1) {
        const SettingsTable::Read stored = SettingsTable(db).read();
        return stored.error ? stored.error : SettingsTable::toInt16(stored.settings.port, number);
    }
    for (const StoredLine& stored : LineTable(db).lines())
        if (stored.number == line) {
            const std::optional<int> com = PortLocator::numberFor(stored.port);
            *number = com.value_or(0);
            return com ? 0 : StoreError::TypeMismatch;
        }
    return StoreError::NoCurrentRow;
}

} // namespace

int setUp(SerialPort& port, const QSqlDatabase& db, int line,
          const std::optional<QString>& lineSettings, OnFailure onFailure) {
    int firstFailure = 0;
    // True when the set-up must end here.
    auto failed = [&](int code) {
        if (firstFailure == 0)
            firstFailure = code;
        return onFailure == OnFailure::Stop;
    };

    // A gateway's connection stays as it is: reconnecting would make the
    // window wait for it, and the line reads on through it. One that is
    // not through is a port not open; the line's notice says why.
    if (port.isGateway()) {
        if (!port.isOpen())
            return PortError::PortNotOpen;
        port.clearBuffers();
        if (lineSettings)
            return port.setLineSettings(*lineSettings);
        return PortError::None;
    }

    if (port.isOpen())
        port.close();

    int number = 0;
    const int code = portNumber(db, line, &number);
    if (code == 0)
        port.setPortNumber(number);
    else if (failed(code))
        return firstFailure;

    // The same number opens the same device again, never another that the
    // lookup would find while that one is away.
    if (const int code = port.reopenEmptied()) {
        if (failed(code))
            return firstFailure;
    }

    if (lineSettings) {
        if (const int code = port.setLineSettings(*lineSettings))
            failed(code);
    }
    return firstFailure;
}

} // namespace ParameterPort
