#include "GridCopy.h"

#include <QStandardItemModel>
#include <gtest/gtest.h>

namespace {

TEST(GridCopy, SelectedCellsAsTabSeparatedTextWithCaptions) {
    // One cell holds what a tab-separated field must quote.
    QStandardItemModel model;
    model.setHorizontalHeaderLabels({"Meter Address", "Alarm Status", "Flow Speed (m/s)"});
    for (const QStringList& row :
         {QStringList{"1", "Communication OK", "1.25"},
          QStringList{"2", "say \"hi\"\tthen\nbye", "0.50"}, QStringList{"10", "", "-3.00"}}) {
        QList<QStandardItem*> items;
        for (const QString& text : row)
            items << new QStandardItem(text);
        model.appendRow(items);
    }
    const auto cells = [&](std::initializer_list<std::pair<int, int>> at) {
        QModelIndexList list;
        for (const auto& [row, column] : at)
            list << model.index(row, column);
        return list;
    };
    const std::tuple<const char*, QModelIndexList, QString> cases[] = {
        {"rows 3 and 1, picked out of order",
         cells({{2, 0}, {2, 1}, {2, 2}, {0, 0}, {0, 1}, {0, 2}}),
         "Meter Address\tAlarm Status\tFlow Speed (m/s)\r\n"
         "1\tCommunication OK\t1.25\r\n"
         "10\t\t-3.00\r\n"},
        {"a field with a quote, a tab and a line break", cells({{1, 1}}),
         "Alarm Status\r\n\"say \"\"hi\"\"\tthen\nbye\"\r\n"},
        {"cells not selected within the block are empty", cells({{0, 2}, {1, 0}}),
         "Meter Address\tFlow Speed (m/s)\r\n\t1.25\r\n2\t\r\n"},
        {"nothing selected", {}, ""},
    };
    for (const auto& [what, selected, expected] : cases)
        EXPECT_EQ(GridCopy::text(model, selected), expected) << what;
}

} // namespace
