#pragma once

#include "account/AccountTestSupport.h"
#include "support/SimWorld.h"

#include "account/AccountService.h"
#include "app/DockService.h"
#include "app/LaunchAtLoginService.h"
#include "windows/AccountSettingsView.h"
#include "windows/FeedbackInboxView.h"
#include "windows/SettingsWidgets.h"
#include "windows/SettingsWindowController.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>

namespace vantorel::test {

// The settings window on the simulated desktop, with the account client of a
// scripted backend (or any other base URL), on virtual time.
struct SettingsWindowFixture {
    SimWorld world;
    SimDesktop& desktop = world.desktop;
    std::unique_ptr<AccountService> account;
    LaunchAtLoginService launchAtLogin{desktop.loginItems, desktop.launchAgent, desktop};
    DockService dock{&desktop.dock, desktop.processes, desktop.memoryDefaults, QStringLiteral("com.vantorel.test")};
    QTemporaryDir home;
    std::unique_ptr<SettingsWindowController> controller;

    explicit SettingsWindowFixture(const QString& backend = QString(), bool withDock = false,
                                   Keychain* keychain = nullptr) {
        account = std::make_unique<AccountService>(AccountServiceDependencies{
            world.persistence, keychain ? *keychain : desktop.keychain, desktop, desktop, world.scheduler});
        if (!backend.isEmpty())
            account->updateBaseURL(backend);
        SettingsWindowDependencies deps{desktop.platform(),
                                        world.scheduler,
                                        world.settings,
                                        world.theme,
                                        world.updates,
                                        *account,
                                        &launchAtLogin,
                                        withDock ? &dock : nullptr,
                                        [this] { return home.filePath("Documents"); }};
        deps.platform.dock = withDock ? &desktop.dock : nullptr;
        controller = std::make_unique<SettingsWindowController>(deps);
    }

    QWidget* window() const { return controller->window(); }
    template <typename T = QWidget> T* find(const char* name) const {
        T* w = window()->findChild<T*>(QLatin1String(name));
        EXPECT_TRUE(w) << name;
        return w;
    }
    QString text(const char* name) const { return find<QLabel>(name)->text(); }
    // Visible inside the window as it is shown now.
    bool shows(const char* name) const { return find(name)->isVisibleTo(window()); }
    void type(const char* field, const QString& text) const { find<QLineEdit>(field)->setText(text); }
    void click(const char* name) const { find<QAbstractButton>(name)->click(); }
    QStringList alertTitles() const {
        QStringList out;
        for (const auto& a : desktop.shownAlerts)
            out << a.message;
        return out;
    }
    bool alerted(const QString& title, int timeoutMs = 60000) const {
        return QTest::qWaitFor([&] { return alertTitles().contains(title); }, timeoutMs);
    }
};

} // namespace vantorel::test
