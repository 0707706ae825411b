#pragma once

#include <QPushButton>

// A push button that screen readers announce by its text and its purpose.
inline QPushButton* describedButton(const QString& text, const QString& description,
                                    QWidget* parent) {
    auto* button = new QPushButton(text, parent);
    button->setAccessibleName(text);
    button->setAccessibleDescription(description);
    return button;
}
