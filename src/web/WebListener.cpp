#include "WebListener.h"
#include "RequestGate.h"
#include "StationStateBox.h"
#include "WebPages.h"

#include <QFile>
#include <QHttpServer>
#include <QHttpServerRequest>
#include <QHttpServerResponder>
#include <QSslCertificate>
#include <QSslKey>
#include <QSslSocket>

namespace {

// The certificate chain and key for HTTPS, or why they cannot be used.
std::optional<QSslConfiguration> tlsFrom(const WebSettings& settings, QString* error) {
    if (!QSslSocket::supportsSsl()) {
        *error = QStringLiteral("TLS is not available on this system");
        return std::nullopt;
    }
    if (settings.certificateFile.isEmpty() || settings.keyFile.isEmpty()) {
        *error = QStringLiteral("HTTPS needs both a certificate and its key");
        return std::nullopt;
    }
    const QList<QSslCertificate> chain = QSslCertificate::fromPath(settings.certificateFile);
    if (chain.isEmpty()) {
        *error = QStringLiteral("the certificate %1 cannot be read").arg(settings.certificateFile);
        return std::nullopt;
    }
    QFile keyFile(settings.keyFile);
    if (!keyFile.open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("the key %1 cannot be read: %2")
                     .arg(settings.keyFile, keyFile.errorString());
        return std::nullopt;
    }
    const QByteArray pem = keyFile.readAll();
    QSslKey key(pem, QSsl::Rsa);
    if (key.isNull())
        key = QSslKey(pem, QSsl::Ec);
    if (key.isNull()) {
        *error = QStringLiteral("the key %1 is not a PEM RSA or EC key").arg(settings.keyFile);
        return std::nullopt;
    }
    QSslConfiguration tls = QSslConfiguration::defaultConfiguration();
    tls.setLocalCertificateChain(chain);
    tls.setPrivateKey(key);
    tls.setPeerVerifyMode(QSslSocket::VerifyNone);
    return tls;
}

} // namespace

WebListener::WebListener(const StationStateBox& box, WebSettings settings)
    : m_box(box), m_settings(std::move(settings)) {}

WebListener::~WebListener() = default;

qint64 WebListener::refused() const {
    return m_gate ? m_gate->counts().refused.load() : 0;
}

qint64 WebListener::dropped() const {
    return m_gate ? m_gate->counts().dropped.load() : 0;
}

QString WebListener::listen() {
    std::optional<QSslConfiguration> tls;
    if (m_settings.usesTls()) {
        QString error;
        tls = tlsFrom(m_settings, &error);
        if (!tls)
            return error;
    }
    const QByteArray json = "application/json";
    const struct {
        QByteArray path;
        QByteArray type;
        Render render;
    } documents[] = {
        {"/", "text/html; charset=utf-8",
         [page = WebPages::statusPage()](const StationState&) { return page; }},
        {"/api/v1/station", json, &WebPages::stationJson},
        {"/api/v1/lines", json, &WebPages::linesJson},
        {"/api/v1/meters", json, &WebPages::metersJson},
        {"/api/v1/alarms", json, &WebPages::alarmsJson},
        {"/metrics", "text/plain; version=0.0.4; charset=utf-8", &WebPages::metrics},
    };
    m_http = new QHttpServer(this);
    QList<QByteArray> paths;
    for (const auto& document : documents) {
        serve(document.path, document.type, document.render);
        paths << document.path;
    }
    m_gate = new RequestGate(paths, m_settings.token, tls, this);
    if (!m_gate->listen(m_settings.address, m_settings.port))
        return QStringLiteral("cannot listen on %1:%2: %3")
            .arg(m_settings.address.toString())
            .arg(m_settings.port)
            .arg(m_gate->errorString());
    m_port = m_gate->serverPort();
    m_http->bind(m_gate);
    return {};
}

void WebListener::serve(const QByteArray& path, const QByteArray& type, Render render) {
    m_http->route(QString::fromLatin1(path), [this, path, type, render = std::move(render)](
                                                 const QHttpServerRequest& request,
                                                 QHttpServerResponder&& responder) {
        const std::shared_ptr<const StationState> state = m_box.get();
        Rendered& rendered = m_rendered[path];
        if (rendered.version != state->version)
            rendered = {state->version, render(*state)};
        ++m_served;
        // Written by hand: HEAD gets the length of what GET would, and no body.
        responder.writeStatusLine();
        responder.writeHeaders({{"Content-Type", type},
                                {"Content-Length", QByteArray::number(rendered.body.size())},
                                {"Cache-Control", "no-store"}});
        responder.writeBody(request.method() == QHttpServerRequest::Method::Head ? QByteArray()
                                                                                 : rendered.body);
    });
}
