#include "ParameterPort.h"

#include "SerialPort.h"
#include "SettingsTable.h"

namespace ParameterPort {

int setUp(SerialPort& port, const QSqlDatabase& db, const std::optional<QString>& lineSettings,
          OnFailure onFailure) {
    int firstFailure = 0;
    // True when the set-up must end here.
    auto failed = [&](int code) {
        if (firstFailure == 0)
            firstFailure = code;
        return onFailure == OnFailure::Stop;
    };

    if (port.isOpen())
        port.close();

    const SettingsTable::Read stored = SettingsTable(db).read();
    int number = 0;
    const int code =
        stored.error ? stored.error : SettingsTable::toInt16(stored.settings.port, &number);
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
