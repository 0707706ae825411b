#include "SnapshotTrend.h"

namespace SnapshotTrend {

BoundStatement rows(const QString& meter, const QString& first, const QString& last) {
    return {QStringLiteral("select CreateTime,MinuteAverage,liusu,Foward from Historydata "
                           "where dizhi=? and CreateTime between ? and ? ORDER BY CreateTime asc"),
            {meter, first, last}};
}

BoundStatement units(const QString& meter, const QString& first, const QString& last) {
    return {QStringLiteral("select danwei1,danwei2 from Historydata where dizhi=? and CreateTime "
                           "between ? and ? and danwei1<>'' ORDER BY CreateTime desc limit 1"),
            {meter, first, last}};
}

} // namespace SnapshotTrend
