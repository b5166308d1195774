#include "support/BackendServer.h"
#include "support/PrivateKeyring.h"
#include "support/TestSupport.h"

#include "platform/common/FileDefaultsStore.h"
#include "platform/linux/SecretServiceKeychain.h"

#include <QDBusConnectionInterface>
#include <QDirIterator>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>
#include <QTest>
#include <gtest/gtest.h>
#include <httplib.h>

using namespace vantorel;
using namespace vantorel::test;

namespace {

// The keyring session, and the program's account client run in it.
struct Session : PrivateKeyring {
    using PrivateKeyring::PrivateKeyring;
    // account_tool COMMAND... as the program would run in this session; its JSON and its log.
    QJsonObject account(const QString& backend, const QStringList& command, QString* log = nullptr) {
        QProcess tool;
        tool.setProcessEnvironment(environment());
        tool.start(helperPath("account_tool"), QStringList{home.filePath(".config/vantorel"), backend} + command);
        tool.waitForFinished(120000);
        if (log)
            *log = QString::fromUtf8(tool.readAllStandardError());
        return QJsonDocument::fromJson(tool.readAllStandardOutput()).object();
    }
    // The token as another client of the keyring sees it.
    QString lookup() {
        QProcess tool;
        tool.setProcessEnvironment(environment());
        tool.start("secret-tool", {"lookup", "service", "com.vantorel.account", "account", "session-token"});
        tool.waitForFinished(60000);
        return QString::fromUtf8(tool.readAllStandardOutput());
    }
    // Every file under the home folder that holds `text`.
    QStringList filesHolding(const QString& text) {
        QStringList out;
        QDirIterator it(home.path(), QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile f(it.next());
            if (f.open(QIODevice::ReadOnly) && f.readAll().contains(text.toUtf8()))
                out << f.fileName();
        }
        return out;
    }
};

// A running server with Ada's account on it.
struct Backend : BackendServer {
    httplib::Client api{"127.0.0.1", port()};
    bool withAda() {
        const auto r =
            api.Post("/api/auth/sign-up",
                     R"({"firstName":"Ada","lastName":"L","email":"ada@example.com","password":"correct horse"})",
                     "application/json");
        return r && r->status == 201;
    }
};

TEST(Keyring, TheSessionTokenLivesInTheDesktopKeyringOnly) {
    Session session(true);
    ASSERT_TRUE(session.error.isEmpty()) << session.error.toStdString();
    Backend server;
    ASSERT_TRUE(server.withAda()) << server.error().toStdString();

    QString log;
    const auto in = session.account(server.url(), {"sign-in", "ada@example.com", "correct horse"}, &log);
    EXPECT_EQ(in.value("signedIn").toBool(), true) << QJsonDocument(in).toJson().toStdString();
    const QString token = session.lookup();
    ASSERT_EQ(token.size(), 43) << token.toStdString();
    // Nowhere on disk (the settings, the keyring's own encrypted file), nowhere in the log.
    EXPECT_EQ(session.filesHolding(token), QStringList());
    // The settings keep data values in base64: the stored account state, decoded, has the user but no token.
    const auto stored = FileDefaultsStore(session.home.filePath(".config/vantorel"))
                            .data("com.vantorel.app", "com.vantorel.accountState");
    ASSERT_TRUE(stored);
    EXPECT_TRUE(stored->contains("ada@example.com"));
    EXPECT_FALSE(stored->contains(token.toUtf8()));
    EXPECT_FALSE(log.contains(token));

    // The next start finds the session; sign-out removes it from the keyring and the server.
    EXPECT_TRUE(session.account(server.url(), {"state"}).value("signedIn").toBool());
    const auto out = session.account(server.url(), {"sign-out"});
    EXPECT_FALSE(out.contains("error")) << QJsonDocument(out).toJson().toStdString();
    EXPECT_EQ(session.lookup(), "");
}

TEST(Keyring, WithoutASecretServiceSigningInSaysThereIsNoKeyring) {
    Session session(false);
    ASSERT_TRUE(session.error.isEmpty()) << session.error.toStdString();
    Backend server;
    ASSERT_TRUE(server.withAda()) << server.error().toStdString();
    const auto in = session.account(server.url(), {"sign-in", "ada@example.com", "correct horse"});
    // The sign-in itself succeeded; the session could not be kept.
    EXPECT_FALSE(in.contains("error"));
    EXPECT_FALSE(in.value("signedIn").toBool());
    EXPECT_EQ(in.value("lastError").toString(), SecretServiceKeychain::unavailableMessage());
}

} // namespace
