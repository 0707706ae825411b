#pragma once

#include <QAbstractTableModel>
#include <QList>
#include <QString>
#include <functional>

class LineStatistics;

// The line statistics as a table: for each line one row per meter,
// ascending address, then one row for the whole line, named after the
// line when there are several. Refreshed on demand.
class LineStatisticsModel : public QAbstractTableModel {
    Q_OBJECT
public:
    static constexpr int ColumnCount = 7;
    // The caption of the last row.
    static QString lineRowCaption() { return QStringLiteral("Whole line"); }

    struct Line {
        QString name;
        // The counts as they stand, asked at each refresh.
        std::function<LineStatistics()> statistics;
    };

    explicit LineStatisticsModel(QList<Line> lines, QObject* parent = nullptr);

    // Takes the counts as they now stand.
    void refresh();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QList<Line> m_lines;
    QList<QStringList> m_rows;
};
