#include "ServerTestSupport.h"
#include "support/LoopbackHttpServer.h"

#include <QJsonArray>
#include <QTcpSocket>
#include <csignal>
#include <thread>

using namespace vantorel::test;

namespace {

TEST(ServerOperation, TwoProcessesOnOnePostgresServeOneSessionAlternately) {
    TestDatabase db("postgresql");
    ASSERT_FALSE(db.failed()) << db.why().toStdString();
    BackendServer a(db.location), b(db.location);
    ASSERT_FALSE(a.url().isEmpty()) << a.error().toStdString();
    ASSERT_FALSE(b.url().isEmpty()) << b.error().toStdString();
    ApiClient first(a.port()), second(b.port());

    const QString token = first.signUp("lin@example.com");
    ASSERT_FALSE(token.isEmpty());
    ASSERT_EQ(b.admin({"add", "lin@example.com"}), 0);
    ASSERT_EQ(second.post("/api/feedback", {{"message", "from b"}, {"category", "bug"}}, token).status, 201);
    EXPECT_EQ(first.get("/api/admin/feedback", token).json.value("feedback").toArray().size(), 1);
    // Ten failed sign-ins for one email, counted across processes: the next is refused, even with the right password.
    for (int i = 0; i < 10; ++i)
        (i % 2 ? first : second).post("/api/auth/sign-in", {{"email", "lin@example.com"}, {"password", "nope"}});
    EXPECT_EQ(
        first.post("/api/auth/sign-in", {{"email", "Lin@example.com"}, {"password", "correct horse battery"}}).status,
        429);
    EXPECT_EQ(second.request("POST", "/api/auth/sign-out", {}, token).status, 204);
    EXPECT_EQ(first.get("/api/admin/feedback", token).status, 401);
}

TEST(ServerOperation, SigtermLetsTheRequestInProgressFinish) {
    TestDatabase db("postgresql");
    ASSERT_FALSE(db.failed()) << db.why().toStdString();
    BackendServer server(db.location);
    ASSERT_FALSE(server.url().isEmpty()) << server.error().toStdString();
    const QString name = db.location.section('/', 3, 3).section('?', 0, 0);

    // Another client holds the feedback table, so the next submission waits inside its handler.
    // The ceiling only ends a test that would otherwise hang.
    const auto eventually = [](const std::function<bool()>& condition) { return waitUntil(condition, {}, 60000); };
    QProcess* lock = db.cluster()->openSession(name);
    lock->write("BEGIN; LOCK TABLE feedback IN ACCESS EXCLUSIVE MODE;\n");
    lock->waitForBytesWritten(10000);
    ASSERT_TRUE(eventually([&] {
        return db.cluster()->psql(
                   name, "SELECT count(*) FROM pg_locks l JOIN pg_class c ON c.oid = l.relation "
                         "WHERE c.relname = 'feedback' AND l.mode = 'AccessExclusiveLock' AND l.granted") == "1";
    }));
    Answer answer;
    std::thread request([&] {
        ApiClient api(server.port());
        answer = api.post("/api/feedback", {{"message", "sent while stopping"}, {"category", "general"}});
    });
    const bool waiting = eventually([&] {
        return db.cluster()->psql(name, "SELECT count(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock' AND "
                                        "query LIKE 'INSERT INTO feedback%'") == "1";
    });
    EXPECT_TRUE(waiting);

    ::kill(static_cast<pid_t>(server.process().processId()), SIGTERM);
    // The listener closes at once: new connections are refused while the request still waits.
    EXPECT_TRUE(eventually([&] {
        QTcpSocket probe;
        probe.connectToHost(QStringLiteral("127.0.0.1"), static_cast<quint16>(server.port()));
        return !probe.waitForConnected(2000);
    }));
    EXPECT_EQ(server.process().state(), QProcess::Running);
    lock->write("COMMIT;\n");
    lock->waitForBytesWritten(10000);
    request.join();
    EXPECT_EQ(answer.status, 201) << answer.body;
    ASSERT_TRUE(server.process().waitForFinished(30000));
    EXPECT_EQ(server.process().exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(server.process().exitCode(), 0);
    EXPECT_EQ(db.cluster()->psql(name, "SELECT message FROM feedback"), "sent while stopping");
}

TEST(ServerOperation, LimitsFailedSignInsPerAddressAndLogsNoSecrets) {
    BackendServer server;
    ASSERT_FALSE(server.url().isEmpty()) << server.error().toStdString();
    ApiClient api(server.port());
    const QString password = "a secret passphrase";
    const QString token = api.signUp("quiet@example.com", password);
    ASSERT_FALSE(token.isEmpty());
    api.post("/api/feedback", {{"message", "private words"}, {"category", "bug"}}, token);
    api.post("/api/auth/sign-in", {{"email", "quiet@example.com"}, {"password", "wrong " + password}});
    // Failed sign-ins are limited per address too, across emails.
    for (int i = 0; i < 29; ++i)
        api.post("/api/auth/sign-in", {{"email", QStringLiteral("user%1@example.com").arg(i)}, {"password", "guess"}});
    EXPECT_EQ(api.post("/api/auth/sign-in", {{"email", "someone@example.com"}, {"password", "guess"}}).status, 429);
    ASSERT_TRUE(server.stop());
    const QString log = server.log();
    EXPECT_TRUE(log.contains("\"POST /api/feedback\" 201")) << log.toStdString();
    for (const QString& secret : {password, token, QStringLiteral("private words"), QStringLiteral("quiet@")})
        EXPECT_FALSE(log.contains(secret)) << secret.toStdString();
}

} // namespace
