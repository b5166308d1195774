#pragma once

#include "platform/x11/X11Connection.h"

#include <QImage>
#include <QObject>
#include <QRect>
#include <list>
#include <optional>
#include <unordered_map>
#include <xcb/shm.h>

namespace vantorel {

class X11WindowTracker;

// Images of client windows through the Composite extension. Once the first
// image is asked for, every top-level window is redirected (automatically, so
// the server keeps painting the screen) into a pixmap of its own, which holds
// the window's pixels even where other windows cover it. Pixels are read over
// MIT-SHM when the server shares memory with us, else with a plain GetImage.
class X11WindowCapture : public QObject {
    Q_OBJECT
public:
    explicit X11WindowCapture(X11WindowTracker& tracker, QObject* parent = nullptr);
    ~X11WindowCapture() override;

    // The client area of a tracked window, without the window manager's frame.
    // A window without pixels (minimised, on another desktop) gives its last
    // capture, reduced to at most cachedSize; an unknown or vanished window
    // gives nothing. With `fitting`, the image is reduced to fit within it
    // (scaledToFit) straight from the pixels read, without a full-size copy.
    std::optional<QImage> capture(xcb_window_t client, std::optional<QSize> fitting = std::nullopt);

    // Bounds of the copies kept for windows without pixels: each is reduced to
    // fit cachedSize (still larger than a preview draws it), and the least
    // recently captured are dropped beyond cacheLimitBytes.
    QSize cachedSize{800, 600};
    qsizetype cacheLimitBytes = 16 << 20;
    qsizetype cachedBytes() const { return cachedBytes_; }
    std::size_t cachedCount() const { return cache_.size(); }
    bool hasCached(xcb_window_t client) const { return cache_.count(client) != 0; }
    // False once the server refused to share memory; reads then use GetImage.
    bool sharedMemoryUsable() const { return shm_.usable; }
    // Reads with GetImage only (tests compare both paths).
    void disableSharedMemory();

private:
    enum class Grab { Ok, NoPixels, Vanished };
    bool ensureRedirected();
    Grab grab(xcb_window_t client, QImage& out, std::optional<QSize> fitting);
    xcb_window_t topLevelOf(xcb_window_t client, bool& vanished);
    std::optional<QImage> read(xcb_drawable_t drawable, const QRect& area, uint8_t depth, xcb_visualid_t visual,
                               std::optional<QSize> fitting);
    bool readShared(xcb_drawable_t drawable, const QRect& area, qsizetype bytes);
    bool ensureSegment(qsizetype bytes);
    void releaseSegment();
    void remember(xcb_window_t client, const QImage& image);
    void forget(xcb_window_t client);

    X11WindowTracker& tracker_;
    X11Connection& x_;
    enum class Redirect { NotYet, Done, Unavailable } redirect_ = Redirect::NotYet;
    struct Segment {
        bool checked = false;
        bool usable = false;
        xcb_shm_seg_t seg = 0;
        void* addr = nullptr;
        qsizetype size = 0;
    } shm_;
    struct Cached {
        QImage image;
        std::list<xcb_window_t>::iterator use;
    };
    std::unordered_map<xcb_window_t, Cached> cache_;
    std::list<xcb_window_t> uses_; // most recently captured first
    qsizetype cachedBytes_ = 0;
};

} // namespace vantorel
