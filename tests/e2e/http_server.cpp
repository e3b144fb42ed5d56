#include "http_server.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QTcpSocket>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace velmo::e2e {

namespace {

// Request heads are small; a client that sends more without a blank line is not
// speaking HTTP.
constexpr qsizetype kMaxHead = 64 * 1024;

struct ByteRange {
    enum class Kind { Whole, Part, Unsatisfiable };
    Kind kind = Kind::Whole;
    qint64 first = 0;
    qint64 last = 0;
};

std::optional<qint64> parseCount(const QByteArray& text) {
    if (text.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qint64 value = text.toLongLong(&ok);
    return ok && value >= 0 ? std::optional<qint64>(value) : std::nullopt;
}

// Reads a Range header against a body of `size` bytes. Only one range is served;
// several, or a header that cannot be read, get the whole body, which a server
// may always answer instead.
ByteRange parseRange(const QByteArray& header, qint64 size) {
    ByteRange range;
    const QByteArray rangeText = header.trimmed();
    if (!rangeText.startsWith("bytes=") || rangeText.contains(','))
        return range;
    const QByteArray value = rangeText.mid(6).trimmed();
    const qsizetype dash = value.indexOf('-');
    if (dash < 0)
        return range;
    const std::optional<qint64> from = parseCount(value.left(dash).trimmed());
    const std::optional<qint64> to = parseCount(value.mid(dash + 1).trimmed());
    if (!from && !to)
        return range;
    if (!from) { // the last *to bytes
        if (*to == 0 || size == 0) {
            range.kind = ByteRange::Kind::Unsatisfiable;
            return range;
        }
        range.kind = ByteRange::Kind::Part;
        range.first = std::max<qint64>(0, size - *to);
        range.last = size - 1;
        return range;
    }
    if (to && *to < *from)
        return range;
    if (*from >= size) {
        range.kind = ByteRange::Kind::Unsatisfiable;
        return range;
    }
    range.kind = ByteRange::Kind::Part;
    range.first = *from;
    range.last = to ? std::min(*to, size - 1) : size - 1;
    return range;
}

QByteArray reason(int status) {
    switch (status) {
    case 200:
        return "OK";
    case 206:
        return "Partial Content";
    case 400:
        return "Bad Request";
    case 404:
        return "Not Found";
    case 416:
        return "Range Not Satisfiable";
    case 500:
        return "Internal Server Error";
    case 501:
        return "Not Implemented";
    default:
        return "Unknown";
    }
}

} // namespace

HttpServer::HttpServer(const QString& root, QObject* parent)
    : QObject(parent), root_(QFileInfo(root).canonicalFilePath()) {
    connect(&server_, &QTcpServer::newConnection, this, &HttpServer::accept);
}

bool HttpServer::listen() {
    return server_.listen(QHostAddress::LocalHost, 0);
}

QUrl HttpServer::url(const QString& path) const {
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(port());
    url.setPath(path);
    return url;
}

void HttpServer::serve(const QString& path, int status, const QByteArray& body,
                       const QByteArray& contentType) {
    canned_.insert(path, Canned{status, body, contentType});
}

int HttpServer::requestCount(const QString& path) const {
    return int(std::count_if(requests_.cbegin(), requests_.cend(),
                             [&](const Request& r) { return r.path == path; }));
}

void HttpServer::accept() {
    while (QTcpSocket* socket = server_.nextPendingConnection()) {
        pending_.insert(socket, {});
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { readFrom(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            pending_.remove(socket);
            const auto waiting = waiting_.find(socket);
            if (waiting != waiting_.end()) {
                ++hangUps_[waiting.value()];
                waiting_.erase(waiting);
            }
            socket->deleteLater();
        });
    }
}

void HttpServer::readFrom(QTcpSocket* socket) {
    auto found = pending_.find(socket);
    if (found == pending_.end())
        return; // silenced or closing: what it sends is not read
    QByteArray& buffer = found.value();
    buffer += socket->readAll();
    // Clients may send the next request before the answer to the last one.
    for (;;) {
        const qsizetype end = buffer.indexOf("\r\n\r\n");
        if (end < 0) {
            if (buffer.size() > kMaxHead) {
                pending_.remove(socket);
                respond(socket, 400, {}, {}, false);
                socket->disconnectFromHost();
            }
            return;
        }
        const QList<QByteArray> lines = buffer.left(end).split('\n');
        buffer.remove(0, end + 4);

        const QList<QByteArray> start = lines.value(0).trimmed().split(' ');
        Request request;
        request.method = start.value(0);
        const QByteArray target = start.value(1);
        const QByteArray version = start.value(2);
        const qsizetype query = target.indexOf('?');
        request.path = QUrl::fromPercentEncoding(query < 0 ? target : target.left(query));
        bool keepAlive = version == "HTTP/1.1";
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const QByteArray line = lines[i].trimmed();
            const qsizetype colon = line.indexOf(':');
            if (colon <= 0)
                continue;
            const QByteArray name = line.left(colon).trimmed().toLower();
            const QByteArray value = line.mid(colon + 1).trimmed();
            if (name == "range")
                request.range = value;
            else if (name == "connection")
                keepAlive =
                    value.toLower() == "keep-alive" || (keepAlive && value.toLower() != "close");
        }
        requests_.append(request);

        if (request.path == QLatin1String(kSilentPath) || silent_.contains(request.path)) {
            pending_.remove(socket); // accepted, read, and never answered
            waiting_.insert(socket, request.path);
            return;
        }
        if (const auto late = delayed_.constFind(request.path); late != delayed_.cend()) {
            pending_.remove(socket);
            QTimer::singleShot(*late, socket, [this, socket, request] {
                answer(socket, request, false);
                socket->disconnectFromHost();
            });
            return;
        }
        if (!answer(socket, request, keepAlive)) {
            pending_.remove(socket);
            socket->disconnectFromHost();
            return;
        }
    }
}

bool HttpServer::answer(QTcpSocket* socket, const Request& request, bool keepAlive) {
    const QByteArray connection = keepAlive ? "Connection: keep-alive" : "Connection: close";
    const bool head = request.method == "HEAD";
    if (request.method != "GET" && !head) {
        respond(socket, 501, {"Content-Type: text/plain", "Connection: close"}, "not implemented\n",
                true);
        return false;
    }
    const auto canned = canned_.constFind(request.path);
    if (canned != canned_.cend()) {
        respond(socket, canned->status, {"Content-Type: " + canned->contentType, connection},
                canned->body, !head);
        return keepAlive;
    }
    // Only files inside the root: "..", links out of it and folders are not found.
    const QFileInfo file(QDir(root_).filePath(request.path.mid(1)));
    const QString canonical = file.canonicalFilePath();
    if (request.path.isEmpty() || !request.path.startsWith(QLatin1Char('/')) || !file.isFile() ||
        !canonical.startsWith(root_ + QLatin1Char('/'))) {
        respond(socket, 404, {"Content-Type: text/plain; charset=utf-8", connection}, "not found\n",
                !head);
        return keepAlive;
    }
    const qint64 size = file.size();
    const QByteArray type =
        QMimeDatabase().mimeTypeForFile(file, QMimeDatabase::MatchExtension).name().toLatin1();
    const auto dying = dying_.find(request.path);
    if (dying != dying_.end() && dying->died) {
        socket->abort(); // reset: the server is gone
        return false;
    }
    const bool ranges = !noRanges_.contains(request.path);
    const ByteRange range = ranges ? parseRange(request.range, size) : ByteRange{};
    if (range.kind == ByteRange::Kind::Unsatisfiable) {
        respond(socket, 416,
                {"Content-Range: bytes */" + QByteArray::number(size), "Accept-Ranges: bytes",
                 connection},
                {}, false);
        return keepAlive;
    }
    const qint64 first = range.kind == ByteRange::Kind::Part ? range.first : 0;
    const qint64 length = range.kind == ByteRange::Kind::Part ? range.last - first + 1 : size;
    QByteArray body;
    if (!head) {
        QFile in(canonical);
        if (!in.open(QIODevice::ReadOnly) || !in.seek(first))
            return false;
        body = in.read(length);
        if (body.size() != length)
            return false;
    }
    QList<QByteArray> headers = {"Content-Type: " + type,
                                 "Content-Length: " + QByteArray::number(length), connection};
    if (ranges)
        headers.append("Accept-Ranges: bytes");
    if (range.kind == ByteRange::Kind::Part) {
        headers.append("Content-Range: bytes " + QByteArray::number(first) + '-' +
                       QByteArray::number(first + length - 1) + '/' + QByteArray::number(size));
    }
    if (dying != dying_.end()) {
        dying->died = true;
        body.truncate(std::max<qint64>(0, dying->bytes - first));
        respond(socket, range.kind == ByteRange::Kind::Part ? 206 : 200, headers, body, !head);
        return false; // the rest never comes
    }
    respond(socket, range.kind == ByteRange::Kind::Part ? 206 : 200, headers, body, !head);
    return keepAlive;
}

void HttpServer::respond(QTcpSocket* socket, int status, const QList<QByteArray>& headers,
                         const QByteArray& body, bool withBody) {
    QByteArray out = "HTTP/1.1 " + QByteArray::number(status) + ' ' + reason(status) + "\r\n";
    bool hasLength = false;
    for (const QByteArray& header : headers) {
        out += header + "\r\n";
        hasLength = hasLength || header.startsWith("Content-Length:");
    }
    if (!hasLength)
        out += "Content-Length: " + QByteArray::number(body.size()) + "\r\n";
    out += "\r\n";
    if (withBody)
        out += body;
    socket->write(out);
}

} // namespace velmo::e2e
