#pragma once

#include "Reading.h"

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

// Every listed meter's latest reading, ordered by line and then address,
// and which meters are silent: what the station holds for the grid, the
// broker and the headless log to read. Lives on the station's thread.
class LatestReadings : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    // Takes the meters' readings in their order; loaded() follows.
    void load(QList<Reading> readings);

    // Takes a meter's newly stored reading, keeping the values it lacks.
    // False for a meter not listed.
    bool update(const Reading& reading);

    // A meter that does not answer: `text` says since when; an empty text
    // says it answers again. Kept across reloads.
    void setNoReplyText(int line, int address, const QString& text);
    QString noReplyText(int line, int address) const;

    int count() const { return int(m_rows.size()); }
    const Reading& at(int row) const { return m_rows.at(row); }
    // The row of a meter; -1 when it is not listed.
    int rowOf(int line, int address) const;
    // The addresses listed on a line, in row order.
    QList<int> addresses(int line) const;
    // A meter's row as it stands; null when not listed.
    const Reading* find(int line, int address) const;

signals:
    void aboutToLoad();
    void loaded();
    // A row took a new reading; `before` is the row as it was.
    void updated(int row, const Reading& before);
    void noReplyChanged(int row);

private:
    static quint32 key(int line, int address) { return quint32(line) << 16 | quint16(address); }

    QList<Reading> m_rows;
    QHash<quint32, int> m_rowOf;
    QHash<quint32, QString> m_noReply;
};
