#pragma once

#include <QByteArray>
#include <QNetworkAccessManager>
#include <QObject>
#include <QUrl>

#include <functional>
#include <utility>
#include <vector>

namespace moravel::sync {

struct DavReply {
    int status = 0; // HTTP status; 0 when no answer came
    QByteArray body;
    QString etag;         // the ETag header, quotes kept
    QString networkError; // why no answer came (in Qt's words, for the log)
    bool timedOut = false;
};

// WebDAV requests to one server with Basic authentication, each with a time limit. HTTPS is
// checked against the system's certificates (Qt's default); a redirect is followed only to the
// same server and never from HTTPS to HTTP.
class DavClient : public QObject {
    Q_OBJECT
public:
    using Headers = std::vector<std::pair<QByteArray, QByteArray>>;
    using Done = std::function<void(const DavReply&)>;

    DavClient(const QString& user, const QString& password, int timeoutMs, QObject* parent = nullptr);

    void send(const QByteArray& method, const QUrl& url, const QByteArray& body, const Headers& headers,
              Done done);
    int sent() const { return m_sent; }

Q_SIGNALS:
    void requestSent(int count);

private:
    QNetworkAccessManager m_network;
    QByteArray m_authorization;
    int m_timeoutMs;
    int m_sent = 0;
};

} // namespace moravel::sync
