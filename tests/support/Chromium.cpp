#include "Chromium.h"

#include <QEventLoop>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTimer>

namespace {

// Empty when it failed; else its output, or "ok" when it printed nothing.
QByteArray run(const QStringList& arguments, int timeoutMs) {
    // A profile of its own each time: nothing cached, no lock left by another run.
    QTemporaryDir profile;
    QProcess process;
    process.setStandardErrorFile(QProcess::nullDevice());
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QObject::connect(&process, &QProcess::errorOccurred, &loop, &QEventLoop::quit);
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    process.start(Chromium::program(),
                  QStringList{"--headless=new", "--no-sandbox", "--disable-gpu",
                              "--virtual-time-budget=5000", "--user-data-dir=" + profile.path()} +
                      arguments);
    loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(5000);
        return {};
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return {};
    const QByteArray output = process.readAllStandardOutput();
    return output.isEmpty() ? QByteArrayLiteral("ok") : output;
}

} // namespace

QString Chromium::program() {
    const QString found = QStandardPaths::findExecutable("chromium");
    return found.isEmpty() ? QStandardPaths::findExecutable("chromium-browser") : found;
}

QByteArray Chromium::dumpDom(const QUrl& url, int timeoutMs) {
    return run({"--dump-dom", url.toString()}, timeoutMs);
}

bool Chromium::screenshot(const QUrl& url, const QString& pngFile, QSize size, int timeoutMs) {
    QFile::remove(pngFile);
    const QString window =
        QStringLiteral("--window-size=%1,%2").arg(size.width()).arg(size.height());
    return !run({"--screenshot=" + pngFile, window, "--hide-scrollbars", url.toString()}, timeoutMs)
                .isEmpty() &&
           QFile::exists(pngFile);
}
