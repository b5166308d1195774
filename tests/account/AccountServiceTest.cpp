#include "AccountTestSupport.h"

using namespace vantorel;
using namespace vantorel::test;

namespace {

const QByteArray kUser = R"({"id":"u1","email":"ada@example.com","username":"ada","firstName":"Ada",)"
                         R"("lastName":"Lovelace","role":"user"})";
const QByteArray kSignedIn =
    R"({"user":)" + kUser + R"(,"session":{"token":"tok-1","expiresAt":"2026-03-01T10:00:00.250Z"}})";

// What the real server does not tell apart: the exchange itself runs against it in the keyring
// and settings-window tests.
TEST(AccountRequests, AreBuiltAsTheBackendExpects) {
    ScriptedBackend server;
    server.answer("POST /api/auth/sign-in", {200, kSignedIn});
    server.answer("POST /api/feedback", {201, R"({"feedback":{"id":"f1"}})"});
    // No scheme, and a path of its own that the requests replace.
    AccountClient client(QStringLiteral("127.0.0.1:%1/prefix/v2").arg(server.port()));

    EXPECT_TRUE(client.submit("  It works \n", FeedbackCategory::Idea).ok());
    ASSERT_TRUE(client.signIn("ada@example.com", " pass word ").ok());

    const auto seen = server.requests;
    ASSERT_EQ(seen.size(), 2u);
    // Anonymous feedback: trimmed, with the device and no Authorization header.
    EXPECT_EQ(seen[0].path, "/api/feedback");
    EXPECT_FALSE(seen[0].headers.contains("authorization"));
    const auto submission = QJsonDocument::fromJson(seen[0].body).object();
    EXPECT_EQ(submission.value("message").toString(), "It works");
    EXPECT_EQ(submission.value("deviceId").toString(), client.account->deviceIdentifier());
    // The password as typed.
    EXPECT_EQ(QJsonDocument::fromJson(seen[1].body).object().value("password").toString(), " pass word ");
}

TEST(AccountRequests, AnswersAreDecodedByTheirRules) {
    ScriptedBackend server;
    AccountClient client(server.url());
    auto signIn = [&](ScriptedBackend::Reply reply) {
        server.answer("POST /api/auth/sign-in", reply);
        return client.signIn("a@b.c", "pw");
    };
    // An empty 2xx answer where a record is expected is a decoding failure.
    const auto empty = signIn({200, ""});
    ASSERT_FALSE(empty.ok());
    EXPECT_EQ(empty.error().kind(), AccountError::Kind::Decoding);
    EXPECT_EQ(client.account->current().lastError, empty.error().description());
    EXPECT_FALSE(client.account->current().isSignedIn());
    ASSERT_TRUE(signIn({200, kSignedIn}).ok());
    EXPECT_EQ(client.account->current().sessionExpiresAt, QDateTime(QDate(2026, 3, 1), QTime(10, 0, 0, 250), Qt::UTC));
    EXPECT_FALSE(client.account->current().lastError);
}

TEST(AccountRequests, TimeOutFifteenSecondsAfterTheLastDataFromTheBackend) {
    ScriptedBackend server;
    server.holdAnswers = true;
    AccountClient client(server.url());
    std::optional<AccountStatus> sent;
    client.account->submitFeedback("hello", FeedbackCategory::General, [&](AccountStatus r) { sent = r; });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !server.requests.empty(); }, 60000));
    client.scheduler.advance(std::chrono::milliseconds(14900));
    QTest::qWait(50);
    EXPECT_FALSE(sent);
    client.scheduler.advance(std::chrono::milliseconds(100));
    ASSERT_TRUE(arrives(sent));
    EXPECT_TRUE(sent->error().description().startsWith("Cannot reach backend at"));
}

TEST(AccountConfigurationAndIdentity, EndpointsMigrateAndTheDeviceKeepsItsIdentifier) {
    AccountClient client;
    EXPECT_EQ(client.account->current().backendBaseURL, "http://127.0.0.1:8787");
    const QString id = client.account->deviceIdentifier();
    EXPECT_FALSE(id.isEmpty());
    client.account->persistState(std::nullopt);
    client.restart();
    EXPECT_EQ(client.account->deviceIdentifier(), id);

    // The local website while the backend is local; none for a remote one.
    EXPECT_EQ(client.account->accountWebsiteURL(), QUrl("http://127.0.0.1:8000/vantorel-site/account.html"));
    client.account->updateBaseURL("https://api.example.com");
    EXPECT_FALSE(client.account->accountWebsiteURL());

    // A build for a remote backend moves a stored local default there, without a notice...
    client.desktop.infoKeys["VantorelBackendBaseURL"] = "https://backend.example.com";
    client.account->updateBaseURL("http://localhost:8787");
    client.restart();
    EXPECT_EQ(client.account->current().backendBaseURL, "https://backend.example.com");
    EXPECT_EQ(client.notices, 0);
    // ...but an address the user typed for another host stays.
    client.account->updateBaseURL("192.168.1.20:8787");
    client.restart();
    EXPECT_EQ(client.account->current().backendBaseURL, "http://192.168.1.20:8787");
}

} // namespace
