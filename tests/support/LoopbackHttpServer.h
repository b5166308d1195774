#pragma once

#include <QByteArray>
#include <QHash>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QUrl>
#include <functional>
#include <optional>
#include <vector>

namespace vantorel::test {

// A real HTTP/1.1 server on 127.0.0.1 and a port of the system's choosing, for
// the program's HTTP clients. Each request is recorded and answered with the
// scripted reply; a server told to hold its answers keeps the connection open
// and says nothing.
class LoopbackHttpServer : public QObject {
    Q_OBJECT
public:
    struct Request {
        QByteArray method;
        QByteArray path;
        QHash<QByteArray, QByteArray> headers; // names lower-cased
        QByteArray body;
    };
    struct Reply {
        int status = 200;
        QByteArray body;
        QByteArray contentType = "application/json";
    };

    // Port 0: one the system picks.
    explicit LoopbackHttpServer(quint16 port = 0);
    quint16 port() const { return server_.serverPort(); }
    // http://127.0.0.1:PORT + path
    QUrl url(const QString& path) const;

    // Answers by "METHOD /path" (the query left out); any other request gets `reply`.
    void answer(const QByteArray& route, Reply r) { replies_.insert(route, std::move(r)); }

    Reply reply;
    bool holdAnswers = false;
    std::vector<Request> requests;

private:
    void readFrom(QTcpSocket* socket);

    QTcpServer server_;
    QHash<QTcpSocket*, QByteArray> buffers_;
    QHash<QByteArray, Reply> replies_;
};

// Runs the event loop (and the given step, e.g. a manual scheduler's pending
// work) until the condition holds; false when it does not within the ceiling.
bool waitUntil(const std::function<bool()>& condition, const std::function<void()>& step = {}, int ceilingMs = 20000);

} // namespace vantorel::test
