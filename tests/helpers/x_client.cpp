// An X client for desktop tests: one process with as many top-level windows
// as asked, each with its own window class, so that tests can play an office
// suite (one process, several applications), a window that names another
// process as its owner, or one that sets its icon only after it maps.
//
//   x_client [--claim-pid PID] [--icon-after-ms MS] [--size WxH] [--new-window-on-ctrl-n]
//            [--ask-before-closing] --window CLASS TITLE [--window CLASS TITLE ...] [DOCUMENT ...]
//
// Each DOCUMENT (a path or URL, as a launcher passes them) opens one more
// window of the first class, titled with it. --new-window-on-ctrl-n opens
// another window of the first class whenever Control+N is typed into one.
// --ask-before-closing takes part in the window manager's close protocol
// (WM_DELETE_WINDOW) and answers the first close request as an editor with
// unsaved work does: it stays and asks, in a window titled "Save changes?";
// a later request ends it.
// Like the toolkits, it puts $DESKTOP_STARTUP_ID on its windows as _NET_STARTUP_ID.
// Runs until it is killed or its windows are closed by the window manager.
#include <xcb/xcb.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <poll.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

xcb_atom_t atom(xcb_connection_t* c, const char* name) {
    auto* r = xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, static_cast<uint16_t>(std::strlen(name)), name), nullptr);
    const xcb_atom_t a = r ? r->atom : static_cast<xcb_atom_t>(XCB_ATOM_NONE);
    std::free(r);
    return a;
}

struct Options {
    int width = 240;
    int height = 160;
};

void setString(xcb_connection_t* c, xcb_window_t w, xcb_atom_t property, xcb_atom_t type, const std::string& value) {
    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, property, type, 8, static_cast<uint32_t>(value.size()),
                        value.data());
}

} // namespace

int main(int argc, char** argv) {
    long claimedPid = 0;
    int iconAfterMs = -1;
    bool newWindowOnCtrlN = false;
    bool askBeforeClosing = false;
    Options options;
    std::vector<std::pair<std::string, std::string>> windows;
    std::vector<std::string> documents;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--claim-pid" && i + 1 < argc)
            claimedPid = std::strtol(argv[++i], nullptr, 10);
        else if (arg == "--icon-after-ms" && i + 1 < argc)
            iconAfterMs = std::atoi(argv[++i]);
        else if (arg == "--size" && i + 1 < argc)
            std::sscanf(argv[++i], "%dx%d", &options.width, &options.height);
        else if (arg == "--new-window-on-ctrl-n")
            newWindowOnCtrlN = true;
        else if (arg == "--ask-before-closing")
            askBeforeClosing = true;
        else if (arg == "--window" && i + 2 < argc) {
            windows.emplace_back(argv[i + 1], argv[i + 2]);
            i += 2;
        } else if (arg.rfind("--", 0) != 0)
            documents.push_back(arg);
        else
            return 2;
    }
    if (windows.empty())
        return 2;
    for (const auto& document : documents)
        windows.emplace_back(windows.front().first, document);
    xcb_connection_t* c = xcb_connect(nullptr, nullptr);
    if (xcb_connection_has_error(c))
        return 1;
    xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const xcb_atom_t utf8 = atom(c, "UTF8_STRING");
    const xcb_atom_t netName = atom(c, "_NET_WM_NAME");
    const xcb_atom_t netPid = atom(c, "_NET_WM_PID");
    const xcb_atom_t netIcon = atom(c, "_NET_WM_ICON");
    const xcb_atom_t startupId = atom(c, "_NET_STARTUP_ID");
    const xcb_atom_t protocols = atom(c, "WM_PROTOCOLS");
    const xcb_atom_t deleteWindow = atom(c, "WM_DELETE_WINDOW");
    const uint32_t pid = static_cast<uint32_t>(claimedPid > 0 ? claimedPid : ::getpid());
    const char* startup = std::getenv("DESKTOP_STARTUP_ID");

    std::vector<xcb_window_t> ids;
    int x = 20;
    auto open = [&](const std::string& cls, const std::string& title) {
        const xcb_window_t w = xcb_generate_id(c);
        const uint32_t values[] = {screen->white_pixel, XCB_EVENT_MASK_STRUCTURE_NOTIFY | XCB_EVENT_MASK_KEY_PRESS};
        xcb_create_window(c, XCB_COPY_FROM_PARENT, w, screen->root, static_cast<int16_t>(x), 40,
                          static_cast<uint16_t>(options.width), static_cast<uint16_t>(options.height), 0,
                          XCB_WINDOW_CLASS_INPUT_OUTPUT, screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_EVENT_MASK,
                          values);
        x += options.width + 20;
        // WM_CLASS is "instance\0class\0".
        setString(c, w, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, cls + '\0' + cls + '\0');
        setString(c, w, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, title);
        setString(c, w, netName, utf8, title);
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, netPid, XCB_ATOM_CARDINAL, 32, 1, &pid);
        if (startup && *startup)
            setString(c, w, startupId, utf8, startup);
        if (askBeforeClosing)
            xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, protocols, XCB_ATOM_ATOM, 32, 1, &deleteWindow);
        xcb_map_window(c, w);
        ids.push_back(w);
    };
    for (const auto& [cls, title] : windows)
        open(cls, title);
    xcb_flush(c);

    // The keysyms of each key, to recognise N whatever the keyboard's layout.
    const xcb_setup_t* setup = xcb_get_setup(c);
    auto* mapping = xcb_get_keyboard_mapping_reply(
        c,
        xcb_get_keyboard_mapping(c, setup->min_keycode,
                                 static_cast<uint8_t>(setup->max_keycode - setup->min_keycode + 1)),
        nullptr);
    auto isN = [&](xcb_keycode_t code) {
        if (!mapping || code < setup->min_keycode)
            return false;
        const xcb_keysym_t* syms = xcb_get_keyboard_mapping_keysyms(mapping);
        const int per = mapping->keysyms_per_keycode;
        const xcb_keysym_t sym = syms[(code - setup->min_keycode) * per];
        return sym == 'n' || sym == 'N';
    };
    int opened = 0;
    bool asked = false;

    const auto started = std::chrono::steady_clock::now();
    bool iconSet = iconAfterMs < 0;
    pollfd pfd{xcb_get_file_descriptor(c), POLLIN, 0};
    for (;;) {
        while (xcb_generic_event_t* e = xcb_poll_for_event(c)) {
            const uint8_t type = e->response_type & ~0x80;
            if (type == XCB_KEY_PRESS && newWindowOnCtrlN) {
                const auto* key = reinterpret_cast<xcb_key_press_event_t*>(e);
                if ((key->state & XCB_MOD_MASK_CONTROL) && isN(key->detail)) {
                    open(windows.front().first, windows.front().second + " " + std::to_string(++opened));
                    xcb_flush(c);
                }
            }
            if (type == XCB_CLIENT_MESSAGE) {
                const auto* message = reinterpret_cast<xcb_client_message_event_t*>(e);
                if (message->type == protocols && message->data.data32[0] == deleteWindow) {
                    if (asked) {
                        std::free(e);
                        return 0;
                    }
                    asked = true;
                    open(windows.front().first, "Save changes?");
                    xcb_flush(c);
                }
            }
            std::free(e);
            if (type == XCB_DESTROY_NOTIFY)
                return 0;
        }
        if (xcb_connection_has_error(c))
            return 0;
        if (!iconSet) {
            const auto waited =
                std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
            if (waited.count() >= iconAfterMs) {
                // A 16 x 16 icon, opaque red: width, height, then ARGB pixels.
                std::vector<uint32_t> icon{16, 16};
                icon.resize(2 + 16 * 16, 0xFFFF0000u);
                for (xcb_window_t w : ids)
                    xcb_change_property(c, XCB_PROP_MODE_REPLACE, w, netIcon, XCB_ATOM_CARDINAL, 32,
                                        static_cast<uint32_t>(icon.size()), icon.data());
                xcb_flush(c);
                iconSet = true;
            }
        }
        ::poll(&pfd, 1, iconSet ? -1 : 20);
    }
}
