#pragma once

#include <QtGlobal>
#include <optional>
#include <vector>

// Draws a long run of readings at the width of a chart: the span is cut
// into buckets (about one per pixel column) and each bucket keeps only its
// lowest and its highest value, at the times they occurred, so every peak
// and every dip of the rows is still drawn. A row without a value (a
// meter that had not answered) ends the line, and the next value starts a
// new one: a gap, never a drop to zero. Rows come oldest first.
class TrendReduction {
public:
    struct Point {
        qint64 clock; // stored time as clock seconds
        double value;

        bool operator==(const Point&) const = default;
    };
    using Line = std::vector<Point>;

    // `first` and `last` (clock seconds, both included) bound the buckets;
    // a row outside them counts to the nearest bucket.
    TrendReduction(qint64 first, qint64 last, int buckets, int seriesCount);

    // One row's value of one series; nullopt for an empty value.
    void add(int series, qint64 clock, std::optional<double> value);
    // Ends every open line; call once after the last row.
    void finish();

    // The lines of a series, oldest first.
    const std::vector<Line>& lines(int series) const { return m_series[series].lines; }

private:
    struct Bucket {
        qint64 index = -1;
        Point low{};
        Point high{};
    };
    struct Series {
        std::vector<Line> lines;
        Line open;
        Bucket bucket;
    };

    qint64 bucketOf(qint64 clock) const;
    static void flush(Series& series);
    static void endLine(Series& series);

    qint64 m_first;
    qint64 m_span;
    qint64 m_buckets;
    std::vector<Series> m_series;
};
