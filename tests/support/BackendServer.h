#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace vantorel::test {

// The reference backend as a real process on a free loopback port, with a
// SQLite file of its own unless a database is given. Stopped with SIGTERM.
class BackendServer {
public:
    explicit BackendServer(const QString& database = QString(), const QStringList& extraArguments = {});
    ~BackendServer();
    BackendServer(const BackendServer&) = delete;
    BackendServer& operator=(const BackendServer&) = delete;

    // Empty when the server did not come up; error() says why.
    const QString& url() const { return url_; }
    int port() const { return port_; }
    const QString& error() const { return error_; }
    QProcess& process() { return process_; }
    // What the server logged so far.
    QString log();
    // `vantorel-server admin ARGS` on the same database; its exit status.
    int admin(const QStringList& arguments, QString* output = nullptr) const;
    // SIGTERM and wait; true when the server ended by itself with status 0.
    bool stop(int timeoutMs = 20000);

    static QString executable();

private:
    QTemporaryDir dir_;
    QProcess process_;
    QString database_;
    QString url_;
    QString error_;
    int port_ = 0;
};

// A PostgreSQL cluster of the test's own: initdb into a temporary folder and a
// server on a private socket in it (no TCP). As root, it runs as "nobody",
// since PostgreSQL refuses to run as root.
class PostgresCluster {
public:
    // Not durable: no fsync, which tests do not need. Durable: PostgreSQL's defaults.
    explicit PostgresCluster(bool durable = false);
    ~PostgresCluster();
    PostgresCluster(const PostgresCluster&) = delete;
    PostgresCluster& operator=(const PostgresCluster&) = delete;

    bool ok() const { return error_.isEmpty(); }
    const QString& error() const { return error_; }
    // Creates an empty database and returns its URL for --database.
    QString createDatabase(const QString& name);
    // Runs SQL with psql on a database; the output (unaligned, tuples only).
    QString psql(const QString& database, const QString& sql, bool* ok = nullptr) const;
    QString url(const QString& database) const;
    // Starts psql reading SQL from its input, for sessions that hold locks.
    QProcess* openSession(const QString& database);

    static QString binary(const QString& name);

private:
    bool run(const QString& program, const QStringList& arguments, QString* output = nullptr, int timeoutMs = 120000);
    QTemporaryDir dir_;
    QString socketDir_;
    QString error_;
    bool started_ = false;
    std::vector<std::unique_ptr<QProcess>> sessions_;
};

} // namespace vantorel::test
