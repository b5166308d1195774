// Window previews on a real desktop: xterms of one application, the pointer
// resting on its button through XTEST, and what the screen then shows.
#include "widgets/WindowPreviewPanel.h"
#include "widgets/WindowPreviewViews.h"
#include "x11desktop/X11TaskbarFixture.h"

#include <QWindow>

using namespace vantorel;
using vantorel::test::grabRoot;
using vantorel::test::kTerm;
using vantorel::test::waitUntil;

namespace {

// Mean difference per channel of two images of one size, 0 to 255.
double meanDifference(const QImage& a, const QImage& b) {
    if (a.size() != b.size() || a.isNull())
        return 255;
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

class X11Previews : public vantorel::test::X11Taskbar {
protected:
    WindowPreviewPanel& preview() { return controller->previewPanel(); }
    PreviewStripView* strip() {
        PreviewWindow* w = preview().panel();
        return w ? qobject_cast<PreviewStripView*>(w->content()) : nullptr;
    }
    // On the screen: mapped, painted and showing what it drew.
    bool previewOnScreen() {
        PreviewWindow* w = preview().panel();
        if (!w || !w->windowHandle() || !w->windowHandle()->isExposed())
            return false;
        const QImage drawn = w->grab().toImage().convertToFormat(QImage::Format_RGB32);
        return meanDifference(grabRoot(x, w->geometry()), drawn) < 2;
    }
    // Rests the pointer on the button until the preview is on screen.
    void hover(const QString& key) {
        movePointer({700, 300});
        ASSERT_TRUE(waitUntil([&] { return !controller->isPreviewOpen(); }));
        AppButton* b = button(key);
        ASSERT_NE(b, nullptr);
        movePointer(b->mapToGlobal(b->rect().center()));
        ASSERT_TRUE(waitUntil([&] { return previewOnScreen(); })) << "no preview";
    }
    // The picture of thumbnail i as the screen shows it, and the window as the
    // screen shows it, brought to the same size.
    std::pair<QImage, QImage> pictureAndWindow(int i) {
        PreviewItemView* item = strip()->items().at(static_cast<size_t>(i));
        const QRect shown = item->imageFrame().toAlignedRect().adjusted(2, 2, -2, -2);
        const QImage picture = grabRoot(x, QRect(item->mapToGlobal(shown.topLeft()), shown.size()));
        const X11Window* w =
            backend->tracker().window(*preview().shownWindows().at(static_cast<size_t>(i)).windowNumber);
        if (!w)
            return {};
        const QImage window =
            grabRoot(x, w->client)
                .scaled(item->imageFrame().size().toSize(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        return {picture, window.copy(QRect(QPoint(2, 2), shown.size()))};
    }
    QPoint centreOf(QWidget* w) { return w->mapToGlobal(w->rect().center()); }
    // A terminal of the test application in a colour of its own, with a line of large text.
    void terminal(const QString& title, const QString& colour, const QString& at) {
        term(title, "24x6" + at,
             {"-class", "TestTerm", "-bg", colour, "-fg", "white", "-fa", "Monospace", "-fs", "16", "-e", "sh", "-c",
              "printf '" + title.toUpper() + " " + title.toUpper() + "\\n'; sleep 120"});
    }
};

} // namespace

TEST_F(X11Previews, ThreeXtermsShowTheirOwnPicturesAboveEveryWindowAndTheirThumbnailsActAndClose) {
    ASSERT_TRUE(backend);
    terminal("one", "#c03020", "+20+20");
    terminal("two", "#30a050", "+480+20");
    terminal("three", "#2050c0", "+940+20");
    // Another application's window where the preview will stand.
    term("beneath", "200x20+0+560", {"-bg", "#e0c020"});
    ASSERT_TRUE(waitUntil([&] { return shown("one") && shown("two") && shown("three") && shown("beneath"); }));
    // Their text is on screen.
    ASSERT_TRUE(waitUntil([&] {
        for (const QString title : {"one", "two", "three"}) {
            const QImage image = grabRoot(x, windowTitled(title)->client);
            int white = 0;
            for (int y = 0; y < image.height(); y += 2)
                for (int x0 = 0; x0 < image.width(); x0 += 2)
                    white += qGray(image.pixel(x0, y)) > 200;
            if (white < 40)
                return false;
        }
        return true;
    }));
    ASSERT_TRUE(activate("beneath"));
    const xcb_window_t activeBefore = active();
    startTaskbar();
    ASSERT_TRUE(waitUntil([&] { return button(kTerm) != nullptr; }));

    hover(kTerm);
    ASSERT_NE(strip(), nullptr);
    ASSERT_EQ(strip()->items().size(), 3u);
    EXPECT_TRUE(controller->isPreviewOpen());
    for (int i = 0; i < 3; ++i) {
        const auto [picture, window] = pictureAndWindow(i);
        EXPECT_LT(meanDifference(picture, window), 12) << "thumbnail " << i << " is not its xterm's picture";
    }
    // Over the other window, never given the focus, and none of the window manager's.
    PreviewWindow* panel = preview().panel();
    const auto panelId = static_cast<xcb_window_t>(panel->winId());
    EXPECT_TRUE(panel->geometry().intersects(windowTitled("beneath")->frame()));
    EXPECT_EQ(active(), activeBefore);
    auto attributes = xreply(xcb_get_window_attributes_reply(x, xcb_get_window_attributes(x, panelId), nullptr));
    ASSERT_TRUE(attributes);
    EXPECT_TRUE(attributes->override_redirect) << "listed by no task list or pager";
    EXPECT_EQ(backend->tracker().window(panelId), nullptr);
    const QImage pictureOfTwo = [&] {
        for (const auto& w : preview().shownWindows())
            if (w.windowNumber == windowTitled("two")->id)
                return w.image;
        return QImage();
    }();
    ASSERT_FALSE(pictureOfTwo.isNull());

    // Minimised, a window keeps its last picture and comes after the others.
    const X11Window* two = windowTitled("two");
    const xcb_window_t twoId = two->id;
    platform.accessibility->setAttribute({AXElement::Kind::Window, groupWithTitle("two")->info.handle, twoId, 0},
                                         "AXMinimized", true);
    ASSERT_TRUE(waitUntil([&] { return minimised("two"); }));
    hover(kTerm);
    ASSERT_EQ(strip()->items().size(), 3u);
    const CapturedWindow& last = preview().shownWindows()[2];
    EXPECT_EQ(last.windowNumber, twoId);
    EXPECT_TRUE(last.isMinimized && last.hasThumbnail);
    EXPECT_EQ(last.image, pictureOfTwo);
    EXPECT_EQ(strip()->items()[2]->labelText(), "two (minimized)");

    // A click on its thumbnail brings it back, in front.
    clickAt(centreOf(strip()->items()[2]));
    EXPECT_TRUE(waitUntil([&] { return shown("two") && active() == twoId; }));
    EXPECT_FALSE(controller->isPreviewOpen());

    // Its close button closes that xterm, and the panel.
    hover(kTerm);
    ASSERT_EQ(strip()->items().size(), 3u);
    int threeAt = -1;
    for (int i = 0; i < 3; ++i)
        if (preview().shownWindows()[static_cast<size_t>(i)].windowNumber == windowTitled("three")->id)
            threeAt = i;
    ASSERT_GE(threeAt, 0);
    movePointer(centreOf(strip()->items()[static_cast<size_t>(threeAt)]->closeButton()));
    pressLeftButton();
    EXPECT_TRUE(waitUntil([&] { return windowTitled("three") == nullptr; }));
    EXPECT_TRUE(waitUntil([&] { return !controller->isPreviewOpen(); }));
    releaseLeftButton();
}
