#pragma once

// A small HTTP/1.1 server on the loopback interface that serves the files of one
// folder, for the player to fetch media and subtitles from as it would from the
// network. It answers single byte ranges (libvlc's http access seeks with them),
// keeps connections alive, and has paths that accept a request and never answer,
// for a source that hangs. Canned answers (any status, any body) can be set for
// single paths.

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QSet>
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

    // Requests for this path, or for any path given to silence(), are read and
    // left unanswered.
    static constexpr const char* kSilentPath = "/silent";

    explicit HttpServer(const QString& root, QObject* parent = nullptr);

    // Listens on 127.0.0.1 at a port the system picks.
    bool listen();
    quint16 port() const { return server_.serverPort(); }
    QUrl url(const QString& path) const;

    QList<Request> requests() const { return requests_; }
    int requestCount(const QString& path) const;

    // Answers every request for `path` with this status and body instead of a file.
    void serve(const QString& path, int status, const QByteArray& body,
               const QByteArray& contentType = "text/plain; charset=utf-8");
    void silence(const QString& path) { silent_.insert(path); }
    // The file at `path` is served whole, as by a server without byte ranges: no
    // "Accept-Ranges", and a Range header is ignored.
    void serveWithoutRanges(const QString& path) { noRanges_.insert(path); }
    // The first request for `path` gets its headers and only the first `bytes`
    // of its body before the connection ends; every later one is reset at once:
    // a connection that died for good.
    void dieAfter(const QString& path, qint64 bytes) { dying_.insert(path, {bytes, false}); }
    // Requests for `path` are answered `ms` late, the connection closed after.
    void delayAnswers(const QString& path, int ms) { delayed_.insert(path, ms); }
    // How many unanswered connections for `path` the client has given up on.
    int hangUps(const QString& path) const { return hangUps_.value(path); }

private:
    void accept();
    void readFrom(QTcpSocket* socket);
    // Answers one request; false when the connection is to be closed afterwards.
    bool answer(QTcpSocket* socket, const Request& request, bool keepAlive);
    void respond(QTcpSocket* socket, int status, const QList<QByteArray>& headers,
                 const QByteArray& body, bool withBody);

    struct Canned {
        int status = 200;
        QByteArray body;
        QByteArray contentType;
    };

    QString root_;
    QHash<QTcpSocket*, QByteArray> pending_; // bytes of requests not yet complete
    QHash<QTcpSocket*, QString> waiting_;    // unanswered connections, by path
    QHash<QString, int> hangUps_;
    QHash<QString, Canned> canned_;
    QSet<QString> silent_;
    QSet<QString> noRanges_;
    struct Dying {
        qint64 bytes = 0;
        bool died = false;
    };
    QHash<QString, Dying> dying_;
    QHash<QString, int> delayed_;
    QList<Request> requests_;
    // Last, so destroyed first: its sockets still find the tables above when
    // they report their disconnection on the way out.
    QTcpServer server_;
};

} // namespace velmo::e2e
