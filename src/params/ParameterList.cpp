#include "ParameterList.h"

#include <QEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QWheelEvent>

ParameterList::ParameterList(const QStringList& items, QWidget* parent) : QComboBox(parent) {
    // Editable only so that any text can be shown; the text itself is
    // never typed.
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
    setCompleter(nullptr);
    lineEdit()->setReadOnly(true);
    lineEdit()->installEventFilter(this);
    addItems(items);
    setText(QString());
}

void ParameterList::setText(const QString& text) {
    setCurrentIndex(findText(text, Qt::MatchExactly));
    setEditText(text);
}

void ParameterList::showPopup() {
    if (!m_locked)
        QComboBox::showPopup();
}

bool ParameterList::eventFilter(QObject* watched, QEvent* event) {
    // A click on the text of an unlocked list opens it, as on a list that
    // cannot be edited; a locked one lets its text be selected and copied.
    if (watched == lineEdit() && event->type() == QEvent::MouseButtonPress && !m_locked) {
        showPopup();
        return true;
    }
    return QComboBox::eventFilter(watched, event);
}

void ParameterList::keyPressEvent(QKeyEvent* event) {
    if (m_locked)
        event->ignore();
    else
        QComboBox::keyPressEvent(event);
}

void ParameterList::wheelEvent(QWheelEvent* event) {
    if (m_locked)
        event->ignore();
    else
        QComboBox::wheelEvent(event);
}
