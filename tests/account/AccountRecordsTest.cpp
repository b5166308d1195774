#include "account/AccountRecords.h"
#include "account/FeedbackController.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace vantorel;

namespace {

const char* kUserWithoutOptionals =
    R"({"id":"u1","email":"ada@example.com","username":"ada","firstName":"","lastName":" ","role":"admin"})";

TEST(AccountRecords, UsersDecodeWithoutOptionalKeysButNotWithoutRole) {
    const auto answer = AuthenticationResponse::decode(QByteArray(R"({"user":)") + kUserWithoutOptionals +
                                                       R"(,"session":{"token":"tok","expiresAt":null}})");
    ASSERT_TRUE(std::holds_alternative<AuthenticationResponse>(answer)) << std::get<QString>(answer).toStdString();
    const auto& user = std::get<AuthenticationResponse>(answer).user;
    EXPECT_FALSE(user.displayName);
    EXPECT_FALSE(user.createdAt);
    EXPECT_TRUE(user.isAdmin());
    // Empty names and no display name: the user name.
    EXPECT_EQ(user.fullName(), "ada");
    AuthenticatedUser named = user;
    named.displayName = "Countess";
    EXPECT_EQ(named.fullName(), "Countess");
    named.firstName = " Ada";
    named.lastName = "Lovelace ";
    EXPECT_EQ(named.fullName(), "Ada Lovelace");

    const auto noRole = AuthenticationResponse::decode(
        R"({"user":{"id":"u1","email":"a@b.c","username":"a","firstName":"A","lastName":"B"},"session":{"token":"t"}})");
    ASSERT_TRUE(std::holds_alternative<QString>(noRole));
    EXPECT_TRUE(std::get<QString>(noRole).contains("\"role\""));
    const auto wrongType = AuthenticationResponse::decode(
        R"({"user":{"id":7,"email":"a@b.c","username":"a","firstName":"A","lastName":"B","role":"user"},"session":{"token":"t"}})");
    EXPECT_TRUE(std::holds_alternative<QString>(wrongType));
}

TEST(AccountRecords, StoredStateLoadsOldDataAndFallsBackOnBadData) {
    AccountState state{"http://10.0.0.2:8787", std::nullopt, QDateTime(QDate(2026, 2, 1), QTime(8, 0), Qt::UTC),
                       "Cannot reach backend"};
    auto user = std::get<AuthenticationResponse>(AuthenticationResponse::decode(QByteArray(R"({"user":)") +
                                                                                kUserWithoutOptionals +
                                                                                R"(,"session":{"token":"tok"}})"))
                    .user;
    user.createdAt = QDateTime(QDate(2025, 1, 2), QTime(3, 4, 5), Qt::UTC);
    state.user = user;
    EXPECT_EQ(AccountState::load(state.toJson(), "http://default"), state);
    EXPECT_FALSE(state.toJson().contains("token"));

    // Written by an older build: no lastError.
    const auto old = AccountState::load(
        QByteArray(R"({"backendBaseURL":"http://old:8787","user":)") + kUserWithoutOptionals + "}", "http://default");
    EXPECT_EQ(old.backendBaseURL, "http://old:8787");
    EXPECT_TRUE(old.isSignedIn());
    EXPECT_FALSE(old.lastError);

    const AccountState fallback{"http://default", std::nullopt, std::nullopt, std::nullopt};
    EXPECT_EQ(AccountState::load(QByteArray("{not json"), "http://default"), fallback);
    EXPECT_EQ(AccountState::load(std::nullopt, "http://default"), fallback);
    EXPECT_EQ(AccountState::load(QByteArray(R"({"user":null})"), "http://default"), fallback);
}

FeedbackItem item(const QString& category, FeedbackStatus status, const QString& source) {
    FeedbackItem i;
    i.id = "f1";
    i.category = category;
    i.message = "Hello";
    i.status = status;
    i.source = source;
    return i;
}

TEST(AccountRecords, InboxCardsAndStatusLine) {
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    auto card = item("bug", FeedbackStatus::New, "app");
    card.createdAt = QDateTime(QDate(2025, 1, 2), QTime(15, 4, 5), Qt::UTC);
    card.appVersion = "1.1.3";
    card.contactEmail = "contact@example.com";
    auto drawn = feedbackCard(card, en, QTimeZone::utc());
    EXPECT_EQ(drawn.header, "Bug · Jan 2, 2025, 3:04 PM · contact@example.com · v1.1.3 · app");

    card.userEmail = "ada@example.com";
    EXPECT_TRUE(feedbackCard(card, en, QTimeZone::utc()).header.contains("· ada@example.com ·"));
    EXPECT_EQ(feedbackCard(item("bug", FeedbackStatus::Resolved, "website"), en, QTimeZone::utc()).header,
              "Bug · anonymous · website · resolved");
    EXPECT_EQ(feedbackCard(item("idea", FeedbackStatus::Read, "email"), en, QTimeZone::utc()).header,
              "Idea · anonymous · app · read");

    const std::vector<FeedbackItem> items{item("bug", FeedbackStatus::New, "app"),
                                          item("bug", FeedbackStatus::Read, "app"),
                                          item("bug", FeedbackStatus::New, "app")};
    EXPECT_EQ(feedbackInboxStatus(items, false), "3 shown · 2 new");
    EXPECT_EQ(feedbackInboxStatus({}, true), "No feedback here.");
    EXPECT_EQ(feedbackInboxStatus({}, false), "");
    EXPECT_EQ(inboxFilterStatus(2), FeedbackStatus::Resolved);
    EXPECT_EQ(feedbackCategoryAt(-3), FeedbackCategory::General);

    const auto badStatus = FeedbackListResponse::decode(
        R"({"feedback":[{"id":"1","category":"bug","message":"m","status":"archived","source":"app"}]})");
    EXPECT_TRUE(std::holds_alternative<QString>(badStatus));
}

TEST(AccountRecords, TheLocalCopyHasItsExactNameAndContent) {
    QTemporaryDir documents;
    const QDateTime time(QDate(2026, 1, 5), QTime(9, 3, 7));
    const auto written = writeFeedbackCopy(documents.path(), "Line one\nLine two", time);
    ASSERT_TRUE(written.ok()) << written.error().toStdString();
    EXPECT_EQ(*written, documents.filePath("Vantorel Feedback/Feedback 2026-01-05 09-03-07.md"));
    QFile file(*written);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "# Vantorel Feedback\nDate: 2026-01-05 09:03:07\n\nLine one\nLine two");
    EXPECT_FALSE(writeFeedbackCopy("", "x", time).ok());
}

} // namespace
