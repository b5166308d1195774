#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace vantorel::test {

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
