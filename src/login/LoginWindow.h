#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

// "Login": the access code in front of the two parameter windows. It hides
// itself when it hands over and keeps what its box and status line held.
class LoginWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* BasicCode = "4626";
    static constexpr const char* FullCode = "7241";

    explicit LoginWindow(QWidget* parent = nullptr);

    QLineEdit* codeBox() const { return m_code; }
    QPushButton* okButton() const { return m_ok; }
    QToolButton* basicButton() const { return m_basic; }
    QString statusText() const;

    void ok();
    void openBasic();

signals:
    // The basic window (security level 1) is to be shown.
    void basicRequested();
    // The full window (security level 2) is to be shown.
    void fullRequested();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void codeChanged(const QString& text);

    QLineEdit* m_code = nullptr;
    QPushButton* m_ok = nullptr;
    QToolButton* m_basic = nullptr;
    QLabel* m_status = nullptr;
};
