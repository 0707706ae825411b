#pragma once

#include <QComboBox>
#include <QStringList>

// A parameter's drop-down list. It shows whatever text it is given (empty
// after "Read", a number the list lacks), but the operator can only pick
// one of its items, and only while it is unlocked.
class ParameterList : public QComboBox {
    Q_OBJECT
public:
    explicit ParameterList(const QStringList& items, QWidget* parent = nullptr);

    void setLocked(bool locked) { m_locked = locked; }
    bool isLocked() const { return m_locked; }

    QString text() const { return currentText(); }
    void setText(const QString& text);

    void showPopup() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;

private:
    bool m_locked = true;
};
