#include "SettingsWindowTestSupport.h"

#include "support/BackendServer.h"
#include "support/PrivateKeyring.h"

#include "platform/linux/SecretServiceKeychain.h"

#include <QComboBox>
#include <QPlainTextEdit>
#include <QPushButton>

using namespace vantorel;
using namespace vantorel::test;

namespace {

// The window against the reference backend on a loopback port, its token in a
// real keyring on a private session bus: what a user does from the Account
// and About tabs, start to end.
TEST(SettingsAccountEndToEnd, CreateSignOutSignInAsAdministratorSendAndResolveFeedback) {
    PrivateKeyring session;
    ASSERT_TRUE(session.error.isEmpty()) << session.error.toStdString();
    // The keyring client of this process talks to the session's bus from its first call on.
    qputenv("DBUS_SESSION_BUS_ADDRESS", session.bus.address().toUtf8());
    BackendServer server;
    ASSERT_FALSE(server.url().isEmpty()) << server.error().toStdString();
    SecretServiceKeychain keychain;
    SettingsWindowFixture f(server.url(), false, &keychain);
    f.controller->show();
    f.controller->selectTab(SettingsWindowController::Tab::Account);

    // Create an account in the window.
    f.find<SegmentedControl>("accountAccessModeControl")->segment(1)->click();
    f.type("createFirstNameField", "Ada");
    f.type("createLastNameField", "Lovelace");
    f.type("createEmailField", "ada@example.com");
    f.type("createPasswordField", "correct horse");
    f.click("createAccountButton");
    ASSERT_TRUE(f.alerted("Account created")) << f.alertTitles().join(", ").toStdString();
    EXPECT_EQ(f.text("accountStatusLabel"), "Ada Lovelace · ada@example.com");
    EXPECT_FALSE(f.shows("feedbackInboxRefreshButton"));

    // Sign out; the server's command line makes the account an administrator.
    f.click("signOutButton");
    ASSERT_TRUE(f.alerted("Signed out")) << f.alertTitles().join(", ").toStdString();
    EXPECT_TRUE(f.shows("accountAccessModeControl"));
    EXPECT_FALSE(f.account->current().isSignedIn());
    ASSERT_EQ(server.admin({"add", "ada@example.com"}), 0);

    f.find<SegmentedControl>("accountAccessModeControl")->segment(0)->click();
    f.type("signInEmailField", "ada@example.com");
    f.type("signInPasswordField", "correct horse");
    QTest::keyClick(f.find<QLineEdit>("signInPasswordField"), Qt::Key_Return);
    ASSERT_TRUE(f.alerted("Signed in")) << f.alertTitles().join(", ").toStdString();
    EXPECT_EQ(f.text("accountStatusLabel"), "Ada Lovelace · ada@example.com · Admin");
    auto* inbox = f.controller->accountView()->inbox();
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.text("feedbackInboxStatusLabel") == "No feedback here."; }, 60000))
        << f.text("feedbackInboxStatusLabel").toStdString();

    // Send feedback from the About tab: the administrator's inbox reloads with it.
    f.controller->selectTab(SettingsWindowController::Tab::About);
    f.find<QPlainTextEdit>("feedbackTextView")->setPlainText("  The clock should show seconds.\n");
    f.find<QComboBox>("feedbackCategoryPopup")->setCurrentIndex(2);
    f.click("sendFeedbackButton");
    ASSERT_TRUE(f.alerted("Thanks for the feedback")) << f.alertTitles().join(", ").toStdString();
    EXPECT_EQ(f.find<QPlainTextEdit>("feedbackTextView")->toPlainText(), "");
    ASSERT_TRUE(QTest::qWaitFor([&] { return inbox->cards().size() == 1; }, 60000));
    EXPECT_EQ(f.text("feedbackInboxStatusLabel"), "1 shown · 1 new");
    QWidget* card = inbox->cards()[0];
    EXPECT_TRUE(card->findChild<MiddleElidedLabel*>()->fullText().startsWith("Idea · "));
    EXPECT_EQ(card->findChild<QLabel*>("feedbackCardMessage")->text(), "The clock should show seconds.");

    // Mark it resolved: gone from "New", there under "Resolved" with Reopen.
    f.controller->selectTab(SettingsWindowController::Tab::Account);
    card->findChild<QPushButton*>()->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return f.text("feedbackInboxStatusLabel") == "No feedback here."; }, 60000));
    f.find<SegmentedControl>("feedbackInboxFilter")->segment(2)->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return inbox->cards().size() == 1; }, 60000));
    EXPECT_EQ(inbox->cards()[0]->findChild<QPushButton*>()->text(), "Reopen");
}

} // namespace
