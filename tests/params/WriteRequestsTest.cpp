#include "WriteRequests.h"
#include "DecimalEntry.h"
#include "DecimalText.h"

#include <gtest/gtest.h>

namespace {

constexpr qint64 unit = 10000;

TEST(WriteRequests, WholeFrames) {
    struct Case {
        QByteArray request;
        const char* hex;
    };
    const Case cases[] = {
        {WriteRequests::s16Request(1, 38, 5 * unit), "010600260005A802"},   // damping 5
        {WriteRequests::s16Request(1, 27, 300 * unit), "0106001B012CF980"}, // meter address
        {WriteRequests::s16Request(1, 27, -1 * unit), "0106001B7FFF99BD"},
        {WriteRequests::l32Request(1, 44, 750 * unit), "0110002C000204000002EE70CE"}, // pulse width
        {WriteRequests::ascWriteRequest(1, 57, QStringLiteral("ABCDEFGHIJ")).value_or(""),
         "0110003900050A4A494847464544434241A5E9"}};
    for (const Case& c : cases)
        EXPECT_EQ(c.request.toHex().toUpper(), QByteArray(c.hex));
}

TEST(WriteRequests, FloatValues) {
    // The transducer factor goes out as ten times the number typed.
    const std::optional<qint64> factor =
        DecimalText::toTenThousandths(DecimalEntry::scanLeadingNumber(u"12.34").value_or(0) * 10);
    ASSERT_TRUE(factor);
    EXPECT_EQ(WriteRequests::f32Request(1, 90, *factor).mid(2, 9).toHex(),
              QByteArray("005a00020442f6cccd"));
    EXPECT_EQ(WriteRequests::f32Request(1, 50, 2000 * unit).mid(7, 4).toHex(),
              QByteArray("44fa0000")); // EPD
}

TEST(WriteRequests, SerialTextLastCharacterFirst) {
    EXPECT_EQ(WriteRequests::ascWriteData(QStringLiteral(u"\u00E9123456789")),
              QByteArray("987654321\xE9"));
    for (const QString& text : {QStringLiteral("ABCDEFGHI"), QStringLiteral("ABCDEFGHIJK"),
                                QStringLiteral(u"ABCDEFGHI\u4E2D")}) {
        EXPECT_FALSE(WriteRequests::ascWriteData(text)) << text.toStdString();
        EXPECT_FALSE(WriteRequests::ascWriteRequest(1, 57, text)) << text.toStdString();
    }
}

} // namespace
