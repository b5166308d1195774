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

class AppButtonTest : public ::testing::Test {
protected:
    AppsWorld w;
    std::unique_ptr<AppButton> button;
    std::vector<QString> events;
    std::vector<QByteArray> dragged;

    AppButton& make(const AppEntry& entry) {
        button = std::make_unique<AppButton>(entry, AppButtonEnvironment{w.settings, w.theme, w.scheduler});
        button->resize(54, 55);
        button->onClicked = [this](const AppEntry& e) { events.push_back("click " + e.bundleId); };
        button->onRightClicked = [this](const AppEntry& e, const QMouseEvent& m) {
            events.push_back(QStringLiteral("menu %1 at %2,%3").arg(e.bundleId).arg(m.position().x()).arg(m.position().y()));
        };
        button->onHoverBegin = [this](AppButton*, const AppEntry& e) { events.push_back("begin " + e.bundleId); };
        button->onHoverEnd = [this](const AppEntry& e) { events.push_back("end " + e.bundleId); };
        button->runDrag = [this](QDrag& drag) { dragged.push_back(drag.mimeData()->data(kTaskbarBundleIdType)); };
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
    EXPECT_TRUE(events.empty()) << "no click after a drag";

    mouse(QEvent::MouseButtonPress, {20, 20}, Qt::RightButton);
    EXPECT_EQ(events, (std::vector<QString>{"menu com.example.A at 20,20"}));
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
