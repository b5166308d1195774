#include "platform/x11/X11WindowCapture.h"

#include "core/ImageScaling.h"
#include "core/Log.h"
#include "platform/x11/X11WindowTracker.h"

#include <QtEndian>
#include <cstring>
#include <sys/ipc.h>
#include <sys/shm.h>
#include <xcb/composite.h>

namespace vantorel {

namespace {

// A segment this large is given back after each read instead of kept.
constexpr qsizetype kKeptSegmentBytes = 8 << 20;

struct PixelLayout {
    int bitsPerPixel = 0;
    int scanlinePad = 0;
};

PixelLayout layoutForDepth(xcb_connection_t* c, uint8_t depth) {
    const xcb_setup_t* setup = xcb_get_setup(c);
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it))
        if (it.data->depth == depth)
            return {it.data->bits_per_pixel, it.data->scanline_pad};
    return {};
}

const xcb_visualtype_t* findVisual(const xcb_screen_t* screen, xcb_visualid_t id) {
    for (auto d = xcb_screen_allowed_depths_iterator(screen); d.rem; xcb_depth_next(&d))
        for (auto v = xcb_depth_visuals_iterator(d.data); v.rem; xcb_visualtype_next(&v))
            if (v.data->visual_id == id)
                return v.data;
    return nullptr;
}

bool isWindowError(xcb_generic_error_t* e) {
    return e && (e->error_code == XCB_WINDOW || e->error_code == XCB_DRAWABLE);
}

// Takes an error out of an xcb call's out-parameter and frees it; true when there was one.
bool consume(xcb_generic_error_t*& e, bool& vanished) {
    if (!e)
        return false;
    vanished = vanished || isWindowError(e);
    std::free(e);
    e = nullptr;
    return true;
}

} // namespace

X11WindowCapture::X11WindowCapture(X11WindowTracker& tracker, QObject* parent)
    : QObject(parent), tracker_(tracker), x_(tracker.connection()) {
    connect(&tracker_, &X11WindowTracker::windowRemoved, this, [this](xcb_window_t id) { forget(id); });
}

X11WindowCapture::~X11WindowCapture() { releaseSegment(); }

std::optional<QImage> X11WindowCapture::capture(xcb_window_t client, std::optional<QSize> fitting) {
    const X11Window* w = tracker_.window(client);
    if (!w || x_.hasError()) {
        forget(client);
        return std::nullopt;
    }
    auto cached = [&]() -> std::optional<QImage> {
        auto it = cache_.find(client);
        if (it == cache_.end())
            return std::nullopt;
        return fitting ? scaledToFit(it->second.image, *fitting) : it->second.image;
    };
    if (!w->viewable || !ensureRedirected())
        return cached();
    QImage image;
    switch (grab(client, image, fitting)) {
    case Grab::Ok:
        remember(client, image);
        return image;
    case Grab::NoPixels:
        // Unmapped since the tracker last looked (minimised a moment ago).
        return cached();
    case Grab::Vanished:
        forget(client);
        return std::nullopt;
    }
    return std::nullopt;
}

bool X11WindowCapture::ensureRedirected() {
    if (redirect_ != Redirect::NotYet)
        return redirect_ == Redirect::Done;
    redirect_ = Redirect::Unavailable;
    xcb_connection_t* c = x_.connection();
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_composite_id);
    if (!ext || !ext->present) {
        Log::app().error(QStringLiteral("The X server has no Composite extension; window images are unavailable"));
        return false;
    }
    // Naming a window's pixmap needs version 0.2.
    auto version = xreply(xcb_composite_query_version_reply(c, xcb_composite_query_version(c, 0, 4), nullptr));
    if (!version || (version->major_version == 0 && version->minor_version < 2)) {
        Log::app().error(QStringLiteral("The X server's Composite extension is too old for window images"));
        return false;
    }
    // Automatic: the server still draws the screen itself, and redirection
    // ends with our connection. Any number of clients may ask for it.
    xcb_generic_error_t* err =
        xcb_request_check(c, xcb_composite_redirect_subwindows_checked(c, x_.root(), XCB_COMPOSITE_REDIRECT_AUTOMATIC));
    if (err) {
        std::free(err);
        Log::app().error(QStringLiteral("The X server refused to redirect windows; window images are unavailable"));
        return false;
    }
    redirect_ = Redirect::Done;
    return true;
}

xcb_window_t X11WindowCapture::topLevelOf(xcb_window_t client, bool& vanished) {
    xcb_connection_t* c = x_.connection();
    xcb_window_t w = client;
    // Window managers nest the client one or two levels down; the bound only
    // guards against a tree that changes under us.
    for (int depth = 0; depth < 16; ++depth) {
        xcb_generic_error_t* err = nullptr;
        auto tree = xreply(xcb_query_tree_reply(c, xcb_query_tree(c, w), &err));
        if (consume(err, vanished) || !tree)
            return XCB_WINDOW_NONE;
        if (tree->parent == tree->root || tree->parent == XCB_WINDOW_NONE)
            return w;
        w = tree->parent;
    }
    return XCB_WINDOW_NONE;
}

X11WindowCapture::Grab X11WindowCapture::grab(xcb_window_t client, QImage& out, std::optional<QSize> fitting) {
    xcb_connection_t* c = x_.connection();
    bool vanished = false;
    const xcb_window_t top = topLevelOf(client, vanished);
    if (!top)
        return vanished ? Grab::Vanished : Grab::NoPixels;

    // One round trip for everything needed to place the client inside its frame.
    const auto topGeometryCookie = xcb_get_geometry(c, top);
    const auto topAttributesCookie = xcb_get_window_attributes(c, top);
    const auto clientGeometryCookie = xcb_get_geometry(c, client);
    const auto originCookie = xcb_translate_coordinates(c, client, top, 0, 0);
    xcb_generic_error_t* err = nullptr;
    bool topGone = false;
    auto topGeometry = xreply(xcb_get_geometry_reply(c, topGeometryCookie, &err));
    consume(err, topGone);
    auto topAttributes = xreply(xcb_get_window_attributes_reply(c, topAttributesCookie, &err));
    consume(err, topGone);
    auto clientGeometry = xreply(xcb_get_geometry_reply(c, clientGeometryCookie, &err));
    consume(err, vanished);
    auto origin = xreply(xcb_translate_coordinates_reply(c, originCookie, &err));
    consume(err, topGone);
    if (vanished)
        return Grab::Vanished;
    if (!topGeometry || !topAttributes || !clientGeometry || !origin)
        return Grab::NoPixels;
    if (topAttributes->map_state != XCB_MAP_STATE_VIEWABLE)
        return Grab::NoPixels;

    // The pixmap covers the frame's border too; the client is cropped out of it.
    const int border = topGeometry->border_width;
    const QRect pixmapRect(0, 0, topGeometry->width + 2 * border, topGeometry->height + 2 * border);
    const QRect area =
        QRect(origin->dst_x + border, origin->dst_y + border, clientGeometry->width, clientGeometry->height) &
        pixmapRect;
    if (area.isEmpty())
        return Grab::NoPixels;

    const xcb_pixmap_t pixmap = xcb_generate_id(c);
    xcb_generic_error_t* nameError =
        xcb_request_check(c, xcb_composite_name_window_pixmap_checked(c, top, pixmap));
    if (nameError) {
        // Unmapped or destroyed between the query and now.
        std::free(nameError);
        return Grab::NoPixels;
    }
    std::optional<QImage> image = read(pixmap, area, topGeometry->depth, topAttributes->visual, fitting);
    xcb_free_pixmap(c, pixmap);
    if (shm_.size > kKeptSegmentBytes)
        releaseSegment();
    xcb_flush(c);
    if (!image)
        return Grab::NoPixels;
    out = std::move(*image);
    return Grab::Ok;
}

std::optional<QImage> X11WindowCapture::read(xcb_drawable_t drawable, const QRect& area, uint8_t depth,
                                             xcb_visualid_t visualId, std::optional<QSize> fitting) {
    xcb_connection_t* c = x_.connection();
    const PixelLayout layout = layoutForDepth(c, depth);
    const xcb_visualtype_t* visual = findVisual(x_.screen(), visualId);
    // Every true-colour visual of a 24- or 32-bit screen stores 8 bits per channel in 32-bit pixels.
    if ((depth != 24 && depth != 32) || layout.bitsPerPixel != 32 || !visual ||
        visual->_class != XCB_VISUAL_CLASS_TRUE_COLOR || visual->green_mask != 0xff00 ||
        !((visual->red_mask == 0xff0000 && visual->blue_mask == 0xff) ||
          (visual->red_mask == 0xff && visual->blue_mask == 0xff0000))) {
        static bool reported = false;
        if (!std::exchange(reported, true))
            Log::app().error(QStringLiteral("Window images of depth %1 are not supported").arg(depth));
        return std::nullopt;
    }
    const int pad = std::max(layout.scanlinePad, 8);
    const qsizetype stride = (qsizetype(area.width()) * layout.bitsPerPixel + pad - 1) / pad * pad / 8;
    const qsizetype bytes = stride * area.height();

    const uchar* src = nullptr;
    auto plain = xreply<xcb_get_image_reply_t>(nullptr);
    if (readShared(drawable, area, bytes)) {
        src = static_cast<const uchar*>(shm_.addr);
    } else {
        xcb_generic_error_t* err = nullptr;
        plain = xreply(xcb_get_image_reply(
            c,
            xcb_get_image(c, XCB_IMAGE_FORMAT_Z_PIXMAP, drawable, static_cast<int16_t>(area.x()),
                          static_cast<int16_t>(area.y()), static_cast<uint16_t>(area.width()),
                          static_cast<uint16_t>(area.height()), ~0u),
            &err));
        if (err) {
            std::free(err);
            return std::nullopt;
        }
        if (!plain || xcb_get_image_data_length(plain.get()) < bytes)
            return std::nullopt;
        src = xcb_get_image_data(plain.get());
    }

    // A 32-bit window carries premultiplied alpha; in a 24-bit one the top byte is undefined.
    const QImage::Format format = depth == 32 ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
    const bool swapBytes = (xcb_get_setup(c)->image_byte_order == XCB_IMAGE_ORDER_LSB_FIRST) !=
                           (Q_BYTE_ORDER == Q_LITTLE_ENDIAN);
    // Pixels already in Qt's layout are reduced where they lie: a full-size
    // copy of a large window costs more than the reduction (its pages are new
    // to the process every time). Qt's smooth scaling of 32-bit RGB ignores
    // the undefined top byte and writes opaque pixels.
    if (fitting && !swapBytes && visual->red_mask == 0xff0000 &&
        (area.width() > fitting->width() || area.height() > fitting->height())) {
        const QImage inPlace(src, area.width(), area.height(), stride, format);
        QImage reduced = scaledToFit(inPlace, *fitting);
        if (!reduced.isNull() && reduced.constBits() != inPlace.constBits())
            return reduced;
    }
    QImage image(area.size(), format);
    if (image.isNull())
        return std::nullopt;
    const quint32 opaque = depth == 32 ? 0u : 0xff000000u;
    for (int y = 0; y < area.height(); ++y) {
        const auto* in = reinterpret_cast<const quint32*>(src + y * stride);
        auto* line = reinterpret_cast<quint32*>(image.scanLine(y));
        for (int x = 0; x < area.width(); ++x) {
            quint32 p;
            std::memcpy(&p, in + x, sizeof p);
            line[x] = (swapBytes ? qbswap(p) : p) | opaque;
        }
    }
    if (visual->red_mask == 0xff)
        image = std::move(image).rgbSwapped();
    return fitting ? scaledToFit(image, *fitting) : image;
}

bool X11WindowCapture::readShared(xcb_drawable_t drawable, const QRect& area, qsizetype bytes) {
    if (!ensureSegment(bytes))
        return false;
    xcb_connection_t* c = x_.connection();
    xcb_generic_error_t* err = nullptr;
    auto reply = xreply(xcb_shm_get_image_reply(
        c,
        xcb_shm_get_image(c, drawable, static_cast<int16_t>(area.x()), static_cast<int16_t>(area.y()),
                          static_cast<uint16_t>(area.width()), static_cast<uint16_t>(area.height()), ~0u,
                          XCB_IMAGE_FORMAT_Z_PIXMAP, shm_.seg, 0),
        &err));
    if (err) {
        std::free(err);
        return false;
    }
    return reply && qsizetype(reply->size) >= bytes;
}

bool X11WindowCapture::ensureSegment(qsizetype bytes) {
    xcb_connection_t* c = x_.connection();
    if (!shm_.checked) {
        shm_.checked = true;
        const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_shm_id);
        auto version = ext && ext->present
                           ? xreply(xcb_shm_query_version_reply(c, xcb_shm_query_version(c), nullptr))
                           : xreply<xcb_shm_query_version_reply_t>(nullptr);
        shm_.usable = version != nullptr;
    }
    if (!shm_.usable)
        return false;
    if (shm_.addr && shm_.size >= bytes)
        return true;
    releaseSegment();
    // Rounded up so that windows of similar sizes share one segment.
    const qsizetype size = (bytes + (256 << 10) - 1) / (256 << 10) * (256 << 10);
    const int id = ::shmget(IPC_PRIVATE, static_cast<size_t>(size), IPC_CREAT | 0600);
    if (id < 0) {
        shm_.usable = false;
        return false;
    }
    void* addr = ::shmat(id, nullptr, SHM_RDONLY);
    if (addr == reinterpret_cast<void*>(-1)) {
        ::shmctl(id, IPC_RMID, nullptr);
        shm_.usable = false;
        return false;
    }
    const xcb_shm_seg_t seg = xcb_generate_id(c);
    xcb_generic_error_t* err = xcb_request_check(c, xcb_shm_attach_checked(c, seg, static_cast<uint32_t>(id), 0));
    // Marked for removal now that both sides are attached: it goes with the
    // last detach, even if we crash.
    ::shmctl(id, IPC_RMID, nullptr);
    if (err) {
        // A server on another host, or one that cannot see our segments.
        std::free(err);
        ::shmdt(addr);
        shm_.usable = false;
        return false;
    }
    shm_.seg = seg;
    shm_.addr = addr;
    shm_.size = size;
    return true;
}

void X11WindowCapture::releaseSegment() {
    if (!shm_.addr)
        return;
    if (!x_.hasError()) {
        xcb_shm_detach(x_.connection(), shm_.seg);
        xcb_flush(x_.connection());
    }
    ::shmdt(shm_.addr);
    shm_.addr = nullptr;
    shm_.size = 0;
    shm_.seg = 0;
}

void X11WindowCapture::disableSharedMemory() {
    releaseSegment();
    shm_.checked = true;
    shm_.usable = false;
}

void X11WindowCapture::remember(xcb_window_t client, const QImage& image) {
    forget(client);
    QImage kept = image.width() > cachedSize.width() || image.height() > cachedSize.height()
                      ? image.scaled(cachedSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                      : image;
    const qsizetype bytes = kept.sizeInBytes();
    if (bytes > cacheLimitBytes)
        return;
    uses_.push_front(client);
    cache_.emplace(client, Cached{std::move(kept), uses_.begin()});
    cachedBytes_ += bytes;
    while (cachedBytes_ > cacheLimitBytes && !uses_.empty())
        forget(uses_.back());
}

void X11WindowCapture::forget(xcb_window_t client) {
    auto it = cache_.find(client);
    if (it == cache_.end())
        return;
    cachedBytes_ -= it->second.image.sizeInBytes();
    uses_.erase(it->second.use);
    cache_.erase(it);
}

} // namespace vantorel
