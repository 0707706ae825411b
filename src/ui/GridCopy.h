#pragma once

#include <QModelIndexList>
#include <QObject>
#include <QString>

class QAbstractItemModel;
class QAbstractItemView;

// The Copy keys (Ctrl+C) on a grid copy its selected cells as
// tab-separated text, the column captions first, the way spreadsheets
// paste it. A view's own Copy puts only the current cell's text there.
class GridCopy : public QObject {
    Q_OBJECT
public:
    // Gives the view the Copy keys; the piece lives as the view's child.
    static void install(QAbstractItemView* view);

    // The cells as text: one line per row that has a selected cell, one
    // field per column that has one, rows and columns in the grid's order;
    // cells not selected within them are empty. A field holding a tab, a
    // line break or a quote is quoted, its quotes doubled. Lines end in
    // CR LF. Empty when nothing is selected.
    static QString text(const QAbstractItemModel& model, const QModelIndexList& selected);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit GridCopy(QAbstractItemView* view);

    QAbstractItemView* m_view;
};
