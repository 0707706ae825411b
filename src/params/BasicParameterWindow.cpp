#include "BasicParameterWindow.h"

#include <QLineEdit>

BasicParameterWindow::BasicParameterWindow(const QString& programFolder, SerialExchange& exchange,
                                           ParameterBlockDispatcher& dispatcher, QWidget* parent)
    : ParameterWindowBase(ParameterWindowKind::Basic, programFolder, exchange, dispatcher, parent) {
    m_serialNumber = new QLineEdit(centralWidget());
    m_serialNumber->setObjectName(QStringLiteral("serialNumberBox"));
    m_serialNumber->setReadOnly(true);
    m_serialNumber->hide();
}

void BasicParameterWindow::setFieldText(const QString& caption, const QString& text) {
    const Parameter* parameter = ParameterTable::find(caption);
    if (parameter && parameter->fillsBasicSerialBox)
        m_serialNumber->setText(text);
    else
        ParameterWindowBase::setFieldText(caption, text); // captions not shown here are ignored
}

QString BasicParameterWindow::serialNumberText() const {
    return m_serialNumber->text();
}
