#include "platform/x11/X11Launcher.h"

#include "core/Log.h"
#include "platform/x11/DesktopEntry.h"
#include "platform/x11/X11Connection.h"
#include "platform/x11/X11UserTime.h"

#include <QCoreApplication>
#include <QDBusMessage>
#include <QFileInfo>
#include <QProcess>
#include <QProcessEnvironment>
#include <QSysInfo>
#include <cstring>

namespace vantorel {

QString startupNotificationId(const QString& launcher, qint64 pid, const QString& host, const QString& what,
                              quint64 sequence, xcb_timestamp_t userTime) {
    // Spaces and the separators of the message cannot stand in an id.
    auto clean = [](QString s) {
        for (QChar& c : s)
            if (c.isSpace() || c == u'"' || c == u'\\' || c == u'=')
                c = u'_';
        return s;
    };
    QString id =
        QStringLiteral("%1-%2-%3-%4-%5").arg(clean(launcher)).arg(pid).arg(clean(host), clean(what)).arg(sequence);
    if (userTime != XCB_CURRENT_TIME)
        id += QStringLiteral("_TIME%1").arg(userTime);
    return id;
}

QByteArray startupNotificationMessage(const QString& kind, const std::vector<std::pair<QString, QString>>& fields) {
    QByteArray out = kind.toUtf8() + ':';
    for (const auto& [key, value] : fields) {
        QByteArray v = value.toUtf8();
        v.replace('\\', "\\\\").replace('"', "\\\"");
        out += ' ' + key.toUtf8() + "=\"" + v + '"';
    }
    out += '\0';
    return out;
}

X11Launcher::X11Launcher(X11Connection& x, const X11UserTime& userTime, QDBusConnection bus)
    : x_(x), userTime_(userTime), bus_(std::move(bus)) {}

xcb_timestamp_t X11Launcher::userTime() const {
    return userTime_.last();
}

QString X11Launcher::beginStartup(const QString& desktopId, const DesktopEntry& entry) {
    QString what = desktopId;
    if (what.endsWith(QLatin1String(".desktop")))
        what.chop(8);
    const QString id = startupNotificationId(QStringLiteral("vantorel"), QCoreApplication::applicationPid(),
                                             QSysInfo::machineHostName(), what, ++sequence_, userTime());
    // Only an application that ends the startup itself, or whose windows the
    // window manager can recognise, gets announced: anything else would leave
    // a busy pointer until the desktop gives up on it.
    const bool endsItself = entry.boolean(QStringLiteral("StartupNotify"));
    const QString wmClass = entry.startupWMClass();
    if (!endsItself && wmClass.isEmpty())
        return id;
    std::vector<std::pair<QString, QString>> fields{
        {QStringLiteral("ID"), id},
        {QStringLiteral("NAME"), entry.name()},
        {QStringLiteral("SCREEN"), QStringLiteral("0")},
        {QStringLiteral("DESCRIPTION"), QStringLiteral("Starting %1").arg(entry.name())},
        {QStringLiteral("APPLICATION_ID"), entry.filePath()},
    };
    if (!entry.icon().isEmpty())
        fields.emplace_back(QStringLiteral("ICON"), entry.icon());
    if (!wmClass.isEmpty())
        fields.emplace_back(QStringLiteral("WMCLASS"), wmClass);
    if (userTime() != XCB_CURRENT_TIME)
        fields.emplace_back(QStringLiteral("TIMESTAMP"), QString::number(userTime()));
    announce(startupNotificationMessage(QStringLiteral("new"), fields));
    return id;
}

void X11Launcher::announce(const QByteArray& message) {
    xcb_connection_t* c = x_.connection();
    auto atom = [c](const char* name) {
        auto reply = xreply(xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::strlen(name), name), nullptr));
        return reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    };
    const xcb_atom_t begin = atom("_NET_STARTUP_INFO_BEGIN"), more = atom("_NET_STARTUP_INFO");
    // The protocol names the sender by a window of its own, made for the message.
    const xcb_window_t sender = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, sender, x_.root(), -100, -100, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    for (qsizetype at = 0; at < message.size(); at += 20) {
        xcb_client_message_event_t ev{};
        ev.response_type = XCB_CLIENT_MESSAGE;
        ev.format = 8;
        ev.window = sender;
        ev.type = at == 0 ? begin : more;
        std::memcpy(ev.data.data8, message.constData() + at, std::min<qsizetype>(20, message.size() - at));
        xcb_send_event(c, 0, x_.root(), XCB_EVENT_MASK_PROPERTY_CHANGE, reinterpret_cast<const char*>(&ev));
    }
    xcb_destroy_window(c, sender);
    x_.flush();
}

bool X11Launcher::activateOverBus(const QString& desktopId, const QList<QUrl>& urls, const QString& startupId) {
    if (!bus_.isConnected())
        return false;
    QString name = desktopId;
    name.chop(QStringLiteral(".desktop").size());
    QString path = u'/' + name;
    path.replace(u'.', u'/').replace(u'-', u'_');
    const QVariantMap platformData{{QStringLiteral("desktop-startup-id"), startupId}};
    QDBusMessage call;
    if (urls.isEmpty()) {
        call = QDBusMessage::createMethodCall(name, path, QStringLiteral("org.freedesktop.Application"),
                                              QStringLiteral("Activate"));
        call << platformData;
    } else {
        QStringList uris;
        for (const QUrl& url : urls)
            uris << url.toString(QUrl::FullyEncoded);
        call = QDBusMessage::createMethodCall(name, path, QStringLiteral("org.freedesktop.Application"),
                                              QStringLiteral("Open"));
        call << uris << platformData;
    }
    return bus_.send(call);
}

bool X11Launcher::launch(const QString& desktopId, const DesktopEntry& entry, const QList<QUrl>& urls) {
    const QString startupId = beginStartup(desktopId, entry);
    if (entry.dbusActivatable() && activateOverBus(desktopId, urls, startupId))
        return true;
    const auto commands = entry.launchCommands(urls);
    if (!commands || commands->empty() || commands->front().isEmpty()) {
        Log::app().error(QStringLiteral("Cannot start %1: %2")
                             .arg(desktopId, commands ? QStringLiteral("no command") : commands.error()));
        return false;
    }
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DESKTOP_STARTUP_ID"), startupId);
    bool started = false;
    for (QStringList command : *commands) {
        if (entry.terminal())
            command = QStringList{QStringLiteral("x-terminal-emulator"), QStringLiteral("-e")} + command;
        // An argument list, never a shell: nothing in a file name or URL can become a command.
        QProcess process;
        process.setProgram(command.front());
        process.setArguments(command.mid(1));
        process.setProcessEnvironment(environment);
        if (const QString dir = entry.workingDirectory(); !dir.isEmpty() && QFileInfo(dir).isDir())
            process.setWorkingDirectory(dir);
        started = process.startDetached() || started;
    }
    if (!started)
        Log::app().error(QStringLiteral("Cannot start %1").arg(desktopId));
    return started;
}

} // namespace vantorel
