// The account client as the program runs it (the session bus's keyring, the
// settings files, the real clock), one operation per run, for tests that look
// at the keyring and the disk from outside.
//   account_tool DEFAULTS_DIR BACKEND_URL sign-in EMAIL PASSWORD | sign-out | state
// Prints the outcome and the account state as one JSON object.
#include "account/AccountService.h"
#include "app/PersistenceService.h"
#include "core/Scheduler.h"
#include "platform/common/FileDefaultsStore.h"
#include "platform/linux/OsRelease.h"
#include "platform/linux/SecretServiceKeychain.h"
#include "platform/sim/SimDesktop.h"

#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <cstdio>

using namespace vantorel;

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4)
        return 2;
    QtScheduler scheduler;
    FileDefaultsStore defaults(args[1]);
    SimDesktop desktop; // the bundle and the workspace; nothing of it is asked for here
    PersistenceService persistence(defaults, QStringLiteral("com.vantorel.app"), desktop.workspace);
    SecretServiceKeychain keychain;
    OsReleaseSystemInfo system;
    AccountService account({persistence, keychain, desktop, system, scheduler});
    account.updateBaseURL(args[2]);

    QJsonObject out;
    auto finish = [&](const std::optional<AccountError>& error) {
        if (error)
            out.insert("error", error->description());
        const auto& state = account.current();
        out.insert("signedIn", state.isSignedIn());
        if (state.user)
            out.insert("email", state.user->email);
        if (state.lastError)
            out.insert("lastError", *state.lastError);
        std::puts(QJsonDocument(out).toJson(QJsonDocument::Compact).constData());
        std::fflush(stdout);
        QCoreApplication::quit();
    };
    const QString command = args[3];
    if (command == QLatin1String("sign-in") && args.size() == 6) {
        account.signIn(args[4], args[5], [&](const AccountResult<AuthenticatedUser>& r) {
            finish(r.ok() ? std::nullopt : std::optional<AccountError>(r.error()));
        });
    } else if (command == QLatin1String("sign-out")) {
        account.signOut(
            [&](const AccountStatus& r) { finish(r.ok() ? std::nullopt : std::optional<AccountError>(r.error())); });
    } else if (command == QLatin1String("state")) {
        finish(std::nullopt);
        return 0;
    } else {
        return 2;
    }
    return QGuiApplication::exec();
}
