#pragma once

#include <QByteArray>
#include <QSize>
#include <QStringList>
#include <QUrl>

// Headless Chromium for what only a browser sees: the DOM a page's script
// has built, and how the page looks. It waits in an event loop, so a
// server on the test's own thread goes on answering meanwhile.
namespace Chromium {

// chromium or chromium-browser; empty when neither is installed.
QString program();
inline QString skipReason() {
    return QStringLiteral("Chromium is not installed (Debian package chromium)");
}
// The DOM once the page's script has run for 5 s of virtual time; empty
// when the browser failed or outlasted the timeout.
QByteArray dumpDom(const QUrl& url, int timeoutMs = 60000);
// A PNG of the page drawn at `size`; false when none was written.
bool screenshot(const QUrl& url, const QString& pngFile, QSize size = {412, 915},
                int timeoutMs = 60000);

} // namespace Chromium
