#include "support/BackendServer.h"

#include <QDir>
#include <QRegularExpression>
#include <pwd.h>
#include <signal.h>
#include <unistd.h>

namespace vantorel::test {

QString BackendServer::executable() {
    return QStringLiteral(VANTOREL_SERVER);
}

BackendServer::BackendServer(const QString& database, const QStringList& extraArguments)
    : database_(database.isEmpty() ? dir_.filePath(QStringLiteral("vantorel.sqlite3")) : database) {
    // Its log goes to a file: a pipe that nobody reads while the test blocks would fill and stop the server.
    process_.setStandardErrorFile(dir_.filePath(QStringLiteral("server.log")));
    process_.setProgram(executable());
    process_.setArguments(QStringList{"--listen", "127.0.0.1:0", "--database", database_} + extraArguments);
    process_.start();
    if (!process_.waitForStarted(10000)) {
        error_ = QStringLiteral("vantorel-server did not start: ") + process_.errorString();
        return;
    }
    // The first line of its output names the port once it listens.
    while (!process_.canReadLine() && process_.state() == QProcess::Running && process_.waitForReadyRead(60000)) {
    }
    const QString line = QString::fromUtf8(process_.readLine());
    static const QRegularExpression listening(QStringLiteral(R"(listening on (http://127\.0\.0\.1:(\d+)))"));
    const auto m = listening.match(line);
    if (!m.hasMatch()) {
        process_.waitForFinished(5000);
        error_ = QStringLiteral("vantorel-server did not listen: ") + line +
                 QString::fromUtf8(process_.readAllStandardError());
        return;
    }
    url_ = m.captured(1);
    port_ = m.captured(2).toInt();
}

BackendServer::~BackendServer() {
    stop();
}

QString BackendServer::log() {
    QFile file(dir_.filePath(QStringLiteral("server.log")));
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

int BackendServer::admin(const QStringList& arguments, QString* output) const {
    QProcess p;
    p.start(executable(), QStringList{"admin"} + arguments + QStringList{"--database", database_});
    p.waitForFinished(60000);
    if (output)
        *output = QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError());
    return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
}

bool BackendServer::stop(int timeoutMs) {
    if (process_.state() != QProcess::NotRunning) {
        ::kill(static_cast<pid_t>(process_.processId()), SIGTERM);
        if (!process_.waitForFinished(timeoutMs)) {
            process_.kill();
            process_.waitForFinished(5000);
            return false;
        }
    }
    return process_.exitStatus() == QProcess::NormalExit && process_.exitCode() == 0;
}

QString PostgresCluster::binary(const QString& name) {
    for (const QString& version : QDir(QStringLiteral("/usr/lib/postgresql"))
                                      .entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name | QDir::Reversed)) {
        const QString path = QStringLiteral("/usr/lib/postgresql/%1/bin/%2").arg(version, name);
        if (QFile::exists(path))
            return path;
    }
    return QString();
}

bool PostgresCluster::run(const QString& program, const QStringList& arguments, QString* output, int timeoutMs) {
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.setWorkingDirectory(dir_.path());
    if (::geteuid() == 0)
        p.start("runuser", QStringList{"-u", "nobody", "--", program} + arguments);
    else
        p.start(program, arguments);
    const bool finished = p.waitForFinished(timeoutMs);
    const QString out = QString::fromUtf8(p.readAll());
    if (output)
        *output = out;
    if (!finished || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        error_ = program + QStringLiteral(" failed: ") + out;
        return false;
    }
    return true;
}

PostgresCluster::PostgresCluster(bool durable) {
    const QString initdb = binary("initdb");
    if (initdb.isEmpty()) {
        error_ = QStringLiteral("no PostgreSQL server installed (scripts/setup installs postgresql-15)");
        return;
    }
    if (::geteuid() == 0) {
        const passwd* nobody = ::getpwnam("nobody");
        if (!nobody || ::chown(QFile::encodeName(dir_.path()).constData(), nobody->pw_uid, nobody->pw_gid) != 0) {
            error_ = QStringLiteral("cannot hand the cluster's folder to nobody");
            return;
        }
    }
    const QString data = dir_.filePath("data");
    socketDir_ = dir_.path();
    if (!run(initdb, {"-D", data, "-U", "vantorel", "--auth=trust", "--no-sync", "-E", "UTF8", "--no-locale"}))
        return;
    QString options = QStringLiteral("-c listen_addresses='' -c unix_socket_directories='%1' -c port=5432 "
                                     "-c max_connections=200")
                          .arg(socketDir_);
    if (!durable)
        options += QStringLiteral(" -c fsync=off");
    started_ = run(binary("pg_ctl"), {"-D", data, "-o", options, "-l", dir_.filePath("server.log"), "-w", "start"});
}

PostgresCluster::~PostgresCluster() {
    for (auto& s : sessions_) {
        s->closeWriteChannel();
        if (!s->waitForFinished(5000))
            s->kill();
    }
    if (started_)
        run(binary("pg_ctl"), {"-D", dir_.filePath("data"), "-m", "fast", "-w", "stop"});
}

QString PostgresCluster::url(const QString& database) const {
    return QStringLiteral("postgresql:///%1?host=%2&port=5432&user=vantorel").arg(database, socketDir_);
}

QString PostgresCluster::psql(const QString& database, const QString& sql, bool* ok) const {
    QProcess p;
    p.start(binary("psql"), {"-X", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-d", url(database), "-c", sql});
    p.waitForFinished(60000);
    if (ok)
        *ok = p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
    return QString::fromUtf8(p.readAllStandardOutput() + p.readAllStandardError()).trimmed();
}

QString PostgresCluster::createDatabase(const QString& name) {
    bool ok = false;
    psql("postgres", QStringLiteral("CREATE DATABASE \"%1\"").arg(name), &ok);
    return ok ? url(name) : QString();
}

QProcess* PostgresCluster::openSession(const QString& database) {
    auto p = std::make_unique<QProcess>();
    p->setProcessChannelMode(QProcess::MergedChannels);
    p->start(binary("psql"), {"-X", "-q", "-d", url(database)});
    p->waitForStarted(10000);
    sessions_.push_back(std::move(p));
    return sessions_.back().get();
}

} // namespace vantorel::test
