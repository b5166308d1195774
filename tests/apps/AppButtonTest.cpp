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

TEST(AppButtonGeometry, IconSideFollowsTheClampedScale) {
    const AppEntry app = appEntry("com.example.A", false);
    const AppEntry win = windowEntry("com.example.A", 7, "Doc");
    for (const auto& [percent, appSide, windowSide] :
         {std::tuple{50.0, 20.4, 16.0}, std::tuple{100.0, 34.0, 24.0}, std::tuple{200.0, 54.4, 38.4}}) {
        const double scale = iconScale(percent);
        const auto a = appButtonGeometry(app, {54, 55}, scale, 15);
        EXPECT_NEAR(a.icon.width, appSide, 1e-9) << percent;
        EXPECT_NEAR(a.icon.x, (54 - appSide) / 2, 1e-9);
        EXPECT_NEAR(a.icon.y, (55 - appSide) / 2 + 4, 1e-9) << "4 points above the middle";
        const auto w = appButtonGeometry(win, {170, 55}, scale, 15);
        EXPECT_NEAR(w.icon.width, windowSide, 1e-9) << percent;
        EXPECT_DOUBLE_EQ(w.icon.x, 16);
    }
}

TEST(AppButtonGeometry, RunningBarHighlightAndFading) {
    AppEntry active = appEntry("com.example.A", false, true, true);
    auto g = appButtonGeometry(active, {44, 55}, 1.0, 15);
    ASSERT_TRUE(g.runningBar);
    EXPECT_EQ(*g.runningBar, (Rect{11, 8, 22, 4}));
    EXPECT_EQ(g.highlight, (Rect{10, 10, 24, 35}));

    AppEntry win = windowEntry("com.example.A", 7, "Doc");
    win.isActive = true;
    g = appButtonGeometry(win, {170, 55}, 1.0, 14.2);
    EXPECT_DOUBLE_EQ(g.runningBar->width, 138);
    EXPECT_DOUBLE_EQ(g.title->midY(), g.icon.midY());
    EXPECT_DOUBLE_EQ(appButtonGeometry(win, {40, 55}, 1.0, 15).title->width, 0) << "too narrow for text";

    win.isActive = false;
    EXPECT_DOUBLE_EQ(appButtonGeometry(win, {170, 55}, 1.0, 15).runningBar->width, 5);
    win.isMinimized = true;
    EXPECT_DOUBLE_EQ(appButtonGeometry(win, {170, 55}, 1.0, 15).iconOpacity, 0.55);

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
    EXPECT_TRUE(button->isPressed());
    mouse(QEvent::MouseMove, {23, 20});
    mouse(QEvent::MouseButtonRelease, {23, 20});
    EXPECT_EQ(events, (std::vector<QString>{"click com.example.A"}));
    EXPECT_TRUE(dragged.empty()) << "3 points is below the threshold";
    EXPECT_FALSE(button->isPressed());

    events.clear();
    mouse(QEvent::MouseButtonPress, {52, 20});
    mouse(QEvent::MouseMove, {55, 20});
    mouse(QEvent::MouseButtonRelease, {55, 20});
    EXPECT_TRUE(events.empty()) << "released outside";
    EXPECT_TRUE(dragged.empty());

    mouse(QEvent::MouseButtonPress, {20, 20});
    mouse(QEvent::MouseMove, {20, 24});
    mouse(QEvent::MouseMove, {20, 30});
    mouse(QEvent::MouseButtonRelease, {20, 30});
    EXPECT_EQ(dragged, (std::vector<QByteArray>{"com.example.A"}));
    EXPECT_DOUBLE_EQ(opacityWhileDragging, 0.4);
    EXPECT_DOUBLE_EQ(button->opacity(), 1.0);
    EXPECT_FALSE(button->isDragging());
    EXPECT_TRUE(events.empty()) << "no click after a drag";

    mouse(QEvent::MouseButtonPress, {20, 20}, Qt::RightButton);
    EXPECT_EQ(events, (std::vector<QString>{"menu com.example.A at 20,20"}));
    EXPECT_FALSE(button->isPressed());
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

TEST_F(AppButtonTest, AnIdentifierlessProcessNeverDragsButStillClicks) {
    make(appEntry("pid:4242", false));
    mouse(QEvent::MouseButtonPress, {20, 20});
    mouse(QEvent::MouseMove, {50, 40});
    EXPECT_TRUE(button->isPressed());
    mouse(QEvent::MouseButtonRelease, {30, 30});
    EXPECT_TRUE(dragged.empty());
    EXPECT_EQ(events, (std::vector<QString>{"click pid:4242"}));
}

TEST_F(AppButtonTest, AccessibilityNamesStatesAndActions) {
    AppEntry e = windowEntry("com.example.A", 3, "Notes", true);
    make(e);
    QAccessibleInterface* a = QAccessible::queryAccessibleInterface(button.get());
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->text(QAccessible::Name), QStringLiteral("A: Notes"));
    EXPECT_EQ(a->text(QAccessible::Value), QStringLiteral("pinned, running"));
    e.isActive = true;
    button->setEntry(e);
    EXPECT_EQ(a->text(QAccessible::Value), QStringLiteral("pinned, active"));
    e.isMinimized = true;
    e.isPinned = false;
    button->setEntry(e);
    EXPECT_EQ(a->text(QAccessible::Value), QStringLiteral("minimized"));
    EXPECT_EQ(accessibilityValue(appEntry("com.example.B", false, false)), QString());

    QAccessibleActionInterface* actions = a->actionInterface();
    ASSERT_NE(actions, nullptr);
    EXPECT_THAT(actions->actionNames(), ::testing::ElementsAre(QAccessibleActionInterface::pressAction(),
                                                               QAccessibleActionInterface::showMenuAction()));
    actions->doAction(QAccessibleActionInterface::pressAction());
    actions->doAction(QAccessibleActionInterface::showMenuAction());
    EXPECT_EQ(events, (std::vector<QString>{"click com.example.A", "menu com.example.A at 27,27.5"}));
}

} // namespace
