#include "SimulatedLine.h"

#include "LineTable.h"
#include "LoginWindow.h"
#include "PortLocator.h"
#include "QtSerialPort.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QThread>

namespace {

QStringList lines(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return {};
    return QString::fromLatin1(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

SimulatedLine::SimulatedLine(const QString& programFolder, const QStringList& arguments,
                             const QString& logFolder, const QString& link)
    : m_folder(logFolder.isEmpty() ? programFolder : logFolder) {
    const QString path = QDir(programFolder).filePath(link);
    const QDir logs(m_folder);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(METER_SIM_PATH),
                    arguments + QStringList{"--link", path, "--log", logs.filePath("requests.log"),
                                            "--reply-log", logs.filePath("replies.log")});
    const QDeadlineTimer deadline(5000);
    while (!m_started && m_process.waitForStarted(5000) && !deadline.hasExpired()) {
        m_started = QFileInfo::exists(path);
        QThread::msleep(10);
    }
}

SimulatedLine::~SimulatedLine() {
    m_process.terminate();
    if (!m_process.waitForFinished(3000))
        m_process.kill();
    m_process.waitForFinished(3000);
}

QStringList SimulatedLine::requests() const {
    return lines(QDir(m_folder).filePath("requests.log"));
}

QStringList SimulatedLine::replies() const {
    QStringList hex;
    for (const QString& line : lines(QDir(m_folder).filePath("replies.log")))
        hex << line.section(QLatin1Char(' '), 1);
    return hex;
}

StartingDatabase::Line fastLine(int number, QList<int> meters) {
    StartingDatabase::Line line{LineTable::startingLine(number), std::move(meters)};
    line.settings.baud = QStringLiteral("115200");
    line.settings.pollPeriod = 1;
    return line;
}

ToolOnLine::ToolOnLine(const StartingDatabase::Options& options, const QStringList& simArguments)
    : folder(options), line(folder.path(), simArguments),
      window(std::make_unique<MainWindow>(
          folder.path(), std::make_unique<QtSerialPort>(PortLocator(folder.path())))) {}

ParameterWindow* ToolOnLine::openParameterWindow() {
    window->meterParameterSetup();
    LoginWindow* login = window->loadedLoginWindow();
    login->codeBox()->setText(LoginWindow::FullCode);
    QTest::keyClick(login->okButton(), Qt::Key_Return);
    return window->loadedParameterWindow();
}
