#include "ParameterForm.h"

#include "DigitsValidator.h"
#include "ParameterList.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <algorithm>

namespace {

// Grid columns of one parameter column: label, field, box, button, gap.
constexpr int GridColumnsPerColumn = 5;

} // namespace

struct ParameterForm::Row {
    const Parameter* parameter = nullptr;
    QLabel* label = nullptr;
    QLineEdit* edit = nullptr;
    ParameterList* list = nullptr;
    QCheckBox* allowWrite = nullptr;
    QPushButton* write = nullptr;
    QString valueAsRead;

    QWidget* field() const { return edit ? static_cast<QWidget*>(edit) : list; }
};

ParameterForm::ParameterForm(ParameterWindowKind window, QWidget* parent)
    : QGroupBox(QStringLiteral("Parameter setup"), parent), m_window(window),
      m_parameters(ParameterTable::shownIn(window)) {
    auto* grid = new QGridLayout(this);
    grid->setHorizontalSpacing(6);
    grid->setVerticalSpacing(4);

    // Wide enough for the longest text a field shows (ten characters of a
    // serial number or a totalizer) without being cut.
    const int fieldWidth = fontMetrics().horizontalAdvance(QStringLiteral("4294967295")) + 36;

    int lastColumn = 1;
    const int firstRow = window == ParameterWindowKind::Full ? 1 : 0;
    for (const Parameter* parameter : m_parameters) {
        const FieldPlace place = parameter->placeIn(window);
        lastColumn = std::max(lastColumn, place.column);
        const int base = (place.column - 1) * GridColumnsPerColumn;
        const int gridRow = firstRow + place.row;
        const QString caption = parameter->labelIn(window);

        auto owned = std::make_unique<Row>();
        Row& r = *owned;
        r.parameter = parameter;
        r.label = new QLabel(caption, this);
        r.label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        if (parameter->field() == FieldKind::List) {
            r.list = new ParameterList(parameter->meter().choiceTexts(), this);
            r.list->setAccessibleName(caption);
            if (parameter->reg == MeterRegister::DigitalOutputType)
                connect(r.list, &QComboBox::textActivated, this,
                        &ParameterForm::digitalOutputTypePicked);
        } else {
            r.edit = new QLineEdit(this);
            r.edit->setAccessibleName(caption);
            // Limits on typing only: a text the meter reports is shown whole.
            if (parameter->digitsOnly)
                r.edit->setValidator(digitsValidator(r.edit));
            else if (parameter->typedLimit() > 0)
                r.edit->setValidator(new QRegularExpressionValidator(
                    QRegularExpression(QStringLiteral("(?s).{0,%1}").arg(parameter->typedLimit())),
                    r.edit));
        }
        r.field()->setFixedWidth(fieldWidth);
        r.label->setBuddy(r.field());

        r.allowWrite = new QCheckBox(this);
        r.allowWrite->setAccessibleName(QStringLiteral("Allow write ") + caption);
        r.write = new QPushButton(QStringLiteral("Write"), this);
        r.write->setAccessibleName(QStringLiteral("Write ") + caption);
        r.write->setAutoDefault(false);
        // A hidden button keeps its room, so showing it moves nothing.
        QSizePolicy policy = r.write->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        r.write->setSizePolicy(policy);

        grid->addWidget(r.label, gridRow, base);
        grid->addWidget(r.field(), gridRow, base + 1);
        grid->addWidget(r.allowWrite, gridRow, base + 2, Qt::AlignCenter);
        grid->addWidget(r.write, gridRow, base + 3);

        connect(r.allowWrite, &QCheckBox::toggled, this,
                [this, parameter](bool ticked) { allowWriteChanged(*parameter, ticked); });
        connect(r.write, &QPushButton::clicked, this,
                [this, parameter] { emit writeRequested(*parameter); });

        setLocked(r, true);
        r.write->hide();
        if (!parameter->writtenIn(window)) {
            r.field()->setEnabled(false);
            r.allowWrite->setEnabled(false);
            r.write->setEnabled(false);
        }
        m_rows.insert(parameter, owned.get());
        m_ownedRows.push_back(std::move(owned));
    }

    for (int column = 0; column < lastColumn; ++column) {
        const int base = column * GridColumnsPerColumn;
        if (window == ParameterWindowKind::Full) {
            auto* heading = new QLabel(QStringLiteral("Allow write"), this);
            grid->addWidget(heading, 0, base + 2, 1, 2, Qt::AlignLeft | Qt::AlignBottom);
        }
        if (column + 1 < lastColumn)
            grid->setColumnMinimumWidth(base + 4, 18);
    }
    grid->setRowStretch(grid->rowCount(), 1);
}

ParameterForm::~ParameterForm() = default;

ParameterForm::Row* ParameterForm::row(const Parameter& parameter) const {
    return m_rows.value(&parameter, nullptr);
}

ParameterForm::Row* ParameterForm::row(int reg) const {
    const Parameter* parameter = ParameterTable::byRegister(reg);
    return parameter ? row(*parameter) : nullptr;
}

QString ParameterForm::text(const Parameter& parameter) const {
    const Row* r = row(parameter);
    if (!r)
        return {};
    return r->edit ? r->edit->text() : r->list->text();
}

void ParameterForm::setText(const Parameter& parameter, const QString& text) {
    Row* r = row(parameter);
    if (!r)
        return;
    if (r->edit)
        r->edit->setText(text);
    else
        r->list->setText(text);
}

void ParameterForm::clearTexts() {
    for (const Parameter* parameter : m_parameters)
        setText(*parameter, QString());
}

void ParameterForm::takeValuesAsRead() {
    for (const Parameter* parameter : m_parameters)
        row(*parameter)->valueAsRead = text(*parameter);
}

QString ParameterForm::valueAsRead(const Parameter& parameter) const {
    const Row* r = row(parameter);
    return r ? r->valueAsRead : QString();
}

void ParameterForm::lock(const Parameter& parameter) {
    if (Row* r = row(parameter)) {
        r->allowWrite->setChecked(false);
        setLocked(*r, true); // also when the box was unticked already
    }
}

bool ParameterForm::isLocked(const Parameter& parameter) const {
    const Row* r = row(parameter);
    if (!r)
        return true;
    return r->edit ? r->edit->isReadOnly() : r->list->isLocked();
}

QLabel* ParameterForm::label(const Parameter& parameter) const {
    const Row* r = row(parameter);
    return r ? r->label : nullptr;
}

QWidget* ParameterForm::field(const Parameter& parameter) const {
    const Row* r = row(parameter);
    return r ? r->field() : nullptr;
}

QLineEdit* ParameterForm::textField(const Parameter& parameter) const {
    const Row* r = row(parameter);
    return r ? r->edit : nullptr;
}

ParameterList* ParameterForm::listField(const Parameter& parameter) const {
    const Row* r = row(parameter);
    return r ? r->list : nullptr;
}

QCheckBox* ParameterForm::allowWriteBox(const Parameter& parameter) const {
    const Row* r = row(parameter);
    return r ? r->allowWrite : nullptr;
}

QPushButton* ParameterForm::writeButton(const Parameter& parameter) const {
    const Row* r = row(parameter);
    return r ? r->write : nullptr;
}

void ParameterForm::allowWriteChanged(const Parameter& parameter, bool ticked) {
    if (Row* r = row(parameter)) {
        setLocked(*r, !ticked);
        r->write->setVisible(ticked);
    }
}

void ParameterForm::digitalOutputTypePicked(const QString& text) {
    Row* span = row(MeterRegister::FrequencyOutputSpan);
    Row* kFactor = row(MeterRegister::KFactor);
    if (!span || !kFactor)
        return;
    if (text == QLatin1String("Frequency")) {
        setWritable(*span, true);
        setWritable(*kFactor, false);
    } else if (text == QLatin1String("Pulse")) {
        setWritable(*span, false);
        setWritable(*kFactor, true);
    }
}

void ParameterForm::setLocked(Row& r, bool locked) {
    if (r.edit)
        r.edit->setReadOnly(locked);
    else
        r.list->setLocked(locked);
}

void ParameterForm::setWritable(Row& r, bool writable) {
    if (!r.parameter->writtenIn(m_window))
        return;
    if (!writable) {
        r.allowWrite->setChecked(false);
        setLocked(r, true);
        r.write->hide();
    }
    // A field made writable stays locked until its box is ticked.
    r.field()->setEnabled(writable);
    r.allowWrite->setEnabled(writable);
}
