#include "SimulatedLine.h"
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
    const QDir dir(programFolder);
    const QDir logs(m_folder);
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start(QStringLiteral(METER_SIM_PATH),
                    arguments + QStringList{"--link", dir.filePath(link), "--log",
                                            logs.filePath("requests.log"), "--reply-log",
                                            logs.filePath("replies.log")});
    if (!m_process.waitForStarted(5000))
        return;
    const QDeadlineTimer deadline(5000);
    while (!deadline.hasExpired()) {
        if (QFileInfo::exists(dir.filePath(link))) {
            m_started = true;
            return;
        }
        QThread::msleep(10);
    }
}

SimulatedLine::~SimulatedLine() {
    stop();
}

void SimulatedLine::stop() {
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(3000)) {
        m_process.kill();
        m_process.waitForFinished(3000);
    }
}

void SimulatedLine::kill() {
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

ToolOnLine::ToolOnLine(const StartingDatabase::Options& options, const QStringList& simArguments,
                       const QString& under, const QString& logFolder)
    : folder(options, true, under), line(folder.path(), simArguments, logFolder),
      window(std::make_unique<MainWindow>(
          folder.path(), std::make_unique<QtSerialPort>(PortLocator(folder.path())))) {}

void ToolOnLine::login(const char* code) const {
    window->meterParameterSetup();
    LoginWindow* login = window->loadedLoginWindow();
    login->codeBox()->setText(QString::fromLatin1(code));
    QTest::keyClick(login->okButton(), Qt::Key_Return);
}
