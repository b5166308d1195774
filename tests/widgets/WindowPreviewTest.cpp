#include "support/SimWorld.h"
#include "widgets/WindowPreviewPanel.h"
#include "widgets/WindowPreviewViews.h"

#include <QApplication>
#include <gtest/gtest.h>

using namespace vantorel;

namespace {

QStringList titlesOf(const std::vector<CapturedWindow>& windows) {
    QStringList out;
    for (const auto& w : windows)
        out << w.title;
    return out;
}

// A taskbar on the simulated desktop with one button, and the preview panel.
struct Preview : ::testing::Test {
    test::SimWorld world;
    SimDesktop& desktop = world.desktop;
    const qint64 editor = desktop.launch(QStringLiteral("com.example.Editor"), "Editor");
    WindowPreviewPanel preview{{world.desktop.platform(), world.scheduler, world.theme}};
    QWidget bar;
    QWidget* button = new QWidget(&bar);

    void SetUp() override { onDisplay(1440); }
    void TearDown() override {
        preview.close();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }

    // A display of this width with the bar along its bottom and the button at x = 200.
    void onDisplay(double width) {
        desktop.setDisplays({{1, {0, 0, width, 900}, {0, 0, width, 875}}}, 1);
        bar.setGeometry(ScreenSpace::fromPrimaryScreen().toQt(Rect{0, -1, width, 56}).toRect());
        button->setGeometry(std::min(200, int(width) - 44), 0, 44, 56);
        bar.show();
    }
    Rect buttonFrame() const { return *screenFrameOf(button); }
    Point buttonCentre() const { return {buttonFrame().midX(), buttonFrame().midY()}; }

    AppEntry entryOf(qint64 pid) {
        const RunningApplication& info = desktop.app(pid)->info;
        AppEntry e;
        e.bundleId = info.bundleIdentifier.value_or(QStringLiteral("pid:%1").arg(pid));
        e.name = info.localizedName;
        e.icon = desktop.workspace.icon(info);
        e.isRunning = true;
        e.pid = pid;
        e.runningApp = info;
        return e;
    }
    void show(const AppEntry& entry, const std::function<void(AppSettings&)>& change = {}) {
        AppSettings settings;
        if (change)
            change(settings);
        desktop.setPointer(buttonCentre());
        preview.show(entry, button, settings, {});
    }
    PreviewStripView* strip() const {
        return preview.panel() ? qobject_cast<PreviewStripView*>(preview.panel()->content()) : nullptr;
    }
    PreviewCardView* card() const {
        return preview.panel() ? qobject_cast<PreviewCardView*>(preview.panel()->content()) : nullptr;
    }
    PreviewItemView* item(int i) const { return strip()->items().at(static_cast<size_t>(i)); }
};

} // namespace

TEST(WindowPreviewRules, TheLimitAndThePlacementKeepTheirNumbers) {
    // 1440 (six), 200 (one) and no display (eight) are shown by the panel below.
    EXPECT_EQ(previewWindowLimit(1059), 4);
    EXPECT_EQ(previewWindowLimit(1060), 5);

    // Centred 6 above the button's top (checked on the panel below), but kept 4
    // from the display's sides, never above its top and never pushed up from below.
    const Rect display{0, 0, 1440, 900};
    EXPECT_EQ(previewPanelOrigin({200, 0, 44, 55}, {440, 166}, display), (Point{4, 61}));
    EXPECT_EQ(previewPanelOrigin({1420, 0, 44, 55}, {440, 166}, display), (Point{996, 61}));
    EXPECT_EQ(previewPanelOrigin({200, -300, 44, 55}, {200, 166}, display), (Point{122, -239}));
}

TEST(WindowPreviewRules, DownscalingHalvesLargeImagesFirstAndKeepsRGB32Opaque) {
    QImage undefinedTop(1600, 960, QImage::Format_RGB32);
    undefinedTop.fill(0x00204080u);
    const QImage opaque = downscaledForPreview(undefinedTop);
    ASSERT_EQ(opaque.size(), QSize(400, 240));
    EXPECT_EQ(reinterpret_cast<const quint32*>(opaque.constScanLine(100))[200], 0xff204080u);
}

TEST_F(Preview, TheDisplayOfTheButtonsWindowDecidesHowManyWindowsShow) {
    for (int i = 0; i < 9; ++i)
        desktop.addWindow(editor, QStringLiteral("doc %1").arg(i), {double(20 * i), 40, 600, 400});
    show(entryOf(editor));
    EXPECT_EQ(preview.shownWindows().size(), 6u);

    onDisplay(200);
    show(entryOf(editor));
    EXPECT_EQ(preview.shownWindows().size(), 1u);

    // A bar standing on no display known: eight.
    desktop.setDisplays({{1, {2000, 0, 1440, 900}, {2000, 0, 1440, 875}}}, 1);
    show(entryOf(editor));
    EXPECT_EQ(preview.shownWindows().size(), 8u);
}

TEST_F(Preview, OnScreenWindowsComeFrontToBackThenTheLowestNumberedMinimisedOneWithinTheLimit) {
    onDisplay(900); // room for four
    desktop.addWindow(editor, "front", {10, 10, 800, 600});
    const quint32 lowMin = desktop.addWindow(editor, "low minimised", {0, 0, 500, 300}, true);
    desktop.addWindow(editor, "middle", {30, 30, 1440, 900});
    desktop.addWindow(editor, "back", {50, 50, 300, 200});
    desktop.addWindow(editor, "high minimised", {0, 0, 500, 300}, true);
    // The accessibility interface lists the higher-numbered minimised window first.
    auto& windows = desktop.app(editor)->windows;
    std::swap(windows[1], windows[4]);
    show(entryOf(editor));

    const auto& shown = preview.shownWindows();
    ASSERT_EQ(titlesOf(shown), (QStringList{"front", "middle", "back", "low minimised"}));
    EXPECT_EQ(shown[3].windowNumber, lowMin);
    EXPECT_EQ(shown[3].image, previewIconImage(entryOf(editor).icon)) << "the minimised one shows the icon";
}

TEST_F(Preview, OnlyStandardWindowsShowAndAWindowWithoutAPictureIsStillListed) {
    desktop.addWindow(editor, "document", {10, 10, 800, 600});
    const quint32 dialog = desktop.addWindow(editor, "Find", {10, 10, 400, 200});
    desktop.window(dialog)->subrole = "AXDialog";
    desktop.addWindow(editor, "minimised", {0, 0, 500, 300}, true);
    desktop.addWindow(editor, "strip", {0, 0, 800, 50});
    const quint32 blank = desktop.addWindow(editor, "", {0, 0, 300, 300});
    desktop.window(blank)->capturable = false;

    show(entryOf(editor));
    EXPECT_EQ(titlesOf(preview.shownWindows()), (QStringList{"document", "", "minimised"}))
        << "standard windows only, nothing 50 high, the minimised one last";
}

TEST_F(Preview, TheCacheStandsInForEightSecondsWithTheWindowsTheApplicationStillOwns) {
    const quint32 one = desktop.addWindow(editor, "one", {10, 10, 800, 600});
    const quint32 two = desktop.addWindow(editor, "two", {20, 20, 800, 600});
    const quint32 three = desktop.addWindow(editor, "three", {30, 30, 800, 600});
    show(entryOf(editor));
    ASSERT_EQ(preview.shownWindows().size(), 3u);
    preview.close();

    // Moved out of sight (not minimised), and one of them closed: nothing to capture now.
    world.scheduler.advance(7000ms);
    desktop.window(one)->onScreen = false;
    desktop.window(three)->onScreen = false;
    desktop.closeWindow(two);
    show(entryOf(editor));
    EXPECT_EQ(titlesOf(preview.shownWindows()), (QStringList{"one", "three"}));
    EXPECT_TRUE(preview.shownWindows()[0].hasThumbnail) << "the pictures of then";

    world.scheduler.advance(1001ms);
    show(entryOf(editor));
    EXPECT_TRUE(preview.shownWindows().empty());
    EXPECT_NE(card(), nullptr) << "eight seconds on, the fallback card";

    // A fresh capture renews it; an application that quits loses it at once.
    desktop.window(one)->onScreen = true;
    show(entryOf(editor));
    ASSERT_EQ(preview.cacheByBundleID().count("com.example.Editor"), 1u);
    const AppEntry stale = entryOf(editor);
    desktop.terminate(editor);
    show(stale);
    EXPECT_NE(card(), nullptr);
    EXPECT_TRUE(preview.cacheByBundleID().empty());
}

TEST_F(Preview, ACardWhenNothingCanBeShownAndNothingForAButtonInNoWindow) {
    const quint32 doc = desktop.addWindow(editor, "doc", {10, 10, 800, 600});
    AppEntry perWindow = entryOf(editor);
    perWindow.windowID = doc;
    show(perWindow);
    ASSERT_EQ(preview.shownWindows().size(), 1u);
    perWindow.windowID = 9999;
    show(perWindow);
    ASSERT_NE(card(), nullptr) << "a window button whose window is not there";
    ASSERT_NE(card()->quitButton(), nullptr);

    // A button that is in no window shows nothing and closes what showed.
    bar.hide();
    show(entryOf(editor));
    EXPECT_FALSE(preview.isShown());
}

TEST_F(Preview, UntitledWindowsAreNamedInTipsAndMinimisedOnesAlwaysShowTheirLabel) {
    desktop.addWindow(editor, "", {10, 10, 800, 600});
    desktop.addWindow(editor, "Report", {10, 10, 800, 600});
    desktop.addWindow(editor, "", {0, 0, 500, 300}, true);
    show(entryOf(editor), [](AppSettings& s) { s.showWindowTitles = false; });
    ASSERT_EQ(strip()->items().size(), 3u);
    EXPECT_FALSE(item(0)->showsTitle());
    EXPECT_EQ(item(0)->toolTip(), "Untitled Window");
    EXPECT_TRUE(item(2)->showsTitle());
    EXPECT_EQ(item(2)->labelText(), "Untitled Window (minimized)");
}

TEST_F(Preview, ThePointerMayGoUpIntoThePanelAndLeavingBothClosesItOnTheNextTick) {
    desktop.addWindow(editor, "doc", {10, 10, 800, 600});
    const int ticking = world.scheduler.repeatingCount();
    show(entryOf(editor));
    ASSERT_TRUE(preview.isShown());
    const Rect panel = preview.panel()->frame();
    EXPECT_EQ(panel.y, buttonFrame().maxY() + 6);
    EXPECT_EQ(panel.x, buttonFrame().midX() - panel.width / 2);
    EXPECT_EQ(world.scheduler.repeatingCount(), ticking + 1);

    for (double y = buttonCentre().y; y < panel.maxY(); y += 10) {
        desktop.setPointer({buttonCentre().x, y});
        world.scheduler.advance(80ms);
        ASSERT_TRUE(preview.isShown()) << y;
    }
    desktop.setPointer({panel.maxX() + 20, panel.midY()});
    world.scheduler.advance(79ms);
    EXPECT_TRUE(preview.isShown());
    world.scheduler.advance(1ms);
    EXPECT_FALSE(preview.isShown());
    EXPECT_EQ(world.scheduler.repeatingCount(), ticking) << "no polling left";

    // A button that goes (its row rebuilt) leaves the panel as long as the pointer is on it.
    show(entryOf(editor));
    desktop.setPointer({preview.panel()->frame().midX(), preview.panel()->frame().midY()});
    delete button;
    button = nullptr;
    world.scheduler.advance(160ms);
    EXPECT_TRUE(preview.isShown());
    desktop.setPointer({20, 20});
    world.scheduler.advance(80ms);
    EXPECT_FALSE(preview.isShown());
}
