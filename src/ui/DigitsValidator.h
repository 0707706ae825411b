#pragma once

class QObject;
class QValidator;

// For a box that takes digits only, `maxDigits` of them at the most (0: any
// number of them). It limits typing; a text set by the program is taken
// as it is.
QValidator* digitsValidator(QObject* parent, int maxDigits = 0);
