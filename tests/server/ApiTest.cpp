#include "ServerTestSupport.h"

#include <QJsonArray>
#include <QTcpSocket>

using namespace vantorel::test;

namespace {

// The same suite on both engines.
class Api : public ::testing::TestWithParam<std::string> {
protected:
    void SetUp() override {
        db = std::make_unique<TestDatabase>(GetParam());
        ASSERT_FALSE(db->failed()) << db->why().toStdString();
        server = std::make_unique<BackendServer>(db->location);
        ASSERT_FALSE(server->url().isEmpty()) << server->error().toStdString();
        api = std::make_unique<ApiClient>(server->port());
    }
    std::unique_ptr<TestDatabase> db;
    std::unique_ptr<BackendServer> server;
    std::unique_ptr<ApiClient> api;
};

QStringList ids(const Answer& a) {
    QStringList out;
    for (const auto& item : a.json.value("feedback").toArray())
        out << item.toObject().value("id").toString();
    return out;
}

TEST_P(Api, AccountFeedbackAndInboxFromSignUpToSignOut) {
    const QString firstToken = api->signUp("Ada@Example.com");

    // Sign-in takes the email in any case and gives a new session.
    const QString token = api->signIn("ada@EXAMPLE.com");
    ASSERT_FALSE(token.isEmpty());
    EXPECT_NE(token, firstToken);

    const auto mine =
        api->post("/api/feedback",
                  {{"message", QString::fromUtf8("  The \"clock\" is late\\\n\tby 1 min \u2014 \U0001F600  ")},
                   {"category", "bug"},
                   {"appVersion", "1.1.3"}},
                  token);
    ASSERT_EQ(mine.status, 201) << mine.body;
    const QString mineId = mine.json.value("feedback").toObject().value("id").toString();
    const auto anonymous = api->post("/api/feedback", {{"message", "Nice bar"}, {"category", "idea"}});
    ASSERT_EQ(anonymous.status, 201) << anonymous.body;
    const QString anonymousId = anonymous.json.value("feedback").toObject().value("id").toString();

    // The inbox: 401 without a session, 403 for a normal user, 200 once the command line made an admin.
    EXPECT_EQ(api->get("/api/admin/feedback").status, 401);
    EXPECT_EQ(api->get("/api/admin/feedback", token).status, 403);
    QString out;
    ASSERT_EQ(server->admin({"add", "ADA@example.com"}, &out), 0) << out.toStdString();

    const auto inbox = api->get("/api/admin/feedback", token);
    ASSERT_EQ(inbox.status, 200) << inbox.body;
    EXPECT_EQ(ids(inbox), (QStringList{anonymousId, mineId})); // newest first
    const auto items = inbox.json.value("feedback").toArray();
    EXPECT_EQ(items[1].toObject().value("message").toString(),
              QString::fromUtf8("The \"clock\" is late\\\n\tby 1 min \u2014 \U0001F600"));
    EXPECT_EQ(items[1].toObject().value("userEmail").toString(), "Ada@Example.com");
    EXPECT_FALSE(items[0].toObject().contains("userEmail"));

    ASSERT_EQ(api->patch("/api/admin/feedback/" + mineId.toStdString(), {{"status", "resolved"}}, token).status, 200);
    EXPECT_EQ(ids(api->get("/api/admin/feedback?status=resolved", token)), QStringList{mineId});

    // Sign-out revokes the token on every endpoint; the other session lives on.
    EXPECT_EQ(api->request("POST", "/api/auth/sign-out", {}, token).status, 204);
    EXPECT_EQ(api->get("/api/admin/feedback", token).status, 401);
    EXPECT_EQ(api->get("/api/auth/session", firstToken).status, 200);
}

TEST_P(Api, SignUpAndSignInRefusals) {
    ASSERT_FALSE(api->signUp("grace@example.com").isEmpty());
    const auto twice = api->post(
        "/api/auth/sign-up",
        {{"firstName", "G"}, {"lastName", "H"}, {"email", " GRACE@example.COM "}, {"password", "another long one"}});
    EXPECT_EQ(twice.status, 409);

    // A wrong password and an unknown email cannot be told apart.
    const auto wrong = api->post("/api/auth/sign-in", {{"email", "grace@example.com"}, {"password", "wrong one"}});
    const auto unknown = api->post("/api/auth/sign-in", {{"email", "nobody@example.com"}, {"password", "wrong one"}});
    EXPECT_EQ(wrong.status, 401);
    EXPECT_EQ(wrong.body, unknown.body);
}

// One input of each hostile kind.
TEST_P(Api, HostileInputGetsAClearRefusalAndLeavesTheDatabaseIntact) {
    const QString token = api->signUp("admin@example.com");
    ASSERT_FALSE(token.isEmpty());
    ASSERT_EQ(server->admin({"add", "admin@example.com"}), 0);

    auto refusedWithMessage = [](const Answer& a, int status) {
        EXPECT_EQ(a.status, status) << a.body;
        EXPECT_FALSE(a.error().isEmpty()) << a.body;
    };
    // SQL in a text field is stored as text.
    const QString quoted = "x'); DROP TABLE users; --";
    ASSERT_EQ(api->post("/api/feedback", {{"message", quoted}, {"category", "bug"}}).status, 201);
    refusedWithMessage(api->request("POST", "/api/feedback", "{not json"), 400);
    refusedWithMessage(api->request("POST", "/api/feedback", R"({"message":"\ud800","category":"bug"})"), 400);
    refusedWithMessage(api->request("POST", "/api/auth/sign-in", R"({"email":42,"password":["p"]})"), 400);
    refusedWithMessage(api->post("/api/feedback", {{"message", QString(20000, 'a')}, {"category", "bug"}}), 400);
    refusedWithMessage(api->request("POST", "/api/feedback", std::string(2 * 1024 * 1024, 'a')), 413);

    // A POST that announces no body has none: the answer comes on the open connection.
    QTcpSocket raw;
    raw.connectToHost("127.0.0.1", static_cast<quint16>(server->port()));
    ASSERT_TRUE(raw.waitForConnected(30000));
    raw.write("POST /api/auth/sign-out HTTP/1.1\r\nHost: 127.0.0.1\r\nAuthorization: Bearer nothing\r\n\r\n");
    QByteArray reply;
    while (!reply.contains("\r\n\r\n") && raw.waitForReadyRead(30000))
        reply += raw.readAll();
    EXPECT_TRUE(reply.startsWith("HTTP/1.1 401")) << reply.toStdString();

    // Everything is still there and the server still answers.
    const auto inbox = api->get("/api/admin/feedback", token);
    ASSERT_EQ(inbox.status, 200);
    const auto items = inbox.json.value("feedback").toArray();
    ASSERT_EQ(items.size(), 1);
    EXPECT_EQ(items[0].toObject().value("message").toString(), quoted);
    EXPECT_FALSE(api->signIn("admin@example.com").isEmpty());
    EXPECT_EQ(api->get("/healthz").status, 200);
}

INSTANTIATE_TEST_SUITE_P(Engines, Api, ::testing::Values("sqlite", "postgresql"), engineName);

} // namespace
