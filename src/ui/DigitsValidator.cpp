#include "DigitsValidator.h"

#include <QRegularExpression>
#include <QRegularExpressionValidator>

QValidator* digitsValidator(QObject* parent, int maxDigits) {
    const QString pattern =
        maxDigits > 0 ? QStringLiteral("[0-9]{0,%1}").arg(maxDigits) : QStringLiteral("[0-9]*");
    return new QRegularExpressionValidator(QRegularExpression(pattern), parent);
}
