#pragma once

#include "support/BackendServer.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QUuid>
#include <gtest/gtest.h>
#include <httplib.h>
#include <memory>

namespace vantorel::test {

// One answer of the API.
struct Answer {
    int status = 0; // 0 when no answer came
    QJsonObject json;
    std::string body;
    QString error() const { return json.value(QLatin1String("error")).toString(); }
};

// A blocking client of one server.
class ApiClient {
public:
    explicit ApiClient(int port) : client_("127.0.0.1", port) { client_.set_read_timeout(60, 0); }

    Answer request(const std::string& method, const std::string& path, const std::string& body,
                   const QString& token = QString()) {
        httplib::Headers headers{{"Accept", "application/json"}};
        if (!token.isEmpty())
            headers.emplace("Authorization", "Bearer " + token.toStdString());
        httplib::Result r = method == "GET"     ? client_.Get(path, headers)
                            : method == "PATCH" ? client_.Patch(path, headers, body, "application/json")
                                                : client_.Post(path, headers, body, "application/json");
        Answer a;
        if (!r)
            return a;
        a.status = r->status;
        a.body = r->body;
        a.json = QJsonDocument::fromJson(QByteArray::fromStdString(r->body)).object();
        return a;
    }
    Answer post(const std::string& path, const QJsonObject& body, const QString& token = QString()) {
        return request("POST", path, QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(), token);
    }
    Answer get(const std::string& path, const QString& token = QString()) { return request("GET", path, {}, token); }
    Answer patch(const std::string& path, const QJsonObject& body, const QString& token = QString()) {
        return request("PATCH", path, QJsonDocument(body).toJson(QJsonDocument::Compact).toStdString(), token);
    }

    // Signs up and returns the session token (empty on failure).
    QString signUp(const QString& email, const QString& password = QStringLiteral("correct horse battery")) {
        return token(post("/api/auth/sign-up",
                          {{"firstName", "Ada"}, {"lastName", "Lovelace"}, {"email", email}, {"password", password}}));
    }
    QString signIn(const QString& email, const QString& password = QStringLiteral("correct horse battery")) {
        return token(post("/api/auth/sign-in", {{"email", email}, {"password", password}}));
    }
    static QString token(const Answer& a) { return a.json.value("session").toObject().value("token").toString(); }

private:
    httplib::Client client_;
};

// The database a test runs on: a fresh SQLite file, or a fresh database in a
// PostgreSQL cluster that the test program starts once.
class TestDatabase {
public:
    explicit TestDatabase(const std::string& engine) {
        if (engine != "postgresql")
            return;
        static std::unique_ptr<PostgresCluster> cluster;
        if (!cluster)
            cluster = std::make_unique<PostgresCluster>();
        cluster_ = cluster.get();
        if (cluster_->ok())
            location =
                cluster_->createDatabase(QStringLiteral("t") + QUuid::createUuid().toString(QUuid::Id128).left(12));
    }
    // Empty for SQLite: each server makes its own file.
    QString location;
    PostgresCluster* cluster() const { return cluster_; }
    bool failed() const { return cluster_ && location.isEmpty(); }
    QString why() const { return cluster_ ? cluster_->error() : QString(); }

private:
    PostgresCluster* cluster_ = nullptr;
};

inline std::string engineName(const ::testing::TestParamInfo<std::string>& info) {
    return info.param;
}

} // namespace vantorel::test
