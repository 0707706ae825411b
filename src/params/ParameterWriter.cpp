#include "ParameterWriter.h"

#include "DecimalEntry.h"
#include "DecimalText.h"
#include "Frames.h"
#include "OperationLog.h"
#include "SerialExchange.h"
#include "WholeNumber.h"
#include "WriteRequests.h"

#include <QDateTime>

namespace {

constexpr qint64 EpdLimit = 2000 * qint64(10000);

} // namespace

ParameterWriter::ParameterWriter(SerialExchange& exchange, QSqlDatabase db,
                                 ParameterWindowKind window)
    : m_exchange(exchange), m_db(std::move(db)), m_window(window) {}

ParameterWriter::Result ParameterWriter::write(const Parameter& parameter, Window& window) {
    if (!parameter.writtenIn(m_window))
        return fail(parameter, window);
    if (parameter.kind() == WriteKind::Text10 && window.fieldText(parameter).size() != 10) {
        // Box and button stay as they are, so the operator can correct the text.
        window.setStatusText(parameter.lengthNotice());
        return Result::WrongLength;
    }
    if (!parameter.keepsStatus)
        window.setStatusText(QString());
    window.lockParameter(parameter);

    const std::optional<Request> pending = request(parameter, window);
    if (!pending)
        return fail(parameter, window);
    // The log row is committed, with full sync, before the frame goes: a
    // change the log cannot record is not made. Inside an open transaction
    // the row would reach the disk only at the commit, after the frame had
    // gone, and a full disk refuses the commit, not the insert.
    OperationLogRow row;
    row.level = securityLevel(m_window);
    row.serial = window.serialNumberText();
    row.item = parameter.itemName();
    row.valueRead = window.valueAsRead(parameter);
    row.valueWritten = pending->written;
    row.time = QDateTime::currentDateTime();
    OperationLog log(m_db);
    qint64 rowId = 0;
    const StoreWrite logged =
        m_db.isOpen()
            ? log.append(row, &rowId)
            : StoreWrite::refused(QStringLiteral("the database file could not be opened"));
    if (!logged.isDone()) {
        window.setStatusText(logFailureNotice(logged.reason));
        return Result::Failed;
    }
    m_exchange.clearform1();
    if (m_exchange.send(pending->frame) != 0) {
        // Nothing went: the row must not say it did.
        log.withdraw(rowId);
        return fail(parameter, window);
    }

    window.readBack();
    return Result::Written;
}

std::optional<ParameterWriter::Request> ParameterWriter::request(const Parameter& parameter,
                                                                 Window& window) const {
    QString text = window.fieldText(parameter);
    const auto reg = static_cast<std::uint8_t>(parameter.reg);

    std::optional<qint64> value; // the numeric kinds' value, in ten-thousandths
    QString written = text;
    const WriteKind kind = parameter.kind();
    if (kind == WriteKind::Int16 || kind == WriteKind::Float32 || kind == WriteKind::Int32) {
        if (parameter.scalesByTen()) {
            // The field shows a tenth of the register. A text that does not
            // begin with a number is refused rather than written as 0.
            const std::optional<double> shown = DecimalEntry::scanLeadingNumber(text);
            if (!shown)
                return std::nullopt;
            const double scaled = *shown * 10;
            value = DecimalText::toTenThousandths(scaled);
            written = QString::number(scaled, 'g', 15);
        } else {
            value = DecimalEntry::parseFixedPoint(text);
            if (value && parameter.rule == WriteRule::CappedAt2000 && *value > EpdLimit) {
                text = QStringLiteral("2000");
                window.replaceFieldText(parameter, text);
                window.setStatusText(parameter.failureNotice());
                value = DecimalEntry::parseFixedPoint(text);
                written = text;
            }
        }
        if (!value)
            return std::nullopt;
    }

    const std::optional<int> meter = WholeNumber::parse(window.meterAddressText(), 0, 255);
    if (!meter)
        return std::nullopt;
    const auto address = static_cast<std::uint8_t>(*meter);

    switch (kind) {
    case WriteKind::Enumeration:
        if (const std::optional<unsigned> code = parameter.codeOf(text))
            return Request{Frames::writeSingleRequest(address, reg, static_cast<quint16>(*code)),
                           written};
        return std::nullopt;
    case WriteKind::Int16:
        return Request{WriteRequests::s16Request(address, reg, *value), written};
    case WriteKind::Float32:
        return Request{WriteRequests::f32Request(address, reg, *value), written};
    case WriteKind::Int32:
        return Request{WriteRequests::l32Request(address, reg, *value), written};
    case WriteKind::Text10:
        if (std::optional<QByteArray> frame = WriteRequests::ascWriteRequest(address, reg, text))
            return Request{std::move(*frame), written};
        return std::nullopt;
    case WriteKind::None:
        break;
    }
    return std::nullopt;
}

ParameterWriter::Result ParameterWriter::fail(const Parameter& parameter, Window& window) const {
    window.setStatusText(parameter.failureNotice());
    return Result::Failed;
}
