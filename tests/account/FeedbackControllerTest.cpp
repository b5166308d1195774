#include "AccountTestSupport.h"

#include "account/FeedbackController.h"

#include <QDir>
#include <QTemporaryDir>

using namespace vantorel;
using namespace vantorel::test;

namespace {

struct Fixture {
    ScriptedBackend server;
    AccountClient client{server.url()};
    QTemporaryDir home;
    QString documents = home.filePath("Documents");
    FeedbackController controller{*client.account, client.desktop, [this] { return documents; }};
};

// Sending and the inbox's reload run against the real server in the settings-window test.
TEST(FeedbackActions, EmptyFeedbackIsRefusedAndTheCategoryIndexClamped) {
    Fixture f;
    f.controller.sendFeedback(" \n\t ", 2);
    ASSERT_EQ(f.client.desktop.shownAlerts.size(), 1u);
    EXPECT_EQ(f.client.desktop.shownAlerts[0].message, "Feedback is empty");
    EXPECT_TRUE(f.server.requests.empty());

    f.server.answer("POST /api/feedback", {201, R"({"feedback":{"id":"f3"}})"});
    f.controller.sendFeedback("Great", 7);
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.client.desktop.shownAlerts.size() == 2; }, 60000));
    EXPECT_EQ(f.client.desktop.shownAlerts[1].message, "Thanks for the feedback");
    EXPECT_EQ(QJsonDocument::fromJson(f.server.requests[0].body).object().value("category").toString(), "question");
}

TEST(FeedbackActions, WithTheBackendDownACopyIsWrittenAndMentioned) {
    Fixture f;
    f.client.account->updateBaseURL(QStringLiteral("http://127.0.0.1:%1").arg(closedPort()));
    f.controller.sendFeedback("  Keep this\nplease  ", 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !f.client.desktop.shownAlerts.empty(); }, 60000));
    const auto& alert = f.client.desktop.shownAlerts[0];
    EXPECT_EQ(alert.message, "Couldn't send feedback");
    EXPECT_TRUE(alert.informativeText.endsWith("\n\nA copy was saved to Documents › Vantorel Feedback."));
    // Named and dated by the scheduler's clock.
    QFile copy(f.documents + "/Vantorel Feedback/Feedback 2026-01-05 09-00-00.md");
    ASSERT_TRUE(copy.open(QIODevice::ReadOnly));
    EXPECT_EQ(QString::fromUtf8(copy.readAll()), "# Vantorel Feedback\nDate: 2026-01-05 09:00:00\n\nKeep this\nplease");
}

} // namespace
