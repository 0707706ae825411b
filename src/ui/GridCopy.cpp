#include "GridCopy.h"

#include <QAbstractItemView>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QSet>
#include <algorithm>

namespace {

QString field(const QString& text) {
    if (!text.contains(QLatin1Char('\t')) && !text.contains(QLatin1Char('\n')) &&
        !text.contains(QLatin1Char('\r')) && !text.contains(QLatin1Char('"')))
        return text;
    QString quoted = text;
    quoted.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

bool isCopy(QEvent* event) {
    return (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
           static_cast<QKeyEvent*>(event)->matches(QKeySequence::Copy);
}

} // namespace

GridCopy::GridCopy(QAbstractItemView* view) : QObject(view), m_view(view) {}

void GridCopy::install(QAbstractItemView* view) {
    view->installEventFilter(new GridCopy(view));
}

QString GridCopy::text(const QAbstractItemModel& model, const QModelIndexList& selected) {
    QList<int> rows;
    QList<int> columns;
    QSet<std::pair<int, int>> cells;
    for (const QModelIndex& index : selected) {
        if (!index.isValid() || index.model() != &model)
            continue;
        rows << index.row();
        columns << index.column();
        cells.insert({index.row(), index.column()});
    }
    if (cells.isEmpty())
        return {};
    for (QList<int>* list : {&rows, &columns}) {
        std::sort(list->begin(), list->end());
        list->erase(std::unique(list->begin(), list->end()), list->end());
    }
    const auto line = [&](const auto& cellText) {
        QStringList fields;
        for (int column : columns)
            fields << field(cellText(column));
        return fields.join(QLatin1Char('\t')) + QLatin1String("\r\n");
    };
    QString text = line([&](int column) {
        return model.headerData(column, Qt::Horizontal, Qt::DisplayRole).toString();
    });
    for (int row : rows)
        text += line([&](int column) {
            return cells.contains({row, column}) ? model.index(row, column).data().toString()
                                                 : QString();
        });
    return text;
}

bool GridCopy::eventFilter(QObject* watched, QEvent* event) {
    if (watched != m_view || !isCopy(event))
        return QObject::eventFilter(watched, event);
    // Taken here before any window-wide shortcut, and before the view's
    // own Copy of the current cell.
    event->accept();
    if (event->type() == QEvent::KeyPress && m_view->model() && m_view->selectionModel()) {
        const QString copied = text(*m_view->model(), m_view->selectionModel()->selectedIndexes());
        if (!copied.isEmpty())
            QGuiApplication::clipboard()->setText(copied);
    }
    return true;
}
