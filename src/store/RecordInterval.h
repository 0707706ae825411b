#pragma once

#include <QString>

// The record interval the snapshot timer reads at each tick: the text of
// the setup window's interval box as it stands, saved or not, while that
// window is loaded; otherwise `timesj` as last read. The store's readers
// fill it and the box edits it, so nothing builds a window to read it.
class RecordInterval {
public:
    const QString& text() const { return m_text; }
    void setText(const QString& text) { m_text = text; }

private:
    QString m_text;
};
