#pragma once

#include "LineEntry.h"

#include <QDialog>

class QComboBox;
class QFormLayout;
class QLabel;
class QLineEdit;

// "Add line" and "Edit line": one line's fields. OK keeps the dialog open,
// with a notice naming the field, until every field is good. The fields
// shown are those of the line's transport; line 1 is always serial.
class LineDialog : public QDialog {
    Q_OBJECT
public:
    LineDialog(int number, const LineEntry& shown, QWidget* parent = nullptr);

    LineEntry entry() const;
    // The line as entered, once the dialog is accepted.
    const StartingDatabase::Line& line() const { return m_line; }
    QString noticeText() const;

    void accept() override;

private:
    // Shows the chosen transport's fields and fills the defaults it needs.
    void showTransport();

    int m_number;
    StartingDatabase::Line m_line;
    QString m_serialTimeout;
    QFormLayout* m_form = nullptr;
    QLineEdit* m_name = nullptr;
    QComboBox* m_transport = nullptr;
    QComboBox* m_port = nullptr;
    QLineEdit* m_host = nullptr;
    QLineEdit* m_tcpPort = nullptr;
    QLineEdit* m_connectTimeout = nullptr;
    QLineEdit* m_gap = nullptr;
    QLineEdit* m_connectPause = nullptr;
    QComboBox* m_baud = nullptr;
    QComboBox* m_parity = nullptr;
    QLineEdit* m_period = nullptr;
    QLineEdit* m_timeout = nullptr;
    QLineEdit* m_meters = nullptr;
    QLabel* m_notice = nullptr;
};
