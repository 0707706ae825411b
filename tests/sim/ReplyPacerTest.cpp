#include "ReplyPacer.h"
#include "CRC16.h"

#include <gtest/gtest.h>

namespace {

TEST(ReplyPacer, FaultsChangeOnlyWhatTheyShould) {
    const QByteArray reply = withCrc(QByteArray(51, '\x11'));
    const ReplyPacer::Faults cases[] = {
        {}, {0.0, true, 0.0}, {1.0, false, 0.0}, {0.0, false, 1.0}, {1.0, true, 1.0}};
    for (const ReplyPacer::Faults& faults : cases) {
        SCOPED_TRACE(testing::Message() << faults.corruptCrc << faults.split << faults.stray);
        ReplyPacer pacer(9600, faults, 3);
        for (int round = 0; round < 20; ++round) {
            QByteArray all;
            for (const TimedPiece& piece : pacer.pace(reply))
                all.append(piece.bytes);
            const qsizetype noise = all.size() - reply.size();
            ASSERT_EQ(noise >= 1 && noise <= 3, faults.stray > 0.0);
            // The reply itself comes in one run, before or after the noise.
            const QByteArray body =
                all.startsWith(reply.left(3)) ? all.left(reply.size()) : all.right(reply.size());
            ASSERT_EQ(body.left(51), reply.left(51));
            ASSERT_EQ(crcMatches(body), faults.corruptCrc == 0.0);
        }
    }
}

} // namespace
