// Measures click-to-active latency on a real X desktop: moves the pointer onto
// a taskbar button, presses and releases it through XTEST, and waits for the
// window manager to name the clicked application's window in
// _NET_ACTIVE_WINDOW. The buttons' places come from the state file the
// taskbar writes ($VANTOREL_STATE_FILE); the clicks alternate between the
// named applications, so each click brings one from the background.
//
//   click_probe STATE_FILE CLICKS TITLE_A TITLE_B
//
// Prints one line per click (milliseconds), then the median and the worst.
#include <QByteArray>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRect>
#include <QString>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <optional>
#include <poll.h>
#include <vector>
#include <xcb/xcb.h>
#include <xcb/xtest.h>

namespace {

using Clock = std::chrono::steady_clock;

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

std::vector<xcb_window_t> windowList(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, uint32_t max = 1024) {
    std::vector<xcb_window_t> out;
    auto* r = xcb_get_property_reply(c, xcb_get_property(c, 0, w, property, XCB_ATOM_WINDOW, 0, max), nullptr);
    if (r && r->format == 32) {
        const auto* v = static_cast<const xcb_window_t*>(xcb_get_property_value(r));
        out.assign(v, v + xcb_get_property_value_length(r) / 4);
    }
    std::free(r);
    return out;
}

QString title(xcb_connection_t* c, xcb_window_t w, xcb_atom_t netName) {
    auto* r = xcb_get_property_reply(c, xcb_get_property(c, 0, w, netName, XCB_GET_PROPERTY_TYPE_ANY, 0, 256), nullptr);
    QString out;
    if (r)
        out = QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
    std::free(r);
    return out;
}

// The button's frame in root coordinates, from the state file.
std::optional<QRect> buttonFrame(const QString& stateFile, const QString& name) {
    QFile f(stateFile);
    if (!f.open(QIODevice::ReadOnly))
        return std::nullopt;
    const auto buttons = QJsonDocument::fromJson(f.readAll()).object().value("buttons").toArray();
    for (const auto& b : buttons) {
        const auto o = b.toObject();
        const auto frame = o.value("frame").toArray();
        if (o.value("title").toString() == name && frame.size() == 4 && frame[2].toInt() > 0)
            return QRect(frame[0].toInt(), frame[1].toInt(), frame[2].toInt(), frame[3].toInt());
    }
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: click_probe STATE_FILE CLICKS TITLE_A TITLE_B\n");
        return 2;
    }
    const QString stateFile = QString::fromLocal8Bit(argv[1]);
    const int clicks = std::atoi(argv[2]);
    const QString names[2] = {QString::fromLocal8Bit(argv[3]), QString::fromLocal8Bit(argv[4])};

    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c)) {
        std::fprintf(stderr, "click_probe: cannot connect to the X server\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    const xcb_atom_t active = atom(c, "_NET_ACTIVE_WINDOW"), clientList = atom(c, "_NET_CLIENT_LIST"),
                     netName = atom(c, "_NET_WM_NAME");
    const uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_change_window_attributes(c, root, XCB_CW_EVENT_MASK, &mask);

    // The applications' windows, by title.
    xcb_window_t targets[2] = {0, 0};
    for (xcb_window_t w : windowList(c, root, clientList))
        for (int i = 0; i < 2; ++i)
            if (title(c, w, netName) == names[i])
                targets[i] = w;
    for (int i = 0; i < 2; ++i)
        if (!targets[i]) {
            std::fprintf(stderr, "click_probe: no window titled %s\n", qPrintable(names[i]));
            return 1;
        }

    // The panel stands at the bottom once the window manager has let it move there.
    const int rootHeight = xcb_setup_roots_iterator(xcb_get_setup(c)).data->height_in_pixels;
    for (int waited = 0;; waited += 100) {
        const auto a = buttonFrame(stateFile, names[0]), b = buttonFrame(stateFile, names[1]);
        if (a && b && a->top() > rootHeight - 80 && b->top() > rootHeight - 80)
            break;
        if (waited > 15000) {
            std::fprintf(stderr, "click_probe: no buttons for %s and %s at the bottom of the screen in %s\n", argv[3],
                         argv[4], argv[1]);
            return 1;
        }
        QThread::msleep(100);
    }

    std::vector<double> samples;
    int failures = 0;
    for (int n = 0; n < clicks; ++n) {
        // Start with the one that is not active.
        const auto now = windowList(c, root, active, 1);
        const int which = (now.empty() || now.front() != targets[0]) ? 0 : 1;
        const auto frame = buttonFrame(stateFile, names[which]);
        if (!frame) {
            std::fprintf(stderr, "click_probe: no button for %s in %s\n", qPrintable(names[which]), argv[1]);
            return 1;
        }
        const QPoint at = frame->center();
        xcb_test_fake_input(c, XCB_MOTION_NOTIFY, 0, XCB_CURRENT_TIME, root, static_cast<int16_t>(at.x()),
                            static_cast<int16_t>(at.y()), 0);
        xcb_flush(c);
        QThread::msleep(60);
        // Drop what came before the press.
        while (xcb_generic_event_t* e = xcb_poll_for_event(c))
            std::free(e);

        const auto pressed = Clock::now();
        xcb_test_fake_input(c, XCB_BUTTON_PRESS, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_test_fake_input(c, XCB_BUTTON_RELEASE, 1, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(c);
        bool reached = false;
        pollfd pfd{xcb_get_file_descriptor(c), POLLIN, 0};
        while (!reached && Clock::now() - pressed < std::chrono::seconds(2)) {
            xcb_generic_event_t* e = xcb_poll_for_event(c);
            if (!e) {
                ::poll(&pfd, 1, 20);
                continue;
            }
            const bool changed = (e->response_type & 0x7f) == XCB_PROPERTY_NOTIFY &&
                                 reinterpret_cast<xcb_property_notify_event_t*>(e)->atom == active;
            std::free(e);
            if (changed) {
                const auto value = windowList(c, root, active, 1);
                reached = !value.empty() && value.front() == targets[which];
            }
        }
        if (!reached) {
            ++failures;
            std::printf("click %d on %s: not active after 2 s\n", n + 1, qPrintable(names[which]));
        } else {
            const double ms = std::chrono::duration<double, std::milli>(Clock::now() - pressed).count();
            samples.push_back(ms);
            std::printf("click %d on %s: %.1f ms\n", n + 1, qPrintable(names[which]), ms);
        }
        std::fflush(stdout);
        // Let the taskbar see the new active application before the next click.
        QThread::msleep(250);
    }
    if (samples.empty()) {
        std::printf("no click made an application active\n");
        return 1;
    }
    std::sort(samples.begin(), samples.end());
    const std::size_t n = samples.size();
    const double median = n % 2 ? samples[n / 2] : (samples[n / 2 - 1] + samples[n / 2]) / 2;
    std::printf("clicks %zu, median %.1f ms, worst %.1f ms, best %.1f ms, failed %d\n", n, median, samples.back(),
                samples.front(), failures);
    xcb_disconnect(c);
    return failures ? 1 : 0;
}
