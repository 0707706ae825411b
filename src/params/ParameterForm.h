#pragma once

#include "ParameterTable.h"

#include <QGroupBox>
#include <QHash>
#include <QString>
#include <memory>
#include <vector>

class ParameterList;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

// The "Parameter setup" frame of a parameter window, built from the
// parameter table: per parameter its label, its field (a text box or a
// list), its "Allow write" box and its "Write" button, placed where that
// window places it. It keeps the values as read and carries out what both
// windows do alike: the "Allow write" boxes and the "Digital output type:"
// rule. What a "Write" button does is the window's, through writeRequested.
class ParameterForm : public QGroupBox {
    Q_OBJECT
public:
    explicit ParameterForm(ParameterWindowKind window, QWidget* parent = nullptr);
    ~ParameterForm() override;

    ParameterWindowKind window() const { return m_window; }
    // The parameters shown here, column by column, top down.
    const QList<const Parameter*>& parameters() const { return m_parameters; }
    bool shows(const Parameter& parameter) const { return m_rows.contains(&parameter); }

    // Field texts; parameters not shown here read as empty and take nothing.
    QString text(const Parameter& parameter) const;
    void setText(const Parameter& parameter, const QString& text);
    void clearTexts();

    // Every field's text becomes its value as read.
    void takeValuesAsRead();
    QString valueAsRead(const Parameter& parameter) const;

    // Unticks the parameter's box, which locks the field and hides "Write".
    void lock(const Parameter& parameter);
    bool isLocked(const Parameter& parameter) const;

    QLabel* label(const Parameter& parameter) const;
    QWidget* field(const Parameter& parameter) const;
    QLineEdit* textField(const Parameter& parameter) const;
    ParameterList* listField(const Parameter& parameter) const;
    QCheckBox* allowWriteBox(const Parameter& parameter) const;
    QPushButton* writeButton(const Parameter& parameter) const;

    // The box beside a parameter changed, by the operator or by code.
    void allowWriteChanged(const Parameter& parameter, bool ticked);
    // The operator picked an item of "Digital output type:". The decoders'
    // texts do not come here.
    void digitalOutputTypePicked(const QString& text);

signals:
    void writeRequested(const Parameter& parameter);

private:
    struct Row;

    Row* row(const Parameter& parameter) const;
    Row* row(int reg) const;
    void setLocked(Row& row, bool locked);
    void setWritable(Row& row, bool writable);

    ParameterWindowKind m_window;
    QList<const Parameter*> m_parameters;
    std::vector<std::unique_ptr<Row>> m_ownedRows;
    QHash<const Parameter*, Row*> m_rows;
};
