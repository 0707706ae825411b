#pragma once

#include <QString>
#include <functional>

class QWidget;

// The tool's one message box (critical icon, OK button) goes through here,
// so tests can take the text instead of blocking on a dialog.
namespace MessageBox {

using Handler = std::function<void(QWidget* parent, const QString& title, const QString& text)>;

void critical(QWidget* parent, const QString& title, const QString& text);

// Replaces the handler; an empty one restores the real dialog.
void setHandler(Handler handler);

} // namespace MessageBox
