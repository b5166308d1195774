#include "windows/AccountSettingsView.h"

#include "account/AccountService.h"
#include "account/FeedbackController.h"
#include "platform/Alerts.h"
#include "platform/Workspace.h"
#include "windows/FeedbackInboxView.h"
#include "windows/SettingsTexts.h"
#include "windows/SettingsWidgets.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace vantorel {

namespace {
const QString kEmailPlaceholder = QStringLiteral("name@example.com");

QString accessDescription(AccountSettingsView::AccessMode mode) {
    return mode == AccountSettingsView::AccessMode::SignIn
               ? QStringLiteral("Sign in with the email and password of your Vantorel account.")
               : QStringLiteral("Create a Vantorel account; you are signed in right away.");
}

QWidget* formContainer(QWidget* parent, QFormLayout*& form) {
    auto* container = new QWidget(parent);
    form = new QFormLayout(container);
    form->setContentsMargins(0, 8, 0, 8);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return container;
}

void addButtonRow(QFormLayout* form, QPushButton* button) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    row->addWidget(button);
    form->addRow(row);
}
} // namespace

AccountSettingsView::AccountSettingsView(AccountSettingsDependencies deps, QWidget* parent)
    : QWidget(parent), deps_(deps) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(22);

    // 1. Sign In / Create Account
    signInSection_ = new SettingsSection(QStringLiteral("Sign In"), QString(), this);
    auto* card = signInSection_->card();
    accessControl_ = new SegmentedControl({QStringLiteral("Sign In"), QStringLiteral("Create Account")},
                                          QStringLiteral("Sign in or create an account"), card);
    accessControl_->setObjectName(QStringLiteral("accountAccessModeControl"));
    card->rows()->addSpacing(6);
    card->addWidget(accessControl_);
    accessDescription_ = secondaryLabel(accessDescription(mode_), card);
    accessDescription_->setObjectName(QStringLiteral("accountAccessDescription"));
    card->rows()->addSpacing(4);
    card->addWidget(accessDescription_);

    QFormLayout* form = nullptr;
    signInContainer_ = formContainer(card, form);
    signInContainer_->setObjectName(QStringLiteral("signInContainer"));
    signInEmail_ =
        field(signInContainer_, QStringLiteral("signInEmailField"), QStringLiteral("Email"), kEmailPlaceholder);
    signInPassword_ = field(signInContainer_, QStringLiteral("signInPasswordField"), QStringLiteral("Password"),
                            QStringLiteral("Enter your password"), true);
    signInButton_ = new QPushButton(QStringLiteral("Sign In"), signInContainer_);
    signInButton_->setObjectName(QStringLiteral("signInButton"));
    signInButton_->setDefault(true);
    form->addRow(QStringLiteral("Email"), signInEmail_);
    form->addRow(QStringLiteral("Password"), signInPassword_);
    addButtonRow(form, signInButton_);
    card->addWidget(signInContainer_);

    createContainer_ = formContainer(card, form);
    createContainer_->setObjectName(QStringLiteral("createAccountContainer"));
    firstName_ = field(createContainer_, QStringLiteral("createFirstNameField"), QStringLiteral("First Name"),
                       QStringLiteral("First name"));
    lastName_ = field(createContainer_, QStringLiteral("createLastNameField"), QStringLiteral("Last Name"),
                      QStringLiteral("Last name"));
    createEmail_ =
        field(createContainer_, QStringLiteral("createEmailField"), QStringLiteral("Email"), kEmailPlaceholder);
    createPassword_ = field(createContainer_, QStringLiteral("createPasswordField"), QStringLiteral("Password"),
                            QStringLiteral("Create a password"), true);
    createButton_ = new QPushButton(QStringLiteral("Create Account"), createContainer_);
    createButton_->setObjectName(QStringLiteral("createAccountButton"));
    form->addRow(QStringLiteral("First Name"), firstName_);
    form->addRow(QStringLiteral("Last Name"), lastName_);
    form->addRow(QStringLiteral("Email"), createEmail_);
    form->addRow(QStringLiteral("Password"), createPassword_);
    addButtonRow(form, createButton_);
    card->addWidget(createContainer_);
    layout->addWidget(signInSection_);

    // 2. Your Account
    accountSection_ = new SettingsSection(QStringLiteral("Your Account"), QString(), this);
    accountStatus_ = new QLabel(accountSection_->card());
    accountStatus_->setObjectName(QStringLiteral("accountStatusLabel"));
    accountStatus_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    manageButton_ = new QPushButton(QStringLiteral("Manage on Website"));
    manageButton_->setObjectName(QStringLiteral("manageAccountButton"));
    signOutButton_ = new QPushButton(QStringLiteral("Sign Out"));
    signOutButton_->setObjectName(QStringLiteral("signOutButton"));
    auto* statusRow = accountSection_->card()->addRow(QString(), QString(), {manageButton_, signOutButton_});
    // The status line stands where the title would.
    auto* texts = static_cast<QVBoxLayout*>(statusRow->itemAt(0)->layout());
    texts->itemAt(0)->widget()->hide();
    texts->addWidget(accountStatus_);
    layout->addWidget(accountSection_);

    // 3. Feedback Inbox
    inboxSection_ =
        new SettingsSection(QStringLiteral("Feedback Inbox"),
                            QStringLiteral("Feedback from the app and website. Only admin accounts see this."), this);
    inbox_ = new FeedbackInboxView(deps_.feedback, deps_.settings, deps_.theme, inboxSection_->card());
    inboxSection_->card()->addWidget(inbox_);
    layout->addWidget(inboxSection_);

    // 4. Admin
    adminSection_ = new SettingsSection(QStringLiteral("Admin"), QStringLiteral("Only admin accounts see this."), this);
    backendURL_ = field(nullptr, QStringLiteral("accountBackendURLField"), QStringLiteral("API Base URL"),
                        QStringLiteral("https://api.example.com"));
    backendURL_->setMinimumWidth(280);
    adminSection_->card()->addRow(QStringLiteral("API Base URL"), QString(), {backendURL_});
    layout->addWidget(adminSection_);

    connect(accessControl_, &SegmentedControl::selected, this,
            [this](int index) { setAccessMode(index == 1 ? AccessMode::CreateAccount : AccessMode::SignIn); });
    connect(signInButton_, &QPushButton::clicked, this, &AccountSettingsView::signIn);
    connect(signInPassword_, &QLineEdit::returnPressed, this, &AccountSettingsView::signIn);
    connect(createButton_, &QPushButton::clicked, this, &AccountSettingsView::createAccount);
    connect(createPassword_, &QLineEdit::returnPressed, this, &AccountSettingsView::createAccount);
    connect(signOutButton_, &QPushButton::clicked, this, &AccountSettingsView::signOut);
    connect(manageButton_, &QPushButton::clicked, this, &AccountSettingsView::manageOnWebsite);
    // An administrator's new address applies once typed, not only at the next sign-in.
    connect(backendURL_, &QLineEdit::editingFinished, this, [this] {
        if (backendURL_->isModified() && deps_.account.current().isSignedIn()) {
            backendURL_->setModified(false);
            deps_.account.updateBaseURL(backendURL_->text());
        }
    });
    setAccessMode(AccessMode::SignIn);
    syncFromAccount();
}

QLineEdit* AccountSettingsView::field(QWidget* parent, const QString& name, const QString& label,
                                      const QString& placeholder, bool secret) {
    auto* f = new QLineEdit(parent);
    f->setObjectName(name);
    f->setPlaceholderText(placeholder);
    f->setAccessibleName(label);
    if (secret)
        f->setEchoMode(QLineEdit::Password);
    return f;
}

void AccountSettingsView::setAccessMode(AccessMode mode) {
    mode_ = mode;
    accessControl_->setSelectedIndex(mode == AccessMode::CreateAccount ? 1 : 0);
    accessDescription_->setText(accessDescription(mode));
    signInContainer_->setVisible(mode == AccessMode::SignIn);
    createContainer_->setVisible(mode == AccessMode::CreateAccount);
}

void AccountSettingsView::syncFromAccount() {
    const auto& state = deps_.account.current();
    const bool signedIn = state.isSignedIn();
    const bool admin = signedIn && state.user->isAdmin();
    signInSection_->setVisible(!signedIn);
    accountSection_->setVisible(signedIn);
    inboxSection_->setVisible(admin);
    adminSection_->setVisible(admin);
    accountStatus_->setText(SettingsTexts::accountStatus(state));
    accountStatus_->setAccessibleName(accountStatus_->text());
    // What the user is typing stays until the stored address itself changes.
    if (state.backendBaseURL != lastSyncedBackendURL_) {
        backendURL_->setText(state.backendBaseURL);
        lastSyncedBackendURL_ = state.backendBaseURL;
    }
    inbox_->applyAppearance();
    deps_.feedback.accountViewUpdated();
}

void AccountSettingsView::alert(bool warning, const QString& title, const QString& text) {
    deps_.alerts.inform(warning ? AlertStyle::Warning : AlertStyle::Informational, title, text);
}

void AccountSettingsView::signIn() {
    const QString email = signInEmail_->text().trimmed();
    const QString password = signInPassword_->text();
    if (email.isEmpty() || password.isEmpty()) {
        alert(true, QStringLiteral("Missing information"), QStringLiteral("Enter your email and password."));
        return;
    }
    if (!signInButton_->isEnabled())
        return;
    deps_.account.updateBaseURL(backendURL_->text());
    signInButton_->setEnabled(false);
    QPointer<AccountSettingsView> self(this);
    deps_.account.signIn(email, password, [self](const AccountResult<AuthenticatedUser>& result) {
        if (!self)
            return;
        self->signInButton_->setEnabled(true);
        if (!result.ok()) {
            self->alert(true, QStringLiteral("Unable to sign in"), result.error().description());
            return;
        }
        self->signInPassword_->clear();
        self->alert(false, QStringLiteral("Signed in"),
                    QStringLiteral("Welcome back, ") + result.value().fullName() + u'.');
    });
}

void AccountSettingsView::createAccount() {
    const QString first = firstName_->text().trimmed();
    const QString last = lastName_->text().trimmed();
    const QString email = createEmail_->text().trimmed();
    const QString password = createPassword_->text();
    if (first.isEmpty() || last.isEmpty() || email.isEmpty() || password.isEmpty()) {
        alert(true, QStringLiteral("Missing information"),
              QStringLiteral("Fill in first name, last name, email, and password."));
        return;
    }
    if (!createButton_->isEnabled())
        return;
    deps_.account.updateBaseURL(backendURL_->text());
    createButton_->setEnabled(false);
    QPointer<AccountSettingsView> self(this);
    deps_.account.signUp(first, last, email, password, [self, email](const AccountResult<AuthenticatedUser>& result) {
        if (!self)
            return;
        self->createButton_->setEnabled(true);
        if (!result.ok()) {
            self->alert(true, QStringLiteral("Unable to create account"), result.error().description());
            return;
        }
        self->createPassword_->clear();
        self->alert(false, QStringLiteral("Account created"), QStringLiteral("Signed in as ") + email + u'.');
    });
}

void AccountSettingsView::signOut() {
    if (!signOutButton_->isEnabled())
        return;
    signOutButton_->setEnabled(false);
    QPointer<AccountSettingsView> self(this);
    deps_.account.signOut([self](const AccountStatus& result) {
        if (!self)
            return;
        self->signOutButton_->setEnabled(true);
        if (result.ok())
            self->alert(false, QStringLiteral("Signed out"), QStringLiteral("The local session was cleared."));
        else
            self->alert(true, QStringLiteral("Unable to sign out"), result.error().description());
    });
}

void AccountSettingsView::manageOnWebsite() {
    const auto url = deps_.account.accountWebsiteURL();
    if (!url) {
        alert(true, QStringLiteral("Website URL not configured"),
              QStringLiteral("The account website URL is not configured for this build."));
        return;
    }
    if (deps_.workspace)
        deps_.workspace->openUrl(url->toString());
}

} // namespace vantorel
