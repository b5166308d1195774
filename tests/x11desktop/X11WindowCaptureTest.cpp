// Window pictures read from a real X server: covered, minimised and gone windows.
#include "platform/x11/X11WindowCapture.h"
#include "core/ImageScaling.h"
#include "platform/x11/X11WindowServer.h"
#include "x11desktop/X11DesktopFixture.h"

#include <QDebug>
#include <QThread>

using namespace vantorel;
using vantorel::test::savedImage;
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
    QImage screen(const QRect& r) { return vantorel::test::grabRoot(tracker().connection().connection(), r); }
    QProcess* xterm(const QString& title, const QStringList& extra) {
        return spawn("xterm", QStringList{"-title", title} + extra);
    }
};

struct Census {
    int light = 0, dark = 0, blue = 0, total = 0;
    // The columns of the top band in which dark pixels appear.
    int darkLeft = INT_MAX, darkRight = -1;
};

Census census(const QImage& image, int bandHeight) {
    Census c;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x) {
            const QColor p = image.pixelColor(x, y);
            ++c.total;
            if (p.red() > 220 && p.green() > 220 && p.blue() > 220)
                ++c.light;
            else if (p.red() < 80 && p.green() < 80 && p.blue() < 80) {
                ++c.dark;
                if (y < bandHeight)
                    c.darkLeft = std::min(c.darkLeft, x), c.darkRight = std::max(c.darkRight, x);
            } else if (p.blue() > 150 && p.red() < 100)
                ++c.blue;
        }
    return c;
}

// Kills a client and waits until the server has destroyed its window, without
// running the event loop (the tracker still believes in the window).
bool killAndWaitForDestruction(QProcess* p, X11Connection& x, xcb_window_t id) {
    p->kill();
    p->waitForFinished();
    for (int i = 0; i < 200; ++i) {
        xcb_generic_error_t* err = nullptr;
        auto reply = xreply(xcb_get_window_attributes_reply(x.connection(), xcb_get_window_attributes(x.connection(), id), &err));
        if (err) {
            std::free(err);
            return true;
        }
        QThread::msleep(10);
    }
    return false;
}

} // namespace

TEST_F(X11Capture, AWindowGivesItsOwnPixelsCoveredItsLastMinimisedAndNothingOnceGone) {
    ASSERT_TRUE(backend);
    xterm("thumb", {"-fa", "Monospace", "-fs", "20", "-bg", "white", "-fg", "black", "-geometry", "30x3+200+200",
                    "-e", "sh", "-c", "printf 'VANTOREL THUMBNAIL TEST\\n'; sleep 60"});
    const X11Window* thumb = waitForViewable("thumb");
    ASSERT_TRUE(thumb);
    const xcb_window_t thumbId = thumb->id;
    // Placed over the whole of the first, in a colour of its own.
    xterm("thumbnail cover", {"-bg", "#2050c0", "-fg", "#2050c0", "-geometry", "150x36+100+150"});
    const X11Window* cover = waitForViewable("thumbnail cover");
    ASSERT_TRUE(cover);
    xdotool({"windowactivate", "--sync", QString::number(cover->id)});
    // Above the xterm it covers (docks of other tests may stand higher still).
    ASSERT_TRUE(waitUntil([&] {
        const auto& s = tracker().stacking();
        const auto top = std::find(s.begin(), s.end(), cover->id), below = std::find(s.begin(), s.end(), thumbId);
        return top != s.end() && below != s.end() && top > below;
    }));
    const QRect covered = tracker().window(thumbId)->client;
    ASSERT_TRUE(cover->frame().contains(covered)) << "cover " << qPrintable(QDebug::toString(cover->frame()))
                                                  << " thumb " << qPrintable(QDebug::toString(covered));

    // Waits only for the shell's line to be printed.
    std::optional<QImage> image;
    const int band = 50;
    ASSERT_TRUE(waitUntil([&] {
        image = server().captureWindow(thumbId);
        return image && census(*image, band).darkRight - census(*image, band).darkLeft > 200;
    }));
    const QRect client = tracker().window(thumbId)->client;
    EXPECT_EQ(image->size(), client.size());
    const QImage onScreen = screen(client);
    ASSERT_EQ(onScreen.size(), client.size());
    const QString imagePath = savedImage(*image, QStringLiteral("vantorel-thumbnail-covered-xterm.png"));
    savedImage(onScreen, QStringLiteral("vantorel-thumbnail-screen-there.png"));
    RecordProperty("capture", imagePath.toStdString());

    // The capture: the xterm's white page with a line of dark text across the
    // top, and none of the cover's blue.
    const Census captured = census(*image, band);
    EXPECT_GT(captured.light, captured.total * 6 / 10);
    EXPECT_GT(captured.dark, 300);
    EXPECT_LT(captured.darkLeft, 40);
    EXPECT_EQ(captured.blue, 0);
    // The screen at the same place shows the cover only.
    const Census shown = census(onScreen, band);
    EXPECT_GT(shown.blue, shown.total * 9 / 10);
    EXPECT_LT(shown.light, shown.total / 10);

    // Reduced while it is read, without a full-size copy: the full capture
    // reduced, opaque whatever the window's undefined top byte holds.
    const QSize preview(200, 120);
    auto reducedMatches = [&] {
        const auto reduced = server().captureWindowFitting(thumbId, preview);
        const QImage expected = scaledToFit(*image, preview);
        if (!reduced || reduced->size() != expected.size() || reduced->hasAlphaChannel())
            return false;
        for (int y = 0; y < expected.height(); ++y)
            for (int x = 0; x < expected.width(); ++x)
                if (reinterpret_cast<const quint32*>(reduced->constScanLine(y))[x] != expected.pixel(x, y))
                    return false;
        return true;
    };
    EXPECT_TRUE(reducedMatches()) << "over shared memory";

    // GetImage reads the same pixels as shared memory.
    EXPECT_TRUE(capture().sharedMemoryUsable());
    capture().disableSharedMemory();
    const auto plain = server().captureWindow(thumbId);
    ASSERT_TRUE(plain);
    EXPECT_EQ(*plain, *image);
    EXPECT_TRUE(reducedMatches()) << "over GetImage";

    // Minimised, a window gives its last image; closed, nothing.
    QProcess* greenTerm = xterm("green", {"-bg", "#30a050", "-geometry", "30x6+40+40"});
    QProcess* redTerm = xterm("red", {"-bg", "#c03020", "-geometry", "30x6+500+40"});
    const X11Window* green = waitForViewable("green");
    const X11Window* red = waitForViewable("red");
    ASSERT_TRUE(green && red);
    const xcb_window_t greenId = green->id, redId = red->id;
    auto dominant = [](const QImage& i) { return i.pixelColor(i.width() / 2, i.height() - 3); };

    std::optional<QImage> before;
    ASSERT_TRUE(waitUntil([&] {
        before = server().captureWindow(greenId);
        return before && dominant(*before) == QColor(0x30, 0xa0, 0x50);
    }));
    xdotool({"windowminimize", "--sync", QString::number(greenId)});
    ASSERT_TRUE(waitUntil([&] { return tracker().window(greenId) && !tracker().window(greenId)->viewable; }));
    const auto minimised = server().captureWindow(greenId);
    ASSERT_TRUE(minimised);
    EXPECT_EQ(*minimised, *before);

    // Closed while minimised: the removal clears what was kept.
    greenTerm->kill();
    ASSERT_TRUE(waitUntil([&] { return tracker().window(greenId) == nullptr; }));
    EXPECT_FALSE(capture().hasCached(greenId));
    EXPECT_FALSE(server().captureWindow(greenId));

    // Gone from the server before the tracker has heard of it.
    const auto cachedBefore = capture().cachedBytes();
    std::optional<QImage> redImage;
    ASSERT_TRUE(waitUntil([&] {
        redImage = server().captureWindow(redId);
        return redImage && dominant(*redImage) == QColor(0xc0, 0x30, 0x20);
    }));
    ASSERT_TRUE(capture().hasCached(redId));
    ASSERT_TRUE(killAndWaitForDestruction(redTerm, tracker().connection(), redId));
    ASSERT_TRUE(tracker().window(redId));
    EXPECT_FALSE(server().captureWindow(redId));
    EXPECT_FALSE(capture().hasCached(redId));
    EXPECT_EQ(capture().cachedBytes(), cachedBefore);
}
