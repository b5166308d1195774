#pragma once

#include "core/Scheduler.h"
#include "platform/x11/X11Backend.h"
#include "platform/x11/X11WindowTracker.h"
#include "platform/x11/X11Workspace.h"
#include "support/PrivateDesktop.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QProcess>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <memory>

extern vantorel::test::PrivateDesktop* g_desktop;

namespace vantorel::test {

// Runs a program to its end (10 s at most); what it printed.
inline QString run(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    p.waitForFinished(10000);
    return QString::fromLocal8Bit(p.readAllStandardOutput());
}
inline void xdotool(const QStringList& args) {
    run(QStringLiteral("xdotool"), args);
}

// What the screen shows in a rectangle of root coordinates; a null image when
// it cannot be read.
inline QImage grabRoot(xcb_connection_t* c, const QRect& r) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    auto reply =
        xreply(xcb_get_image_reply(c,
                                   xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, root, int16_t(r.x()), int16_t(r.y()),
                                                 uint16_t(r.width()), uint16_t(r.height()), ~0u),
                                   nullptr));
    if (!reply || xcb_get_image_data_length(reply.get()) < r.width() * r.height() * 4)
        return {};
    QImage image(r.size(), QImage::Format_RGB32);
    const auto* data = reinterpret_cast<const quint32*>(xcb_get_image_data(reply.get()));
    for (int y = 0; y < r.height(); ++y)
        for (int x = 0; x < r.width(); ++x)
            image.setPixel(x, y, data[y * r.width() + x] | 0xff000000u);
    return image;
}

// Installed applications for the tests: a terminal started with its own
// window class, two applications that one office process hosts, and an
// installed editor that does not run. Three that the test client plays and
// that really start: an application, the file manager (the handler of
// folders, opening a window per folder it is given) and a D-Bus-activatable
// one. A shell whose actions open titled xterms. Nothing for xclock.
class FixtureApplications {
public:
    FixtureApplications() {
        QDir(dir_.path()).mkpath("home/applications");
        QDir(dir_.path()).mkpath("system/applications");
        write("org.vantorel.TestTerm.desktop", "Test Terminal", "vantorel-test-terminal", "TestTerm");
        write("org.vantorel.Writer.desktop", "Office Writer", "vantorel-test-office --writer", "DocWriter");
        write("org.vantorel.Calc.desktop", "Office Calc", "vantorel-test-office --calc", "DocCalc");
        write("org.vantorel.TextEditor.desktop", "Text Editor", "vantorel-test-editor", "TextEditor");
        // A copy of the test client under a name of its own: these entries
        // must not claim every test client's window by its executable.
        QDir(dir_.path()).mkpath("bin");
        const QString client = dir_.path() + "/bin/vantorel-fixture-app";
        QFile::copy(VANTOREL_X_CLIENT, client);
        QFile::setPermissions(client, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        write("org.vantorel.Launched.desktop", "Launched", client + " --window Launched Launched", "Launched");
        write("org.vantorel.Files.desktop", "Files", client + " --window FilesFixture Files %U", "FilesFixture",
              "MimeType=inode/directory;\n");
        write("org.vantorel.Dbus.desktop", "Bus Application", client + " --window DbusFixture Dbus", "DbusFixture",
              "DBusActivatable=true\n");
        // Through sh, so that the entry does not claim every xterm by its program.
        write("org.vantorel.Shell.desktop", "Shell Fixture",
              "sh -c \"exec xterm -class ShellFixture -title ShellMain\"", "ShellFixture",
              "Actions=new-window;new-private-window;\n\n[Desktop Action new-window]\nName=New Window\n"
              "Exec=sh -c \"exec xterm -class ShellFixture -geometry 40x8+300+40 -title ShellWindow\"\n\n"
              "[Desktop Action new-private-window]\nName=New Private Window\n"
              "Exec=sh -c \"exec xterm -class ShellFixture -geometry 40x8+300+300 -title 'Shell Private'\"\n");
        saved_ = {qgetenv("XDG_DATA_HOME"), qgetenv("XDG_DATA_DIRS")};
        qputenv("XDG_DATA_HOME", (dir_.path() + "/home").toLocal8Bit());
        qputenv("XDG_DATA_DIRS", (dir_.path() + "/system").toLocal8Bit());
    }
    ~FixtureApplications() {
        qputenv("XDG_DATA_HOME", saved_.first);
        qputenv("XDG_DATA_DIRS", saved_.second);
    }

private:
    void write(const QString& id, const QString& name, const QString& exec, const QString& wmClass,
               const QString& extra = QString()) {
        QFile f(dir_.path() + "/home/applications/" + id);
        f.open(QIODevice::WriteOnly);
        f.write(QStringLiteral("[Desktop Entry]\nType=Application\nName=%1\nExec=%2\nStartupWMClass=%3\n"
                               "Icon=utilities-terminal\n%4")
                    .arg(name, exec, wmClass, extra)
                    .toUtf8());
    }
    QTemporaryDir dir_;
    std::pair<QByteArray, QByteArray> saved_;
};

// A backend of its own on the private desktop, with the fixture applications installed.
class X11Desktop : public ::testing::Test {
protected:
    X11Desktop() : backend(X11Backend::create(scheduler, QCoreApplication::applicationPid())) {}
    ~X11Desktop() override {
        // Gone before the next test looks at the desktop.
        for (QProcess* p : clients) {
            p->kill();
            p->waitForFinished(2000);
        }
    }

    const X11AppGroup* group(const std::function<bool(const X11AppGroup&)>& match) {
        for (const auto& g : backend->workspace().groups())
            if (match(g))
                return &g;
        return nullptr;
    }
    const X11AppGroup* groupWithTitle(const QString& title) {
        return group([&](const X11AppGroup& g) {
            for (xcb_window_t id : g.windows)
                if (const X11Window* w = backend->tracker().window(id); w && w->title == title)
                    return true;
            return false;
        });
    }
    // A process that ends with the test.
    QProcess* spawn(const QString& program, const QStringList& args) {
        clients.push_back(g_desktop->spawn(program, args));
        return clients.back();
    }
    QProcess* term(const QString& title, const QString& geometry, const QStringList& extra = {}) {
        return spawn("xterm", QStringList{"-title", title, "-geometry", geometry} + extra);
    }
    // The test client: one process, a window per (class, title) pair.
    QProcess* client(const std::vector<std::pair<QString, QString>>& windows, const QStringList& options = {}) {
        QStringList args = options;
        for (const auto& [cls, title] : windows)
            args << "--window" << cls << title;
        return spawn(VANTOREL_X_CLIENT, args);
    }
    const X11Window* windowTitled(const QString& title) {
        const X11AppGroup* g = groupWithTitle(title);
        if (!g)
            return nullptr;
        for (xcb_window_t id : g->windows)
            if (const X11Window* w = backend->tracker().window(id); w && w->title == title)
                return w;
        return nullptr;
    }

    FixtureApplications apps;
    QtScheduler scheduler;
    std::unique_ptr<X11Backend> backend;
    std::vector<QProcess*> clients;
};

} // namespace vantorel::test
