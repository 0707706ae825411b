#pragma once

#include <QList>

// Column widths for a grid that shows every caption and every value whole
// within `room` pixels. Each column is as wide as its caption, its longest
// value and its present width, except the elastic one (long texts, shown
// elided with the whole text in a tooltip), which gives up room down to
// its caption's width for the others. Past that the grid scrolls.
class ColumnFit {
public:
    struct Column {
        int caption = 0; // the header's width for its caption
        int content = 0; // the widest value shown
        int current = 0; // the width it has, or wants when the grid is new
    };

    static QList<int> widths(const QList<Column>& columns, int elastic, int room);
};
