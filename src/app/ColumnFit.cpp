#include "ColumnFit.h"

#include <algorithm>

QList<int> ColumnFit::widths(const QList<Column>& columns, int elastic, int room) {
    QList<int> widths;
    int others = 0;
    for (int i = 0; i < columns.size(); ++i) {
        const Column& column = columns[i];
        widths << std::max({column.caption, column.content, column.current});
        if (i != elastic)
            others += widths.last();
    }
    if (elastic >= 0 && elastic < columns.size()) {
        const Column& column = columns[elastic];
        widths[elastic] = std::max(column.caption, std::min(column.current, room - others));
    }
    return widths;
}
