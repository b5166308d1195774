// Window pictures read from a real X server: a covered window, both ways of
// reading it, and a window gone before the tracker has heard of it.
#include "platform/x11/X11WindowCapture.h"
#include "platform/x11/X11WindowServer.h"
#include "x11desktop/X11DesktopFixture.h"

#include <QThread>

using namespace vantorel;
using vantorel::test::waitUntil;
using vantorel::test::xdotool;

namespace {

class X11Capture : public vantorel::test::X11Desktop {
protected:
    X11WindowServer& server() { return *static_cast<X11WindowServer*>(backend->platform().windowServer); }
    X11WindowCapture& capture() { return server().capture(); }
    X11WindowTracker& tracker() { return backend->tracker(); }
    const X11Window* waitForViewable(const QString& title) {
        waitUntil([&] { return windowTitled(title) && windowTitled(title)->viewable; });
        return windowTitled(title);
    }
};

int count(const QImage& image, const std::function<bool(const QColor&)>& is) {
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += is(image.pixelColor(x, y));
    return n;
}
bool dark(const QColor& p) {
    return p.red() < 80 && p.green() < 80 && p.blue() < 80;
}
bool blue(const QColor& p) {
    return p.blue() > 150 && p.red() < 100;
}

} // namespace

TEST_F(X11Capture, ACoveredWindowGivesItsOwnPixelsEitherWayAndNothingOnceGone) {
    ASSERT_TRUE(backend);
    QProcess* thumbTerm =
        spawn("xterm", {"-title", "thumb", "-fa", "Monospace", "-fs", "20", "-bg", "white", "-fg", "black", "-geometry",
                        "30x3+200+200", "-e", "sh", "-c", "printf 'VANTOREL THUMBNAIL TEST\\n'; sleep 60"});
    const X11Window* thumb = waitForViewable("thumb");
    ASSERT_TRUE(thumb);
    const xcb_window_t thumbId = thumb->id;
    // Placed over the whole of the first, in a colour of its own.
    spawn("xterm", {"-title", "cover", "-bg", "#2050c0", "-fg", "#2050c0", "-geometry", "150x36+100+150"});
    const X11Window* cover = waitForViewable("cover");
    ASSERT_TRUE(cover);
    const xcb_window_t coverId = cover->id;
    xdotool({"windowactivate", "--sync", QString::number(coverId)});
    ASSERT_TRUE(waitUntil([&] {
        const auto& s = tracker().stacking();
        const auto top = std::find(s.begin(), s.end(), coverId), below = std::find(s.begin(), s.end(), thumbId);
        return top != s.end() && below != s.end() && top > below;
    }));
    const QRect client = tracker().window(thumbId)->client;
    ASSERT_TRUE(tracker().window(coverId)->frame().contains(client));
    const auto cachedBefore = capture().cachedBytes();

    // Once the shell's line is printed: the xterm's own text, none of the cover's blue the screen shows there.
    std::optional<QImage> image;
    ASSERT_TRUE(waitUntil([&] {
        image = server().captureWindow(thumbId);
        return image && count(*image, dark) > 300;
    }));
    EXPECT_EQ(image->size(), client.size());
    EXPECT_EQ(count(*image, blue), 0);
    const QImage onScreen = vantorel::test::grabRoot(tracker().connection().connection(), client);
    EXPECT_GT(count(onScreen, blue), client.width() * client.height() * 9 / 10);

    // GetImage reads the same pixels as shared memory.
    EXPECT_TRUE(capture().sharedMemoryUsable());
    capture().disableSharedMemory();
    const auto plain = server().captureWindow(thumbId);
    ASSERT_TRUE(plain);
    EXPECT_EQ(*plain, *image);

    // Gone from the server before the tracker has heard of it: nothing, and nothing kept.
    // The event loop does not turn meanwhile.
    ASSERT_TRUE(capture().hasCached(thumbId));
    thumbTerm->kill();
    thumbTerm->waitForFinished();
    auto* c = tracker().connection().connection();
    bool destroyed = false;
    for (int i = 0; i < 200 && !destroyed; ++i) {
        xcb_generic_error_t* err = nullptr;
        auto reply = xreply(xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, thumbId), &err));
        destroyed = err != nullptr;
        std::free(err);
        if (!destroyed)
            QThread::msleep(10);
    }
    ASSERT_TRUE(destroyed);
    ASSERT_TRUE(tracker().window(thumbId));
    EXPECT_FALSE(server().captureWindow(thumbId));
    EXPECT_FALSE(capture().hasCached(thumbId));
    EXPECT_EQ(capture().cachedBytes(), cachedBefore);
}
