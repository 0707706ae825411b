#include "ReportPdf.h"

#include <QBuffer>
#include <QChart>
#include <QGraphicsScene>
#include <QPainter>
#include <QPdfWriter>
#include <QSaveFile>
#include <algorithm>

namespace {

constexpr int Resolution = 300; // dots per inch

// Paints page after page, each line below the last.
class Pages {
public:
    Pages(QPdfWriter& writer, QRect area) : m_writer(writer), m_area(area) {}

    int width() const { return m_area.width(); }
    // Room for `height` more, on a new page when this one is full.
    int take(int height) {
        if (m_y > 0 && m_y + height > m_area.height()) {
            m_writer.newPage();
            m_y = 0;
        }
        const int at = m_y;
        m_y += height;
        return at;
    }

private:
    QPdfWriter& m_writer;
    QRect m_area;
    int m_y = 0;
};

void paintTable(QPainter& painter, Pages& pages, const ReportTable& table) {
    QFont font = painter.font();
    font.setPointSizeF(7);
    painter.setFont(font);
    const int rowHeight = painter.fontMetrics().height() * 5 / 4;
    // Columns share the width by their widest text.
    QList<int> widths(table.header.size(), 0);
    const auto measure = [&](const QStringList& row) {
        for (qsizetype c = 0; c < row.size() && c < widths.size(); ++c)
            widths[c] = std::max(widths[c], painter.fontMetrics().horizontalAdvance(row[c]) + 40);
    };
    measure(table.header);
    for (const QStringList& row : table.rows)
        measure(row);
    int sum = 0;
    for (int w : widths)
        sum += w;
    const double scale = sum > pages.width() ? double(pages.width()) / sum : 1.0;
    const auto paintRow = [&](const QStringList& row, bool bold) {
        const int y = pages.take(rowHeight);
        QFont rowFont = font;
        rowFont.setBold(bold);
        painter.setFont(rowFont);
        int x = 0;
        for (qsizetype c = 0; c < widths.size(); ++c) {
            const int w = int(widths[c] * scale);
            painter.drawText(QRect(x, y, w, rowHeight), Qt::AlignLeft | Qt::AlignVCenter,
                             c < row.size() ? row[c] : QString());
            x += w;
        }
    };
    paintRow(table.header, true);
    for (qsizetype r = 0; r < table.rows.size(); ++r)
        paintRow(table.rows[r], table.totalRows.contains(int(r)));
}

} // namespace

namespace ReportPdf {

QString write(const QString& path, const QString& title, const QStringList& lines,
              const ReportTable& table, QChart* chart) {
    QBuffer pdf;
    pdf.open(QIODevice::WriteOnly);
    {
        QPdfWriter writer(&pdf);
        writer.setResolution(Resolution);
        writer.setPageSize(QPageSize(QPageSize::A4));
        writer.setPageMargins(QMarginsF(15, 15, 15, 15), QPageLayout::Millimeter);
        writer.setTitle(title);
        writer.setCreator(QStringLiteral("rx7100-tool"));
        QPainter painter;
        if (!painter.begin(&writer))
            return QStringLiteral("Cannot write %1: the PDF could not be started").arg(path);
        Pages pages(writer, painter.viewport());
        QFont font = painter.font();
        font.setPointSizeF(16);
        font.setBold(true);
        painter.setFont(font);
        int height = painter.fontMetrics().height() * 3 / 2;
        painter.drawText(QRect(0, pages.take(height), pages.width(), height), title);
        font.setPointSizeF(10);
        font.setBold(false);
        painter.setFont(font);
        height = painter.fontMetrics().height() * 5 / 4;
        for (const QString& line : lines)
            painter.drawText(QRect(0, pages.take(height), pages.width(), height), line);
        pages.take(height);
        paintTable(painter, pages, table);
        if (chart) {
            // The chart laid out at a screen's size, then scaled onto the page.
            const QSizeF size(1000, 600);
            QGraphicsScene scene;
            scene.addItem(chart);
            chart->resize(size);
            const int chartHeight = pages.width() * 6 / 10;
            pages.take(height);
            const int y = pages.take(chartHeight);
            scene.render(&painter, QRectF(0, y, pages.width(), chartHeight),
                         QRectF(QPointF(0, 0), size));
            scene.removeItem(chart);
        }
    }
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(pdf.data()) < 0 || !file.commit())
        return QStringLiteral("Cannot write %1: %2").arg(path, file.errorString());
    return {};
}

} // namespace ReportPdf
