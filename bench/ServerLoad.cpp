// Load test of the reference backend on the loopback: requests per second and
// latency percentiles for sign-in, feedback submission and inbox reads, on
// SQLite and on PostgreSQL (a durable cluster of its own). Every scenario is
// bounded in requests and in time, and stops by itself.
//   bench_server_load [--clients 64] [--requests 20000] [--seconds 20] [--engines sqlite,postgresql]
#include "support/BackendServer.h"

#include <QCoreApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <httplib.h>
#include <mutex>
#include <thread>
#include <vector>

using namespace vantorel::test;
using Clock = std::chrono::steady_clock;

namespace {

struct Scenario {
    const char* name;
    std::string method, path, body;
    std::string token;
    int clients;
    int requests;
};

struct Outcome {
    int done = 0, errors = 0;
    double seconds = 0, p50 = 0, p99 = 0, max = 0;
};

Outcome run(int port, const Scenario& s, double limitSeconds) {
    std::atomic<int> next{0};
    std::vector<std::vector<double>> latencies(static_cast<size_t>(s.clients));
    std::atomic<int> errors{0};
    std::mutex firstErrorMutex;
    std::string firstError;
    const auto start = Clock::now();
    const auto deadline = start + std::chrono::duration<double>(limitSeconds);
    std::vector<std::thread> threads;
    for (int c = 0; c < s.clients; ++c) {
        threads.emplace_back([&, c] {
            httplib::Client client("127.0.0.1", port);
            client.set_keep_alive(true);
            client.set_tcp_nodelay(true);
            client.set_read_timeout(30, 0);
            httplib::Headers headers{{"Accept", "application/json"}};
            if (!s.token.empty())
                headers.emplace("Authorization", "Bearer " + s.token);
            while (next.fetch_add(1) < s.requests && Clock::now() < deadline) {
                const auto t0 = Clock::now();
                auto r = s.method == "GET" ? client.Get(s.path, headers)
                                           : client.Post(s.path, headers, s.body, "application/json");
                const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
                if (!r || r->status < 200 || r->status > 299) {
                    if (errors++ == 0) {
                        std::lock_guard<std::mutex> lock(firstErrorMutex);
                        firstError = r ? std::to_string(r->status) + " " + r->body : httplib::to_string(r.error());
                    }
                }
                latencies[static_cast<size_t>(c)].push_back(ms);
            }
        });
    }
    for (auto& t : threads)
        t.join();
    Outcome o;
    o.seconds = std::chrono::duration<double>(Clock::now() - start).count();
    std::vector<double> all;
    for (auto& l : latencies)
        all.insert(all.end(), l.begin(), l.end());
    std::sort(all.begin(), all.end());
    o.done = static_cast<int>(all.size());
    o.errors = errors;
    if (!firstError.empty())
        std::fprintf(stderr, "%s: first error: %s\n", s.name, firstError.c_str());
    if (!all.empty()) {
        o.p50 = all[all.size() / 2];
        o.p99 = all[std::min(all.size() - 1, all.size() * 99 / 100)];
        o.max = all.back();
    }
    return o;
}

QString tokenOf(httplib::Client& client, const std::string& path, const std::string& body) {
    auto r = client.Post(path, body, "application/json");
    if (!r)
        return QString();
    return QJsonDocument::fromJson(QByteArray::fromStdString(r->body))
        .object()
        .value("session")
        .toObject()
        .value("token")
        .toString();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int clients = 64, requests = 20000;
    double seconds = 20;
    QStringList engines{"sqlite", "postgresql"};
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == "--clients")
            clients = args[i + 1].toInt();
        else if (args[i] == "--requests")
            requests = args[i + 1].toInt();
        else if (args[i] == "--seconds")
            seconds = args[i + 1].toDouble();
        else if (args[i] == "--engines")
            engines = args[i + 1].split(',');
    }
    std::printf("Argon2id: 2 passes, 19 MiB, 1 lane (the server's defaults); %d clients at most %d requests or "
                "%.0f s per scenario\n",
                clients, requests, seconds);
    std::printf("%-11s %-9s %7s %8s %6s %8s %8s %8s %8s\n", "engine", "scenario", "clients", "requests", "errors",
                "req/s", "p50 ms", "p99 ms", "max ms");
    for (const QString& engine : engines) {
        std::unique_ptr<PostgresCluster> cluster;
        QString database;
        if (engine == "postgresql") {
            cluster = std::make_unique<PostgresCluster>(true);
            if (!cluster->ok()) {
                std::fprintf(stderr, "no PostgreSQL: %s\n", qPrintable(cluster->error()));
                return 1;
            }
            database = cluster->createDatabase("bench");
        }
        BackendServer server(database);
        if (server.url().isEmpty()) {
            std::fprintf(stderr, "%s\n", qPrintable(server.error()));
            return 1;
        }
        httplib::Client setup("127.0.0.1", server.port());
        const std::string credentials = R"({"email":"bench@example.com","password":"bench password"})";
        tokenOf(setup, "/api/auth/sign-up",
                R"({"firstName":"Bench","lastName":"Mark","email":"bench@example.com","password":"bench password"})");
        server.admin({"add", "bench@example.com"});
        const std::string token = tokenOf(setup, "/api/auth/sign-in", credentials).toStdString();
        // A typical inbox: 100 new items.
        const std::string feedback = R"J({"message":"The clock is one minute late after waking up.","category":"bug",)J"
                                     R"J("appVersion":"1.1.3","osVersion":"Debian GNU/Linux 12 (bookworm)",)J"
                                     R"J("deviceId":"5F0C6D1E-0000-4000-8000-000000000001"})J";
        for (int i = 0; i < 100; ++i)
            setup.Post("/api/feedback", feedback, "application/json");
        const Scenario scenarios[] = {
            {"sign-in", "POST", "/api/auth/sign-in", credentials, "", std::min(clients, 16), std::min(requests, 300)},
            {"inbox", "GET", "/api/admin/feedback", "", token, clients, requests},
            {"feedback", "POST", "/api/feedback", feedback, "", clients, requests},
        };
        for (const auto& s : scenarios) {
            const Outcome o = run(server.port(), s, seconds);
            std::printf("%-11s %-9s %7d %8d %6d %8.0f %8.2f %8.2f %8.0f\n", qPrintable(engine), s.name, s.clients,
                        o.done, o.errors, o.done / o.seconds, o.p50, o.p99, o.max);
            std::fflush(stdout);
        }
        if (qEnvironmentVariableIsSet("BENCH_SHOW_REFUSALS"))
            for (const QString& line : server.log().split('\n'))
                if (!line.isEmpty() && !line.contains("\" 20"))
                    std::fprintf(stderr, "server: %s\n", qPrintable(line));
    }
    return 0;
}
