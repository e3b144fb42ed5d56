#pragma once

// A small HTTP/1.1 server on the loopback interface that serves the files of one
// folder, for the player to fetch media and subtitles from as it would from the
// network. It answers single byte ranges (libvlc's http access seeks with them),
// keeps connections alive, and has one path that accepts a request and never
// answers, for a source that hangs.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QString>
#include <QTcpServer>
#include <QUrl>

class QTcpSocket;

namespace velmo::e2e {

class HttpServer : public QObject {
    Q_OBJECT

public:
    // A request as it was received.
    struct Request {
        QByteArray method;
        QString path;
        QByteArray range; // the Range header, empty when absent
    };

    // Requests for this path are read and left unanswered.
    static constexpr const char* kSilentPath = "/silent";

    explicit HttpServer(const QString& root, QObject* parent = nullptr);

    // Listens on 127.0.0.1 at a port the system picks.
    bool listen();
    quint16 port() const { return server_.serverPort(); }
    QUrl url(const QString& path) const;

    QList<Request> requests() const { return requests_; }
    int requestCount(const QString& path) const;

private:
    void accept();
    void readFrom(QTcpSocket* socket);
    // Answers one request; false when the connection is to be closed afterwards.
    bool answer(QTcpSocket* socket, const Request& request, bool keepAlive);
    void respond(QTcpSocket* socket, int status, const QList<QByteArray>& headers,
                 const QByteArray& body, bool withBody);

    QString root_;
    QHash<QTcpSocket*, QByteArray> pending_; // bytes of requests not yet complete
    QList<Request> requests_;
    // Last, so destroyed first: its sockets still find the tables above when
    // they report their disconnection on the way out.
    QTcpServer server_;
};

} // namespace velmo::e2e
