#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <optional>
#include <utility>
#include <vector>

namespace vantorel::test {

// Sets environment variables for one test and puts the old values back.
class EnvGuard {
public:
    EnvGuard() = default;
    EnvGuard(const EnvGuard&) = delete;
    EnvGuard& operator=(const EnvGuard&) = delete;
    ~EnvGuard() {
        for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
            if (it->second)
                qputenv(it->first.constData(), *it->second);
            else
                qunsetenv(it->first.constData());
        }
    }
    void set(const char* name, const QString& value) {
        remember(name);
        qputenv(name, value.toUtf8());
    }
    void unset(const char* name) {
        remember(name);
        qunsetenv(name);
    }

private:
    void remember(const char* name) {
        saved_.emplace_back(name, qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt);
    }
    std::vector<std::pair<QByteArray, std::optional<QByteArray>>> saved_;
};

// A scratch tree of desktop files, programs and lists.
class FixtureTree {
public:
    FixtureTree() { EXPECT_TRUE(dir_.isValid()); }
    QString path(const QString& relative = QString()) const {
        return relative.isEmpty() ? dir_.path() : dir_.path() + u'/' + relative;
    }
    QString write(const QString& relative, const QByteArray& content) const {
        const QString file = path(relative);
        QDir().mkpath(QFileInfo(file).path());
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << qPrintable(file);
        f.write(content);
        return file;
    }
    // An executable file (a shell script does: nothing runs it).
    QString program(const QString& relative) const {
        const QString file = write(relative, "#!/bin/sh\nexit 0\n");
        QFile::setPermissions(file, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return file;
    }
    // A minimal application entry with extra lines appended.
    QString app(const QString& relative, const QString& name, const QString& exec, const QByteArray& extra = {}) const {
        return write(relative, "[Desktop Entry]\nType=Application\nName=" + name.toUtf8() + "\nExec=" + exec.toUtf8() +
                                   "\n" + extra);
    }

private:
    QTemporaryDir dir_;
};

} // namespace vantorel::test
