// vantorel-server: the reference backend of the taskbar's account and feedback features.
#include "Api.h"
#include "Database.h"
#include "Schema.h"
#include "Security.h"
#include "Store.h"

#include <QDir>
#include <QString>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <httplib.h>
#include <mutex>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <optional>
#include <sodium.h>
#include <string>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace vantorel::server;

namespace {

const char* kUsage = R"(Usage: vantorel-server [options]
       vantorel-server admin add|remove EMAIL [--database LOCATION]
       vantorel-server admin list [--database LOCATION]

Serves the account, feedback and administrators' inbox API of the Vantorel
taskbar, and its account and feedback web pages.

Options:
  --listen HOST:PORT        where to listen (default 127.0.0.1:8787; port 0 picks a free port)
  --database LOCATION       a SQLite file (default $XDG_DATA_HOME/vantorel-server/vantorel.sqlite3)
                            or a PostgreSQL URL (postgresql://user@host/dbname)
  --threads N               request threads (default 64)
  --db-connections N        database connections per process (default 16)
  --argon2-memory-mib N     Argon2id memory cost of new password hashes (default 19)
  --argon2-iterations N     Argon2id passes of new password hashes (default 2)
  --trust-forwarded-for     take the client address from X-Forwarded-For (only behind your own proxy)
  --help                    print this help and exit

Administrators are made only here: "vantorel-server admin add EMAIL" gives an
existing account the administrator role. SIGTERM and SIGINT stop the server
after the requests in progress have been answered.
)";

struct Options {
    std::string host = "127.0.0.1";
    int port = 8787;
    std::string database;
    int threads = 64;
    int dbConnections = 16;
    PasswordCost cost;
    bool trustForwardedFor = false;
    std::vector<std::string> command; // "admin add EMAIL" ...
};

[[noreturn]] void die(const std::string& message, int status = 2) {
    std::fprintf(stderr, "vantorel-server: %s\n", message.c_str());
    std::exit(status);
}

int positiveNumber(const std::string& option, const std::string& text) {
    try {
        size_t used = 0;
        const int n = std::stoi(text, &used);
        if (used == text.size() && n > 0)
            return n;
    } catch (...) {
    }
    die(option + " takes a positive number, not \"" + text + "\"");
}

Options parse(int argc, char** argv) {
    Options o;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        auto value = [&]() -> std::string {
            if (i + 1 >= argc)
                die(arg + " needs a value");
            return argv[++i];
        };
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            std::exit(0);
        } else if (arg == "--listen") {
            const std::string v = value();
            const auto colon = v.rfind(':');
            if (colon == std::string::npos || colon == 0)
                die("--listen takes HOST:PORT, not \"" + v + "\"");
            o.host = v.substr(0, colon);
            if (o.host.size() > 2 && o.host.front() == '[' && o.host.back() == ']')
                o.host = o.host.substr(1, o.host.size() - 2);
            const std::string port = v.substr(colon + 1);
            o.port = port == "0" ? 0 : positiveNumber("--listen", port);
            if (o.port > 65535)
                die("--listen: no port " + port);
        } else if (arg == "--database") {
            o.database = value();
        } else if (arg == "--threads") {
            o.threads = positiveNumber(arg, value());
        } else if (arg == "--db-connections") {
            o.dbConnections = positiveNumber(arg, value());
        } else if (arg == "--argon2-memory-mib") {
            o.cost.memoryBytes = static_cast<size_t>(positiveNumber(arg, value())) * 1024u * 1024u;
        } else if (arg == "--argon2-iterations") {
            o.cost.iterations = static_cast<unsigned long long>(positiveNumber(arg, value()));
        } else if (arg == "--trust-forwarded-for") {
            o.trustForwardedFor = true;
        } else if (!arg.empty() && arg[0] == '-') {
            die("unknown option " + arg + " (see --help)");
        } else {
            o.command.push_back(arg);
        }
    }
    return o;
}

std::string defaultDatabase() {
    QString data = qEnvironmentVariable("XDG_DATA_HOME");
    if (data.isEmpty())
        data = QDir::homePath() + QStringLiteral("/.local/share");
    const QString dir = data + QStringLiteral("/vantorel-server");
    if (!QDir().mkpath(dir))
        die("cannot create " + dir.toStdString());
    QFile::setPermissions(dir, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    return (dir + QStringLiteral("/vantorel.sqlite3")).toStdString();
}

std::unique_ptr<Database> openDatabase(const Options& o) {
    const std::string location = o.database.empty() ? defaultDatabase() : o.database;
    try {
        auto db = Database::open(location, o.dbConnections);
        const int version = migrate(*db);
        if (version > latestSchemaVersion())
            die("the database was set up by a newer server (schema " + std::to_string(version) + ")");
        return db;
    } catch (const DatabaseError& e) {
        die(e.what());
    }
}

int admin(const Options& o) {
    const auto& c = o.command;
    const bool list = c.size() == 2 && c[1] == "list";
    const bool change = c.size() == 3 && (c[1] == "add" || c[1] == "remove");
    if (!list && !change)
        die("use: vantorel-server admin add|remove EMAIL, or admin list");
    auto db = openDatabase(o);
    Store store(*db);
    if (list) {
        for (const auto& email : store.emailsWithRole("admin"))
            std::printf("%s\n", email.c_str());
        return 0;
    }
    const std::string key = QString::fromStdString(c[2]).trimmed().toLower().toStdString();
    if (!store.setRole(key, c[1] == "add" ? "admin" : "user"))
        die("no account has the email " + c[2] + "; sign up first", 1);
    std::printf("%s %s\n", c[2].c_str(), c[1] == "add" ? "is now an administrator" : "is no longer an administrator");
    return 0;
}

// One line per request: no bodies, no query strings, no headers, so no
// password or token ever reaches the log.
thread_local std::optional<std::chrono::steady_clock::time_point> requestStart;
std::mutex logMutex;

void logRequest(const Api& api, const httplib::Request& req, const httplib::Response& res) {
    char took[32] = "-";
    if (requestStart) {
        const auto us =
            std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - *requestStart)
                .count();
        std::snprintf(took, sizeof took, "%.1fms", static_cast<double>(us) / 1000.0);
        requestStart.reset();
    }
    const std::string line = isoTime(nowMillis()) + " " + api.clientAddress(req) + " \"" + req.method + " " + req.path +
                             "\" " + std::to_string(res.status) + " " + took + "\n";
    std::lock_guard<std::mutex> lock(logMutex);
    std::fputs(line.c_str(), stderr);
}

} // namespace

int main(int argc, char** argv) {
    std::signal(SIGPIPE, SIG_IGN);
    if (sodium_init() < 0)
        die("libsodium cannot start");
    const Options o = parse(argc, argv);
    if (!o.command.empty()) {
        if (o.command[0] == "admin")
            return admin(o);
        die("unknown command " + o.command[0] + " (see --help)");
    }

    // Signals are taken by one thread of their own; every other thread,
    // including httplib's, inherits the blocked mask.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    auto db = openDatabase(o);
    Store store(*db);
    PasswordHasher hasher(o.cost, static_cast<int>(std::max(1u, std::thread::hardware_concurrency())));
    ApiLimits limits;
    limits.trustForwardedFor = o.trustForwardedFor;
    Api api(store, hasher, limits);

    httplib::Server server;
    const int threads = o.threads;
    server.new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<size_t>(threads)); };
    // httplib's default also sets SO_REUSEPORT, which would let a second server
    // share a port silently; a port in use must be refused.
    server.set_socket_options([](socket_t sock) {
        int yes = 1;
        setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    });
    // Headers and body go out in separate writes; Nagle would hold the second for the peer's delayed ACK.
    server.set_tcp_nodelay(true);
    server.set_payload_max_length(64 * 1024);
    server.set_keep_alive_max_count(1000);
    server.set_keep_alive_timeout(5);
    server.set_read_timeout(10);
    server.set_write_timeout(10);
    server.set_default_headers({{"X-Content-Type-Options", "nosniff"}, {"Cache-Control", "no-store"}});
    server.set_pre_routing_handler([](const httplib::Request&, httplib::Response&) {
        requestStart = std::chrono::steady_clock::now();
        return httplib::Server::HandlerResponse::Unhandled;
    });
    server.set_exception_handler([](const httplib::Request& req, httplib::Response& res, std::exception_ptr ep) {
        std::string what = "unknown error";
        try {
            std::rethrow_exception(ep);
        } catch (const std::exception& e) {
            what = e.what();
        } catch (...) {
        }
        {
            std::lock_guard<std::mutex> lock(logMutex);
            std::fprintf(stderr, "%s error in %s %s: %s\n", isoTime(nowMillis()).c_str(), req.method.c_str(),
                         req.path.c_str(), what.c_str());
        }
        res.status = 500;
        res.set_content(R"({"error":"The server could not complete the request."})", "application/json; charset=utf-8");
    });
    server.set_logger([&api](const httplib::Request& req, const httplib::Response& res) { logRequest(api, req, res); });
    api.install(server);

    int port = o.port;
    errno = 0;
    const bool bound = port == 0 ? (port = server.bind_to_any_port(o.host)) > 0 : server.bind_to_port(o.host, port);
    if (!bound) {
        const int error = errno;
        const std::string where = o.host + ":" + std::to_string(o.port);
        if (error == EADDRINUSE)
            die("cannot listen on " + where + ": the port is already in use (is another server running?)", 1);
        die("cannot listen on " + where + (error ? std::string(": ") + std::strerror(error) : std::string()), 1);
    }
    const std::string shownHost = o.host.find(':') != std::string::npos ? "[" + o.host + "]" : o.host;
    std::printf("vantorel-server: listening on http://%s:%d (%s)\n", shownHost.c_str(), port, db->engine().c_str());
    std::fflush(stdout);

    std::thread signals([&server, &stopSignals] {
        int received = 0;
        sigwait(&stopSignals, &received);
        if (server.is_running() || received != 0)
            server.stop();
    });
    const bool listened = server.listen_after_bind();
    // Wake the signal thread when the server ended on its own.
    pthread_kill(signals.native_handle(), SIGTERM);
    signals.join();
    std::fprintf(stderr, "%s vantorel-server: stopped\n", isoTime(nowMillis()).c_str());
    return listened ? 0 : 1;
}
