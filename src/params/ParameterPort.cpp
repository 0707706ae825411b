#include "ParameterPort.h"

#include "Record.h"
#include "SerialPort.h"
#include "StoreError.h"

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

    const RowSet settings = Record(QStringLiteral("select  * from kente"), db);
    const std::optional<QVariant> com = settings.value(QStringLiteral("com"));
    bool isNumber = false;
    const int number = com ? com->toInt(&isNumber) : 0;
    if (!com) {
        if (failed(settings.isOpen() ? StoreError::NoCurrentRow : StoreError::RowSetClosed))
            return firstFailure;
    } else if (!isNumber) {
        if (failed(StoreError::TypeMismatch))
            return firstFailure;
    } else {
        port.setPortNumber(number);
    }

    if (const int code = port.openEmptied()) {
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
