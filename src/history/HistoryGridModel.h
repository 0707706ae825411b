#pragma once

#include "HistoryTable.h"

#include <QSqlDatabase>
#include <QSqlQueryModel>
#include <QStringList>

// A history grid's rows, fetched from the store as the view scrolls, so a
// search over millions of rows shows its first rows at once. Captions go by
// column position and survive every new binding.
class HistoryGridModel : public QSqlQueryModel {
    Q_OBJECT
public:
    explicit HistoryGridModel(QStringList captions, QObject* parent = nullptr);

    // Shows the statement's rows; false, with no rows shown, when it fails.
    bool bind(const QSqlDatabase& db, const BoundStatement& statement);
    // Lets go of a partly read result. A result still being read pins the
    // connection to an old view of the file, on which a delete would fail.
    void release();

    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    QStringList m_captions;
};
