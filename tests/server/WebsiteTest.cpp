#include "ServerTestSupport.h"

#include <QJsonArray>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

using namespace vantorel::test;

namespace {

// A real browser: headless Chromium, scripted through chromedriver's WebDriver API.
class Browser {
public:
    Browser() {
        const QString driver = QStandardPaths::findExecutable(QStringLiteral("chromedriver"));
        if (driver.isEmpty()) {
            error = "chromedriver is not installed (scripts/setup installs chromium-driver)";
            return;
        }
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", home_.path());
        driver_.setProcessEnvironment(env);
        driver_.setProcessChannelMode(QProcess::MergedChannels);
        driver_.start(driver, {"--port=0"});
        static const QRegularExpression started(QStringLiteral("started successfully on port (\\d+)"));
        QString output;
        while (!client_ && driver_.waitForReadyRead(30000)) {
            output += QString::fromUtf8(driver_.readAll());
            if (const auto m = started.match(output); m.hasMatch()) {
                client_ = std::make_unique<httplib::Client>("127.0.0.1", m.captured(1).toInt());
                client_->set_read_timeout(60, 0);
            }
        }
        if (!client_) {
            error = "chromedriver did not start: " + output.toStdString();
            return;
        }
        const QJsonObject capabilities{
            {"alwaysMatch",
             QJsonObject{{"browserName", "chrome"},
                         {"goog:chromeOptions",
                          QJsonObject{{"args", QJsonArray{"--headless=new", "--no-sandbox", "--disable-gpu",
                                                          "--disable-dev-shm-usage", "--window-size=900,900",
                                                          "--user-data-dir=" + home_.filePath("profile")}}}}}}};
        const auto created = call("POST", "/session", {{"capabilities", capabilities}});
        session_ = created.value("value").toObject().value("sessionId").toString().toStdString();
        if (session_.empty())
            error = "no browser session: " + QJsonDocument(created).toJson().toStdString();
    }
    ~Browser() {
        if (!session_.empty())
            call("DELETE", "/session/" + session_, {});
        driver_.kill();
        driver_.waitForFinished(5000);
    }

    void open(const QString& url) { command("POST", "/url", {{"url", url}}); }
    QString element(const QString& css) {
        const auto found = command("POST", "/element", {{"using", "css selector"}, {"value", css}});
        const auto value = found.value("value").toObject();
        return value.isEmpty() ? QString() : value.begin().value().toString();
    }
    // Types into a field of a freshly opened page.
    void type(const QString& css, const QString& text) {
        command("POST", "/element/" + element(css).toStdString() + "/value", {{"text", text}});
    }
    void click(const QString& css) { command("POST", "/element/" + element(css).toStdString() + "/click", {}); }
    QString text(const QString& css) {
        return command("GET", "/element/" + element(css).toStdString() + "/text", {}).value("value").toString();
    }
    // Waits until the element's text contains `expected`; the limit only ends a hung test.
    bool waitForText(const QString& css, const QString& expected) {
        for (int i = 0; i < 600; ++i) {
            if (text(css).contains(expected))
                return true;
            QThread::msleep(50);
        }
        return false;
    }
    std::string error;

private:
    QJsonObject command(const std::string& method, const std::string& path, const QJsonObject& body) {
        return call(method, "/session/" + session_ + path, body);
    }
    QJsonObject call(const std::string& method, const std::string& path, const QJsonObject& body) {
        const std::string json = QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString();
        httplib::Result r = method == "GET"      ? client_->Get(path)
                            : method == "DELETE" ? client_->Delete(path)
                                                 : client_->Post(path, json, "application/json");
        return r ? QJsonDocument::fromJson(QByteArray::fromStdString(r->body)).object() : QJsonObject();
    }

    QTemporaryDir home_;
    QProcess driver_;
    std::unique_ptr<httplib::Client> client_;
    std::string session_;
};

TEST(Website, ABrowserSignsInAndSendsFeedbackThatReachesTheInbox) {
    BackendServer server;
    ASSERT_FALSE(server.url().isEmpty()) << server.error().toStdString();
    ApiClient api(server.port());
    const QString adminToken = api.signUp("admin@example.com");
    ASSERT_EQ(server.admin({"add", "admin@example.com"}), 0);
    ASSERT_FALSE(api.signUp("visitor@example.com", "visitor password").isEmpty());

    Browser browser;
    ASSERT_TRUE(browser.error.empty()) << browser.error;
    browser.open(server.url() + "/account");
    browser.type("#email", "Visitor@example.com");
    browser.type("#password", "visitor password");
    browser.click("#sign-in");
    ASSERT_TRUE(browser.waitForText("#account-email", "visitor@example.com")) << browser.text("#status").toStdString();

    browser.open(server.url() + "/feedback");
    browser.click("#category option[value='question']");
    browser.type("#message", "Does it <b>work</b> on two screens?");
    browser.type("#contact", "reply@example.com");
    browser.click("#send");
    ASSERT_TRUE(browser.waitForText("#result", "Thanks for the feedback")) << browser.text("#result").toStdString();

    const auto inbox = api.get("/api/admin/feedback", adminToken);
    ASSERT_EQ(inbox.status, 200);
    const auto items = inbox.json.value("feedback").toArray();
    ASSERT_EQ(items.size(), 1);
    const auto item = items[0].toObject();
    EXPECT_EQ(item.value("source").toString(), "website");
    EXPECT_EQ(item.value("message").toString(), "Does it <b>work</b> on two screens?");
    // The page kept the session in its tab and sent it along.
    EXPECT_EQ(item.value("userEmail").toString(), "visitor@example.com");
}

} // namespace
