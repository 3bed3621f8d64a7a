#include "DavClient.h"

#include <QBuffer>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace moravel::sync {

DavClient::DavClient(const QString& user, const QString& password, int timeoutMs, QObject* parent)
    : QObject(parent), m_timeoutMs(timeoutMs) {
    if (!user.isEmpty())
        m_authorization = "Basic " + QByteArray(user.toUtf8() + ':' + password.toUtf8()).toBase64();
    m_network.setRedirectPolicy(QNetworkRequest::SameOriginRedirectPolicy);
}

void DavClient::send(const QByteArray& method, const QUrl& url, const QByteArray& body,
                     const Headers& headers, Done done) {
    QNetworkRequest request(url);
    request.setTransferTimeout(m_timeoutMs);
    if (!m_authorization.isEmpty())
        request.setRawHeader("Authorization", m_authorization);
    for (const auto& [name, value] : headers)
        request.setRawHeader(name, value);
    auto* buffer = new QBuffer;
    buffer->setData(body);
    buffer->open(QIODevice::ReadOnly);
    QNetworkReply* reply = m_network.sendCustomRequest(request, method, buffer);
    buffer->setParent(reply);
    ++m_sent;
    Q_EMIT requestSent(m_sent);
    connect(reply, &QNetworkReply::finished, this, [reply, done = std::move(done)] {
        DavReply answer;
        answer.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        answer.body = reply->readAll();
        answer.etag = QString::fromUtf8(reply->rawHeader("ETag"));
        if (answer.status == 0) {
            answer.networkError = reply->errorString();
            answer.timedOut = reply->error() == QNetworkReply::OperationCanceledError ||
                              reply->error() == QNetworkReply::TimeoutError;
        }
        reply->deleteLater();
        done(answer);
    });
}

} // namespace moravel::sync
