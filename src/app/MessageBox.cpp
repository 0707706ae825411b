#include "MessageBox.h"

#include <QMessageBox>

namespace {

MessageBox::Handler& handler() {
    static MessageBox::Handler current;
    return current;
}

} // namespace

namespace MessageBox {

void critical(QWidget* parent, const QString& title, const QString& text) {
    if (handler()) {
        handler()(parent, title, text);
        return;
    }
    QMessageBox::critical(parent, title, text, QMessageBox::Ok);
}

void setHandler(Handler replacement) {
    handler() = std::move(replacement);
}

} // namespace MessageBox
