#include "WriteRequests.h"

#include "Frames.h"
#include "ValueCodec.h"

namespace WriteRequests {

QByteArray s16Request(std::uint8_t address, std::uint8_t reg, qint64 tenThousandths) {
    const QByteArray bytes = ValueToBytes(tenThousandths, RegisterType::Int16);
    const auto value = static_cast<std::uint16_t>(static_cast<std::uint8_t>(bytes.at(0)) << 8 |
                                                  static_cast<std::uint8_t>(bytes.at(1)));
    return Frames::writeSingleRequest(address, reg, value);
}

QByteArray f32Request(std::uint8_t address, std::uint8_t reg, qint64 tenThousandths) {
    return Frames::writeMultipleRequest(address, reg,
                                        ValueToBytes(tenThousandths, RegisterType::Float32));
}

QByteArray l32Request(std::uint8_t address, std::uint8_t reg, qint64 tenThousandths) {
    return Frames::writeMultipleRequest(address, reg,
                                        ValueToBytes(tenThousandths, RegisterType::Int32));
}

std::optional<QByteArray> ascWriteData(const QString& text) {
    if (text.size() != 10)
        return std::nullopt;
    QByteArray data;
    data.reserve(10);
    for (qsizetype i = text.size() - 1; i >= 0; --i) {
        const char16_t code = text.at(i).unicode();
        if (code > 0xFF)
            return std::nullopt;
        data.append(static_cast<char>(code));
    }
    return data;
}

std::optional<QByteArray> ascWriteRequest(std::uint8_t address, std::uint8_t reg,
                                          const QString& text) {
    const std::optional<QByteArray> data = ascWriteData(text);
    if (!data)
        return std::nullopt;
    return Frames::writeMultipleRequest(address, reg, *data);
}

} // namespace WriteRequests
