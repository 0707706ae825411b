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

void BasicParameterWindow::setFieldText(int reg, const QString& text) {
    if (reg == ParameterTable::serialNumber().reg)
        m_serialNumber->setText(text);
    else
        ParameterWindowBase::setFieldText(reg, text); // parameters not shown here are ignored
}

QString BasicParameterWindow::serialNumberText() const {
    return m_serialNumber->text();
}
