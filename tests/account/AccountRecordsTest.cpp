#include "account/AccountRecords.h"
#include "account/FeedbackController.h"

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

    const auto noRole = AuthenticationResponse::decode(
        R"({"user":{"id":"u1","email":"a@b.c","username":"a","firstName":"A","lastName":"B"},"session":{"token":"t"}})");
    ASSERT_TRUE(std::holds_alternative<QString>(noRole));
    EXPECT_TRUE(std::get<QString>(noRole).contains("\"role\""));
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

// The cards as the settings window's inbox shows them against the real server: the user's own
// date and time, and what an item without a user or version says.
TEST(AccountRecords, InboxCardHeaders) {
    const QLocale en(QLocale::English, QLocale::UnitedStates);
    auto card = item("bug", FeedbackStatus::New, "app");
    card.createdAt = QDateTime(QDate(2025, 1, 2), QTime(15, 4, 5), Qt::UTC);
    card.appVersion = "1.1.3";
    card.contactEmail = "contact@example.com";
    EXPECT_EQ(feedbackCard(card, en, QTimeZone::utc()).header,
              "Bug · Jan 2, 2025, 3:04 PM · contact@example.com · v1.1.3 · app");
    EXPECT_EQ(feedbackCard(item("idea", FeedbackStatus::Read, "email"), en, QTimeZone::utc()).header,
              "Idea · anonymous · app · read");
}

} // namespace
