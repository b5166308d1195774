#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

namespace vantorel {

class AccountService;
class Alerts;
class FeedbackController;
class FeedbackInboxView;
class SegmentedControl;
class SettingsSection;
class SettingsService;
class ThemeService;
class Workspace;

struct AccountSettingsDependencies {
    AccountService& account;
    FeedbackController& feedback;
    Alerts& alerts;
    Workspace* workspace; // opens the account website
    const SettingsService& settings;
    const ThemeService& theme;
};

// The Account tab: signing in or creating an account while signed out, the
// account line with Manage on Website and Sign Out while signed in, and for
// administrators the feedback inbox and the backend's address.
class AccountSettingsView : public QWidget {
    Q_OBJECT
public:
    enum class AccessMode { SignIn, CreateAccount };

    explicit AccountSettingsView(AccountSettingsDependencies deps, QWidget* parent = nullptr);

    // Shows the sections for the current account and copies its values in.
    void syncFromAccount();
    void setAccessMode(AccessMode mode);
    AccessMode accessMode() const { return mode_; }

    void signIn();
    void createAccount();
    void signOut();
    void manageOnWebsite();

    FeedbackInboxView* inbox() const { return inbox_; }

private:
    QLineEdit* field(QWidget* parent, const QString& name, const QString& label, const QString& placeholder,
                     bool secret = false);
    void alert(bool warning, const QString& title, const QString& text);

    AccountSettingsDependencies deps_;
    AccessMode mode_ = AccessMode::SignIn;
    SettingsSection* signInSection_;
    SegmentedControl* accessControl_;
    QLabel* accessDescription_;
    QWidget* signInContainer_;
    QWidget* createContainer_;
    QLineEdit* signInEmail_;
    QLineEdit* signInPassword_;
    QPushButton* signInButton_;
    QLineEdit* firstName_;
    QLineEdit* lastName_;
    QLineEdit* createEmail_;
    QLineEdit* createPassword_;
    QPushButton* createButton_;
    SettingsSection* accountSection_;
    QLabel* accountStatus_;
    QPushButton* manageButton_;
    QPushButton* signOutButton_;
    SettingsSection* inboxSection_;
    FeedbackInboxView* inbox_;
    SettingsSection* adminSection_;
    QLineEdit* backendURL_;
    QString lastSyncedBackendURL_;
};

} // namespace vantorel
