#include "WebService.h"

#include "CredentialsFile.h"
#include "Station.h"
#include "StationStateBuilder.h"
#include "WebServer.h"

#include <QDir>
#include <QFileInfo>

WebService::WebService() = default;
WebService::~WebService() = default;

QString WebService::start(Station& station, const QString& dataFolder, const WebOptions& options) {
    const StoredWeb stored = station.storedWeb();
    const QString listen = options.listen.isEmpty() ? stored.listen : options.listen;
    if (listen.isEmpty())
        return {};
    QString problem;
    std::optional<WebSettings> settings = WebSettings::parse(listen, &problem);
    if (!settings)
        return QStringLiteral("web status not served: %1").arg(problem);
    if (options.certificateFile.isEmpty()) {
        settings->certificateFile = stored.certificateFile;
        settings->keyFile = stored.keyFile;
    } else {
        settings->certificateFile = options.certificateFile;
        settings->keyFile = options.keyFile;
    }
    QString tokenFile = options.tokenFile;
    if (tokenFile.isEmpty() && QFileInfo::exists(QDir(dataFolder).filePath("http-token")))
        tokenFile = QDir(dataFolder).filePath(QStringLiteral("http-token"));
    if (!tokenFile.isEmpty()) {
        const std::optional<QString> token = CredentialsFile::read(tokenFile, &problem);
        if (!token || token->trimmed().isEmpty())
            return QStringLiteral("web status not served: %1")
                .arg(token ? QStringLiteral("the token file %1 is empty").arg(tokenFile) : problem);
        settings->token = token->trimmed().toUtf8();
    }
    m_builder = std::make_unique<StationStateBuilder>(station, m_box);
    m_builder->start();
    m_server = std::make_unique<WebServer>(m_box);
    if (const QString error = m_server->start(*settings); !error.isEmpty()) {
        m_server.reset();
        m_builder.reset();
        return QStringLiteral("web status not served: %1").arg(error);
    }
    return QStringLiteral("web status at %1%2")
        .arg(m_server->url(), settings->token.isEmpty() ? QString() : QStringLiteral(" (token)"));
}

bool WebService::isServing() const {
    return m_server != nullptr;
}

QString WebService::url() const {
    return m_server ? m_server->url() : QString();
}
