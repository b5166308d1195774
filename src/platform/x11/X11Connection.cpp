#include "platform/x11/X11Connection.h"

#include "core/Log.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QSocketNotifier>
#include <cstring>

namespace vantorel {

std::unique_ptr<X11Connection> X11Connection::open(const QString& display) {
    int screenNumber = 0;
    const QByteArray name = display.toLocal8Bit();
    xcb_connection_t* c = xcb_connect(display.isEmpty() ? nullptr : name.constData(), &screenNumber);
    if (!c || xcb_connection_has_error(c)) {
        if (c)
            xcb_disconnect(c);
        return nullptr;
    }
    return std::unique_ptr<X11Connection>(new X11Connection(c, screenNumber));
}

X11Connection::X11Connection(xcb_connection_t* c, int screenNumber) : c_(c) {
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c_));
    for (int i = 0; i < screenNumber && it.rem; ++i)
        xcb_screen_next(&it);
    screen_ = it.data;
    root_ = screen_->root;

    xcb_intern_atom_cookie_t* ewmhCookies = xcb_ewmh_init_atoms(c_, &ewmh_);
    const char* names[] = {"WM_STATE",
                           "WM_CHANGE_STATE",
                           "WM_PROTOCOLS",
                           "WM_DELETE_WINDOW",
                           "UTF8_STRING",
                           "_NET_WM_WINDOW_OPACITY",
                           "_NET_WM_ICON",
                           "_GTK_APPLICATION_ID",
                           "_KDE_NET_WM_DESKTOP_FILE"};
    xcb_atom_t* slots[] = {&atoms_.WM_STATE,
                           &atoms_.WM_CHANGE_STATE,
                           &atoms_.WM_PROTOCOLS,
                           &atoms_.WM_DELETE_WINDOW,
                           &atoms_.UTF8_STRING,
                           &atoms_.NET_WM_WINDOW_OPACITY,
                           &atoms_.NET_WM_ICON,
                           &atoms_.GTK_APPLICATION_ID,
                           &atoms_.KDE_NET_WM_DESKTOP_FILE};
    xcb_intern_atom_cookie_t cookies[std::size(names)];
    for (std::size_t i = 0; i < std::size(names); ++i)
        cookies[i] = xcb_intern_atom(c_, 0, static_cast<uint16_t>(std::strlen(names[i])), names[i]);
    xcb_ewmh_init_atoms_replies(&ewmh_, ewmhCookies, nullptr);
    for (std::size_t i = 0; i < std::size(names); ++i) {
        auto reply = xreply(xcb_intern_atom_reply(c_, cookies[i], nullptr));
        *slots[i] = reply ? reply->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    }

    notifier_ = new QSocketNotifier(xcb_get_file_descriptor(c_), QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &X11Connection::drain);
    // Replies waited for elsewhere may have pulled events off the socket; those
    // sit in xcb's queue without waking the socket notifier.
    if (auto* dispatcher = QAbstractEventDispatcher::instance(thread())) {
        connect(dispatcher, &QAbstractEventDispatcher::aboutToBlock, this, &X11Connection::drain);
        connect(dispatcher, &QAbstractEventDispatcher::awake, this, &X11Connection::drain);
    }
}

X11Connection::~X11Connection() {
    xcb_ewmh_connection_wipe(&ewmh_);
    xcb_disconnect(c_);
}

void X11Connection::addEventHandler(std::function<void(const xcb_generic_event_t*)> handler) {
    handlers_.push_back(std::move(handler));
}

void X11Connection::drain() {
    if (hasError()) {
        if (!reportedError_) {
            reportedError_ = true;
            notifier_->setEnabled(false);
            Log::app().error(QStringLiteral("The connection to the X server was lost"));
        }
        return;
    }
    while (xcb_generic_event_t* event = xcb_poll_for_event(c_))
        dispatch(event);
}

void X11Connection::dispatch(xcb_generic_event_t* event) {
    // Errors of requests whose replies nobody waits for: a window that vanished.
    if (event->response_type != 0)
        for (const auto& h : handlers_)
            h(event);
    std::free(event);
}

QString X11Connection::atomName(xcb_atom_t atom) {
    auto reply = xreply(xcb_get_atom_name_reply(c_, xcb_get_atom_name(c_, atom), nullptr));
    if (!reply)
        return {};
    return QString::fromLatin1(xcb_get_atom_name_name(reply.get()), xcb_get_atom_name_name_length(reply.get()));
}

} // namespace vantorel
