#include "LoginWindow.h"

#include "DigitsValidator.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

// A green tick: enter the code.
QIcon tickIcon() {
    QPixmap pixmap(32, 32);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x2e, 0x8b, 0x3a), 4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath tick;
    tick.moveTo(6, 17);
    tick.lineTo(13, 24);
    tick.lineTo(26, 8);
    painter.drawPath(tick);
    return QIcon(pixmap);
}

// A small form with a slider: the everyday settings.
QIcon basicIcon() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(QColor(0x30, 0x50, 0x80), 1.5));
    for (int y : {4, 8, 12})
        painter.drawLine(2, y, 14, y);
    painter.setBrush(QColor(0x30, 0x50, 0x80));
    painter.drawEllipse(QPointF(5, 4), 1.8, 1.8);
    painter.drawEllipse(QPointF(11, 8), 1.8, 1.8);
    painter.drawEllipse(QPointF(7, 12), 1.8, 1.8);
    return QIcon(pixmap);
}

} // namespace

LoginWindow::LoginWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowTitle(QStringLiteral("Login"));

    auto* caption = new QLabel(QStringLiteral("Input password:"), this);
    m_code = new QLineEdit(this);
    m_code->setEchoMode(QLineEdit::Password);
    // Every typed character shows as "*", whatever the style's own choice.
    m_code->setStyleSheet(QStringLiteral("lineedit-password-character: 42"));
    m_code->setValidator(digitsValidator(m_code));
    m_code->setAccessibleName(QStringLiteral("Input password:"));
    caption->setBuddy(m_code);

    m_ok = new QPushButton(this);
    m_ok->setIcon(tickIcon());
    m_ok->setIconSize(QSize(24, 24));
    // The focus comes here on a right code: Enter then opens the window.
    m_ok->setAutoDefault(true);
    m_ok->setAccessibleName(QStringLiteral("OK"));
    m_ok->setToolTip(QStringLiteral("OK"));
    m_ok->setFocusPolicy(Qt::StrongFocus);

    m_basic = new QToolButton(this);
    m_basic->setIcon(basicIcon());
    m_basic->setIconSize(QSize(12, 12));
    m_basic->setAutoRaise(true);
    m_basic->setAccessibleName(QStringLiteral("Basic parameter setup"));
    m_basic->setToolTip(QStringLiteral("Basic parameter setup"));

    auto* row = new QHBoxLayout;
    row->addWidget(caption);
    row->addWidget(m_code, 1);
    row->addWidget(m_ok);

    auto* statusBar = new QStatusBar(this);
    statusBar->setSizeGripEnabled(false);
    m_status = new QLabel(statusBar);
    // Named by its text, so a screen reader reads the notice itself.
    m_status->setAccessibleDescription(QStringLiteral("Status"));
    statusBar->addWidget(m_status, 1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 24, 12, 0);
    layout->addLayout(row);
    layout->addStretch();
    layout->addWidget(statusBar);

    connect(m_code, &QLineEdit::textChanged, this, &LoginWindow::codeChanged);
    connect(m_code, &QLineEdit::returnPressed, this, &LoginWindow::ok);
    connect(m_ok, &QPushButton::clicked, this, &LoginWindow::ok);
    connect(m_basic, &QToolButton::clicked, this, &LoginWindow::openBasic);

    resize(340, 120);
}

QString LoginWindow::statusText() const {
    return m_status->text();
}

void LoginWindow::codeChanged(const QString& text) {
    if (text == QLatin1String(FullCode) || text == QLatin1String(BasicCode))
        m_ok->setFocus();
}

void LoginWindow::ok() {
    const QString code = m_code->text();
    if (code == QLatin1String(BasicCode) || code == QLatin1String(FullCode)) {
        m_code->clear();
        m_status->clear();
        hide();
        if (code == QLatin1String(BasicCode))
            emit basicRequested();
        else
            emit fullRequested();
        return;
    }
    m_status->setText(QStringLiteral("Notice: Worry password"));
}

void LoginWindow::openBasic() {
    hide();
    emit basicRequested();
}

void LoginWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    // The small button keeps to the top-right corner.
    m_basic->adjustSize();
    m_basic->move(width() - m_basic->width() - 2, 2);
}
