#include "AppsTestSupport.h"

#include "apps/AppButton.h"

#include <QAccessible>
#include <QAccessibleActionInterface>
#include <QApplication>
#include <QDrag>
#include <QMimeData>
#include <QMouseEvent>
#include <gmock/gmock.h>

using namespace vantorel;
using namespace vantorel::test;

namespace {

TEST(AppButtonGeometry, IconRunningBarHighlightAndFadingFollowTheScaleAndState) {
    const AppEntry win = windowEntry("com.example.A", 7, "Doc");
    for (const auto& [percent, appSide, windowSide] : {std::tuple{50.0, 20.4, 16.0}, std::tuple{200.0, 54.4, 38.4}}) {
        const auto a = appButtonGeometry(appEntry("com.example.A", false), {54, 55}, iconScale(percent), 15);
        EXPECT_NEAR(a.icon.width, appSide, 1e-9) << percent;
        EXPECT_NEAR(a.icon.y, (55 - appSide) / 2 + 4, 1e-9) << "4 points above the middle";
        EXPECT_NEAR(appButtonGeometry(win, {170, 55}, iconScale(percent), 15).icon.width, windowSide, 1e-9);
    }

    auto g = appButtonGeometry(appEntry("com.example.A", false, true, true), {44, 55}, 1.0, 15);
    EXPECT_EQ(*g.runningBar, (Rect{11, 8, 22, 4}));
    EXPECT_EQ(g.highlight, (Rect{10, 10, 24, 35}));
    EXPECT_DOUBLE_EQ(appButtonGeometry(win, {170, 55}, 1.0, 15).runningBar->width, 5) << "an inactive window";
    EXPECT_DOUBLE_EQ(appButtonGeometry(win, {40, 55}, 1.0, 15).title->width, 0) << "too narrow for text";
    const auto pinnedIdle = appButtonGeometry(appEntry("com.example.B", true, false), {54, 55}, 1.0, 15);
    EXPECT_FALSE(pinnedIdle.runningBar);
    EXPECT_DOUBLE_EQ(pinnedIdle.iconOpacity, 0.55);
}

class AppButtonTest : public ::testing::Test {
protected:
    AppsWorld w;
    std::unique_ptr<AppButton> button;
    std::vector<QString> events;
    std::vector<QByteArray> dragged;
    double opacityWhileDragging = 0;

    AppButton& make(const AppEntry& entry) {
        button = std::make_unique<AppButton>(entry, AppButtonEnvironment{w.settings, w.theme, w.scheduler});
        button->resize(54, 55);
        button->onClicked = [this](const AppEntry& e) { events.push_back("click " + e.bundleId); };
        button->onRightClicked = [this](const AppEntry& e, const QMouseEvent& m) {
            events.push_back(QStringLiteral("menu %1 at %2,%3").arg(e.bundleId).arg(m.position().x()).arg(m.position().y()));
        };
        button->onHoverBegin = [this](AppButton*, const AppEntry& e) { events.push_back("begin " + e.bundleId); };
        button->onHoverEnd = [this](const AppEntry& e) { events.push_back("end " + e.bundleId); };
        button->runDrag = [this](QDrag& drag) {
            dragged.push_back(drag.mimeData()->data(kTaskbarBundleIdType));
            opacityWhileDragging = button->opacity();
        };
        return *button;
    }
    void mouse(QEvent::Type type, QPointF at, Qt::MouseButton b = Qt::LeftButton) {
        const Qt::MouseButtons held = type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(b);
        QMouseEvent e(type, at, at, at, type == QEvent::MouseMove ? Qt::NoButton : b, held, Qt::NoModifier);
        QApplication::sendEvent(button.get(), &e);
    }
    void enter() {
        QEnterEvent e(QPointF(5, 5), QPointF(5, 5), QPointF(5, 5));
        QApplication::sendEvent(button.get(), &e);
    }
    void leave() {
        QEvent e(QEvent::Leave);
        QApplication::sendEvent(button.get(), &e);
    }
};

TEST_F(AppButtonTest, HoverBeginsAfterHalfASecondAndAlwaysEnds) {
    make(appEntry("com.example.A", false));
    enter();
    EXPECT_TRUE(button->isHovered());
    w.scheduler.advance(400ms);
    leave();
    w.scheduler.advance(1s);
    EXPECT_EQ(events, (std::vector<QString>{"end com.example.A"}));

    events.clear();
    enter();
    w.scheduler.advance(600ms);
    leave();
    EXPECT_EQ(events, (std::vector<QString>{"begin com.example.A", "end com.example.A"}));
    EXPECT_FALSE(button->isHovered());
}

TEST_F(AppButtonTest, ClickNeedsAReleaseInsideAndNoDrag) {
    make(appEntry("com.example.A", false));
    mouse(QEvent::MouseButtonPress, {20, 20});
    mouse(QEvent::MouseMove, {23, 20});
    mouse(QEvent::MouseButtonRelease, {23, 20});
    EXPECT_EQ(events, (std::vector<QString>{"click com.example.A"})) << "3 points is below the drag threshold";

    events.clear();
    mouse(QEvent::MouseButtonPress, {52, 20});
    mouse(QEvent::MouseButtonRelease, {55, 20});
    EXPECT_TRUE(events.empty()) << "released outside";

    mouse(QEvent::MouseButtonPress, {20, 20});
    mouse(QEvent::MouseMove, {20, 24});
    mouse(QEvent::MouseButtonRelease, {20, 24});
    EXPECT_EQ(dragged, (std::vector<QByteArray>{"com.example.A"}));
    EXPECT_DOUBLE_EQ(opacityWhileDragging, 0.4);
    EXPECT_DOUBLE_EQ(button->opacity(), 1.0);
    EXPECT_TRUE(events.empty()) << "no click after a drag";

    mouse(QEvent::MouseButtonPress, {20, 20}, Qt::RightButton);
    EXPECT_EQ(events, (std::vector<QString>{"menu com.example.A at 20,20"}));

    // A process without an identifier never drags but still clicks.
    events.clear();
    make(appEntry("pid:4242", false));
    mouse(QEvent::MouseButtonPress, {20, 20});
    mouse(QEvent::MouseMove, {50, 40});
    mouse(QEvent::MouseButtonRelease, {30, 30});
    EXPECT_EQ(dragged.size(), 1u);
    EXPECT_EQ(events, (std::vector<QString>{"click pid:4242"}));
}

TEST_F(AppButtonTest, PressedShowsOverActiveAndActiveOverHover) {
    make(appEntry("com.example.A", true, false));
    button->resize(100, 55);
    // Left of the icon, inside the highlight's straight part: only the highlight paints there.
    auto highlightAlpha = [&] {
        QImage image(button->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        button->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
        return qAlpha(image.pixel(15, 27));
    };
    const auto palette = appButtonPalette(ResolvedTheme::Light);
    auto alpha = [](const QColor& c) { return qRound(c.alphaF() * 255); };

    EXPECT_EQ(highlightAlpha(), 0) << "a pinned application that does not run: no highlight";
    enter();
    EXPECT_NEAR(highlightAlpha(), alpha(palette.hover), 1);
    button->setEntry(appEntry("com.example.A", true, true, true));
    EXPECT_NEAR(highlightAlpha(), alpha(palette.active), 1) << "active over hover";
    mouse(QEvent::MouseButtonPress, {50, 27});
    EXPECT_NEAR(highlightAlpha(), alpha(palette.pressed), 1) << "pressed over active";
    mouse(QEvent::MouseButtonRelease, {50, 27});
    EXPECT_NEAR(highlightAlpha(), alpha(palette.active), 1);
}

TEST_F(AppButtonTest, AccessibilityNamesStatesAndActions) {
    AppEntry e = windowEntry("com.example.A", 3, "Notes", true);
    make(e);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(button.get());
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("A: Notes"));
    EXPECT_EQ(a->text(QAccessible::Value), QStringLiteral("pinned, running"));
    e.isMinimized = true;
    e.isPinned = false;
    button->setEntry(e);
    EXPECT_EQ(a->text(QAccessible::Value), QStringLiteral("minimized"));

    a->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
    a->actionInterface()->doAction(QAccessibleActionInterface::showMenuAction());
    EXPECT_EQ(events, (std::vector<QString>{"click com.example.A", "menu com.example.A at 27,27.5"}));
}

} // namespace
