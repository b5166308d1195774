#include "AccountTestSupport.h"

#include "account/FeedbackController.h"

#include <QDir>
#include <QTcpServer>
#include <QTemporaryDir>

using namespace vantorel;
using namespace vantorel::test;

namespace {

const QByteArray kItems = R"({"feedback":[)"
                          R"({"id":"f1","category":"bug","message":"A","status":"new","source":"app"},)"
                          R"({"id":"f2","category":"idea","message":"B","status":"resolved","source":"website"}]})";

struct Fixture {
    ScriptedBackend server;
    AccountClient client{server.url()};
    QTemporaryDir home;
    QString documents = home.filePath("Documents");
    FeedbackController controller{*client.account, client.desktop, [this] { return documents; }};

    void signInAs(const char* role) {
        server.answer("POST /api/auth/sign-in",
                      {200, QByteArray(R"({"user":{"id":"u1","email":"a@b.c","username":"a","firstName":"A",)"
                                       R"("lastName":"B","role":")") +
                                role + R"("},"session":{"token":"tok"}})"});
        EXPECT_TRUE(client.signIn("a@b.c", "pw").ok());
    }
    int inboxRequests() {
        int n = 0;
        for (const auto& r : server.requests)
            n += r.path.startsWith("/api/admin/feedback");
        return n;
    }
};

TEST(FeedbackActions, SendingAlertsAndReloadsTheInboxForAdministrators) {
    Fixture f;
    f.controller.sendFeedback(" \n\t ", 2);
    ASSERT_EQ(f.client.desktop.shownAlerts.size(), 1u);
    EXPECT_EQ(f.client.desktop.shownAlerts[0].message, "Feedback is empty");
    EXPECT_TRUE(f.server.requests.empty());

    f.signInAs("admin");
    f.server.answer("POST /api/feedback", {201, R"({"feedback":{"id":"f3"}})"});
    f.server.answer("GET /api/admin/feedback", {200, kItems});
    int sentSignals = 0;
    QObject::connect(&f.controller, &FeedbackController::feedbackSent, [&] { ++sentSignals; });
    f.controller.sendFeedback("Great", 7);
    EXPECT_TRUE(f.controller.isSending());
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.client.desktop.shownAlerts.size() == 2; }, 60000));
    EXPECT_FALSE(f.controller.isSending());
    EXPECT_EQ(sentSignals, 1);
    EXPECT_EQ(f.client.desktop.shownAlerts[1].message, "Thanks for the feedback");
    EXPECT_EQ(f.client.desktop.shownAlerts[1].style, AlertStyle::Informational);
    // The category index is clamped; the submission was signed in.
    const auto body = QJsonDocument::fromJson(f.server.requests[1].body).object();
    EXPECT_EQ(body.value("category").toString(), "question");
    EXPECT_EQ(f.server.requests[1].headers.value("authorization"), "Bearer tok");
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.controller.isRefreshing() && f.inboxRequests() == 1; }, 60000));
    EXPECT_EQ(f.controller.items().size(), 2u);
    EXPECT_EQ(f.controller.statusText(), "2 shown · 1 new");
}

TEST(FeedbackActions, WithTheBackendDownACopyIsWrittenAndMentioned) {
    Fixture f;
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const int port = probe.serverPort();
    probe.close();
    f.client.account->updateBaseURL(QStringLiteral("http://127.0.0.1:%1").arg(port));
    f.controller.sendFeedback("  Keep this\nplease  ", 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.client.desktop.shownAlerts.empty(); }, 60000));
    const auto& alert = f.client.desktop.shownAlerts[0];
    EXPECT_EQ(alert.message, "Couldn't send feedback");
    EXPECT_TRUE(alert.informativeText.startsWith("Cannot reach backend at http://127.0.0.1:"));
    EXPECT_TRUE(alert.informativeText.endsWith("\n\nA copy was saved to Documents › Vantorel Feedback."));
    const QDir folder(f.documents + "/Vantorel Feedback");
    const auto files = folder.entryList(QDir::Files);
    ASSERT_EQ(files.size(), 1);
    EXPECT_EQ(files[0], "Feedback 2026-01-05 09-00-00.md"); // the scheduler's clock

    // Without a documents folder the alert says nothing of a copy.
    f.documents.clear();
    f.controller.sendFeedback("again", 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.client.desktop.shownAlerts.size() == 2; }, 60000));
    EXPECT_FALSE(f.client.desktop.shownAlerts[1].informativeText.contains("copy"));
}

} // namespace
