#pragma once

#include <QObject>
#include <QString>
#include <functional>
#include <memory>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xcb_ewmh.h>

class QSocketNotifier;

namespace vantorel {

// Frees an xcb reply when it goes out of scope.
template <typename T>
using XReply = std::unique_ptr<T, decltype(&std::free)>;
template <typename T>
XReply<T> xreply(T* reply) {
    return XReply<T>(reply, &std::free);
}

// The atoms the backend uses beyond the EWMH set.
struct X11Atoms {
    xcb_atom_t WM_STATE, WM_CHANGE_STATE, WM_PROTOCOLS, WM_DELETE_WINDOW, UTF8_STRING;
    xcb_atom_t NET_WM_WINDOW_OPACITY, NET_WM_ICON, GTK_APPLICATION_ID, KDE_NET_WM_DESKTOP_FILE;
};

// The backend's own connection to the X server (never Qt's), with its event
// stream integrated into the Qt event loop.
class X11Connection : public QObject {
    Q_OBJECT
public:
    // Nothing when the display cannot be opened.
    static std::unique_ptr<X11Connection> open(const QString& display = QString());
    ~X11Connection() override;

    xcb_connection_t* connection() const { return c_; }
    xcb_window_t root() const { return root_; }
    xcb_screen_t* screen() const { return screen_; }
    xcb_ewmh_connection_t* ewmh() { return &ewmh_; }
    const X11Atoms& atoms() const { return atoms_; }
    bool hasError() const { return xcb_connection_has_error(c_) != 0; }

    // Called for every event, in order, on the main thread.
    void addEventHandler(std::function<void(const xcb_generic_event_t*)> handler);
    // Reads what the server has sent and dispatches it; safe to call any time.
    void drain();
    void flush() { xcb_flush(c_); }

    // An atom's name, for debugging and for unknown window types.
    QString atomName(xcb_atom_t atom);

private:
    X11Connection(xcb_connection_t* c, int screenNumber);
    void dispatch(xcb_generic_event_t* event);

    xcb_connection_t* c_ = nullptr;
    xcb_screen_t* screen_ = nullptr;
    xcb_window_t root_ = 0;
    xcb_ewmh_connection_t ewmh_{};
    X11Atoms atoms_{};
    QSocketNotifier* notifier_ = nullptr;
    std::vector<std::function<void(const xcb_generic_event_t*)>> handlers_;
    bool reportedError_ = false;
};

} // namespace vantorel
