#include "platform/x11/X11Launch.h"

#include "core/Log.h"
#include "platform/x11/DesktopEntry.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QFileInfo>
#include <QProcess>
#include <QSysInfo>
#include <cstdlib>
#include <cstring>
#include <xcb/xcb.h>

namespace vantorel {

QByteArray startupMessage(const char* type, const std::vector<std::pair<QString, QString>>& fields) {
    QByteArray out(type);
    out += ':';
    for (const auto& [key, value] : fields) {
        QByteArray escaped = value.toUtf8();
        escaped.replace('\\', "\\\\").replace('"', "\\\"");
        out += ' ' + key.toLatin1() + "=\"" + escaped + '"';
    }
    return out;
}

QString makeStartupId(const QString& desktopId, quint32 serverTime) {
    static int sequence = 0;
    QString name = QFileInfo(desktopId).completeBaseName();
    name.replace(u' ', u'_');
    return QStringLiteral("vantorel-%1-%2-%3-%4_TIME%5")
        .arg(QCoreApplication::applicationPid())
        .arg(++sequence)
        .arg(QSysInfo::machineHostName(), name)
        .arg(serverTime);
}

namespace {

// A connection of its own for the moment of a launch, so that waiting for
// the server's time never takes events from the backend's connection.
class StartupDisplay {
public:
    StartupDisplay() {
        c_ = xcb_connect(nullptr, &screenNumber_);
        if (xcb_connection_has_error(c_))
            return;
        xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c_));
        for (int i = 0; i < screenNumber_ && it.rem; ++i)
            xcb_screen_next(&it);
        root_ = it.data->root;
        window_ = xcb_generate_id(c_);
        const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
        xcb_create_window(c_, 0, window_, root_, -100, -100, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY, XCB_COPY_FROM_PARENT,
                          XCB_CW_EVENT_MASK, &mask);
        begin_ = atom("_NET_STARTUP_INFO_BEGIN");
        more_ = atom("_NET_STARTUP_INFO");
    }
    ~StartupDisplay() {
        if (window_)
            xcb_destroy_window(c_, window_);
        xcb_flush(c_);
        xcb_disconnect(c_);
    }
    bool ok() const { return window_ != 0 && !xcb_connection_has_error(c_); }
    int screenNumber() const { return screenNumber_; }

    // The server's time now: the time stamp of a property change of our own.
    quint32 serverTime() {
        xcb_change_property(c_, XCB_PROP_MODE_APPEND, window_, more_, XCB_ATOM_STRING, 8, 0, nullptr);
        xcb_flush(c_);
        while (xcb_generic_event_t* e = xcb_wait_for_event(c_)) {
            const bool found = (e->response_type & ~0x80) == XCB_PROPERTY_NOTIFY;
            const quint32 time = found ? reinterpret_cast<xcb_property_notify_event_t*>(e)->time : 0;
            std::free(e);
            if (found)
                return time;
        }
        return 0;
    }

    // Broadcast in pieces of 20 bytes, the first as BEGIN; the message ends with its NUL.
    void send(const QByteArray& message) {
        const QByteArray data = message + '\0';
        for (qsizetype at = 0; at < data.size(); at += 20) {
            xcb_client_message_event_t ev{};
            ev.response_type = XCB_CLIENT_MESSAGE;
            ev.format = 8;
            ev.window = window_;
            ev.type = at == 0 ? begin_ : more_;
            std::memcpy(ev.data.data8, data.constData() + at,
                        static_cast<size_t>(std::min<qsizetype>(20, data.size() - at)));
            xcb_send_event(c_, 0, root_, XCB_EVENT_MASK_PROPERTY_CHANGE, reinterpret_cast<const char*>(&ev));
        }
        xcb_flush(c_);
    }

private:
    xcb_atom_t atom(const char* name) {
        auto* r =
            xcb_intern_atom_reply(c_, xcb_intern_atom(c_, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
        const xcb_atom_t a = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
        std::free(r);
        return a;
    }

    xcb_connection_t* c_ = nullptr;
    int screenNumber_ = 0;
    xcb_window_t root_ = 0;
    xcb_window_t window_ = 0;
    xcb_atom_t begin_ = XCB_ATOM_NONE;
    xcb_atom_t more_ = XCB_ATOM_NONE;
};

} // namespace

QString beginStartup(const DesktopEntry& entry, const QString& desktopId) {
    StartupDisplay display;
    if (!display.ok())
        return {};
    const QString id = makeStartupId(desktopId, display.serverTime());
    // Only an application that says it completes the startup (or whose window
    // can be recognised by its class) gets one; others would leave the busy
    // cursor until the window manager gives up.
    const QString wmClass = entry.startupWMClass();
    if (!entry.boolean(QStringLiteral("StartupNotify")) && wmClass.isEmpty())
        return id;
    std::vector<std::pair<QString, QString>> fields = {
        {QStringLiteral("ID"), id},
        {QStringLiteral("NAME"), entry.name()},
        {QStringLiteral("SCREEN"), QString::number(display.screenNumber())},
        {QStringLiteral("APPLICATION_ID"), entry.filePath()},
    };
    if (const auto args = entry.execArguments(); args && !args->isEmpty())
        fields.emplace_back(QStringLiteral("BIN"), QFileInfo(args->front()).fileName());
    if (!entry.icon().isEmpty())
        fields.emplace_back(QStringLiteral("ICON"), entry.icon());
    if (!wmClass.isEmpty())
        fields.emplace_back(QStringLiteral("WMCLASS"), wmClass);
    display.send(startupMessage("new", fields));
    return id;
}

void cancelStartup(const QString& startupId) {
    if (startupId.isEmpty())
        return;
    StartupDisplay display;
    if (display.ok())
        display.send(startupMessage("remove", {{QStringLiteral("ID"), startupId}}));
}

bool launchDesktopEntry(const DesktopEntry& entry, const QString& desktopId, const QString& startupId) {
    if (entry.dbusActivatable()) {
        QString name = desktopId;
        name.chop(QStringLiteral(".desktop").size());
        QString path = u'/' + name;
        path.replace(u'.', u'/').replace(u'-', u'_');
        auto call = QDBusMessage::createMethodCall(name, path, QStringLiteral("org.freedesktop.Application"),
                                                   QStringLiteral("Activate"));
        QVariantMap platformData;
        if (!startupId.isEmpty())
            platformData.insert(QStringLiteral("desktop-startup-id"), startupId);
        call << platformData;
        if (QDBusConnection::sessionBus().send(call))
            return true;
    }
    const auto args = entry.execArguments();
    if (!args || args->isEmpty()) {
        Log::app().error(QStringLiteral("Cannot start %1: %2").arg(desktopId, args.error()));
        return false;
    }
    QStringList command = *args;
    if (entry.terminal())
        command = QStringList{QStringLiteral("x-terminal-emulator"), QStringLiteral("-e")} + command;
    QProcess process;
    process.setProgram(command.front());
    process.setArguments(command.mid(1));
    process.setWorkingDirectory(entry.workingDirectory());
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    // Never the id we were started with ourselves.
    environment.remove(QStringLiteral("DESKTOP_STARTUP_ID"));
    if (!startupId.isEmpty())
        environment.insert(QStringLiteral("DESKTOP_STARTUP_ID"), startupId);
    process.setProcessEnvironment(environment);
    return process.startDetached();
}

} // namespace vantorel
