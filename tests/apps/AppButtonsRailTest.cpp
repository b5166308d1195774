#include "AppsTestSupport.h"

#include "apps/AppButtonsRail.h"

#include <QApplication>
#include <QDrag>
#include <QEventLoop>
#include <QMimeData>
#include <QMouseEvent>
#include <QPointer>
#include <QScrollBar>
#include <QTimer>
#include <QWheelEvent>
#include <gmock/gmock.h>

using namespace vantorel;
using namespace vantorel::test;

namespace {

// Counts the layout passes a widget asks for.
class LayoutCounter : public QObject {
public:
    int requests = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::LayoutRequest)
            ++requests;
        return false;
    }
};

class RailTest : public ::testing::Test {
protected:
    AppsWorld w;
    AppButtonsRail rail{AppButtonEnvironment{w.settings, w.theme, w.scheduler}};
    LayoutCounter layouts;
    std::vector<std::pair<QString, int>> reorders;

    RailTest() {
        rail.resize(600, 55);
        rail.show();
        rail.stackView()->installEventFilter(&layouts);
        rail.onReorder = [this](const QString& id, int index) { reorders.emplace_back(id, index); };
    }
    void settle() {
        for (int i = 0; i < 3; ++i)
            QApplication::processEvents();
        QApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    std::map<QString, int> paints() const {
        std::map<QString, int> out;
        for (const auto& e : rail.currentEntries())
            out[e.key()] = rail.button(e.key())->paintCount();
        return out;
    }
    // Buttons by key and separators as "|".
    QStringList arranged() const {
        QStringList out;
        for (QWidget* v : rail.arrangedViews()) {
            auto* b = qobject_cast<AppButton*>(v);
            out << (b ? b->entry().key() : QStringLiteral("|"));
        }
        return out;
    }
    static std::vector<AppEntry> sample() {
        return {appEntry("A", true), appEntry("B", true, false), appEntry("C", false), windowEntry("D", 5, "Doc")};
    }
};

TEST_F(RailTest, AnActivationOrANewIconRepaintsOnlyThatButton) {
    rail.update(sample());
    settle();
    auto expected = paints();
    const int rebuilds = rail.rebuildCount(), made = rail.buttonsMade(), requests = layouts.requests;
    ASSERT_EQ(made, 4);
    // The same list twice touches no widget.
    rail.update(sample());
    settle();
    EXPECT_EQ(paints(), expected);

    auto next = sample();
    next[2].isActive = true;
    rail.update(next);
    settle();
    auto after = paints();
    EXPECT_GT(after.at("C"), expected.at("C"));
    expected["C"] = after.at("C");
    EXPECT_EQ(after, expected);

    // An icon that arrives late is drawn; the same icon again draws nothing.
    QPixmap red(16, 16);
    red.fill(Qt::red);
    next[0].icon = QIcon(red);
    rail.update(next);
    settle();
    after = paints();
    EXPECT_GT(after.at("A"), expected.at("A"));
    EXPECT_EQ(rail.button("A")->entry().icon.cacheKey(), next[0].icon.cacheKey());
    expected["A"] = after.at("A");
    EXPECT_EQ(after, expected);
    rail.update(next);
    settle();
    EXPECT_EQ(paints(), expected);

    EXPECT_EQ(rail.rebuildCount(), rebuilds);
    EXPECT_EQ(rail.buttonsMade(), made);
    EXPECT_EQ(layouts.requests, requests);
}

TEST_F(RailTest, OneSeparatorBetweenPinnedAndTheRest) {
    rail.update(sample());
    EXPECT_EQ(arranged(), QStringList({"A", "B", "|", "C", "D#5"}));

    // Pinning C moves the separator; the buttons stay the same widgets.
    AppButton* c = rail.button("C");
    auto next = sample();
    next[2].isPinned = true;
    rail.update(next);
    EXPECT_EQ(arranged(), QStringList({"A", "B", "C", "|", "D#5"}));
    EXPECT_EQ(rail.button("C"), c);

    rail.update({appEntry("C", false), appEntry("E", false)});
    EXPECT_EQ(arranged(), QStringList({"C", "E"}));
    settle();
    EXPECT_EQ(rail.stackView()->findChildren<AppButton*>().size(), 2) << "dropped buttons are gone";
}

TEST_F(RailTest, ADropAtEitherEndReordersOnlyWithAnIdentifier) {
    rail.update(sample());
    settle();
    QWidget* first = rail.button("A");

    QMimeData data;
    data.setData(kTaskbarBundleIdType, "C");
    // Through the drag events, as a dragging session delivers them.
    const QPointF over = first->mapTo(&rail, QPointF(first->width() / 4, 20));
    QDragEnterEvent enter(over.toPoint(), Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&rail, &enter);
    EXPECT_TRUE(enter.isAccepted());
    EXPECT_EQ(rail.dropVisualIndex(), 0);
    QDropEvent drop(over, Qt::MoveAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&rail, &drop);
    EXPECT_EQ(reorders, (std::vector<std::pair<QString, int>>{{"C", 0}}));
    EXPECT_FALSE(rail.dropVisualIndex());

    QMimeData other;
    other.setText(QStringLiteral("C"));
    QDragEnterEvent foreign(over.toPoint(), Qt::MoveAction, &other, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&rail, &foreign);
    EXPECT_FALSE(foreign.isAccepted());
}

TEST_F(RailTest, VerticalWheelScrollsSideways) {
    std::vector<AppEntry> many;
    for (int i = 0; i < 10; ++i)
        many.push_back(windowEntry("W", static_cast<quint32>(i), "Window"));
    rail.update(many);
    settle();
    QScrollBar* bar = rail.scrollView()->horizontalScrollBar();
    auto wheel = [&](QPoint angle) {
        QWheelEvent e(QPointF(50, 20), QPointF(50, 20), QPoint(), angle, Qt::NoButton, Qt::NoModifier,
                      Qt::NoScrollPhase, false);
        QApplication::sendEvent(rail.scrollView()->viewport(), &e);
    };
    wheel({0, -3 * 120});
    EXPECT_EQ(bar->value(), 36);
}

TEST_F(RailTest, AButtonDroppedWhileItIsDraggedLivesHiddenUntilItsDragEnds) {
    rail.update(sample());
    settle();
    QPointer<AppButton> dragged = rail.button("C");
    bool aliveDuringDrag = false, shownDuringDrag = true, keptDuringDrag = true;
    dragged->runDrag = [&](QDrag&) {
        // A dragging session runs a loop of its own, and the registry keeps
        // publishing in it: here a list without the dragged application.
        QEventLoop session;
        QTimer::singleShot(0, &session, [&] { rail.update({appEntry("A", true), appEntry("B", true, false)}); });
        QTimer::singleShot(0, &session, [&] {
            // Once the loop has turned again, deleting what was deleted later.
            QTimer::singleShot(0, &session, [&] {
                aliveDuringDrag = !dragged.isNull();
                shownDuringDrag = dragged && dragged->isVisible();
                keptDuringDrag = rail.button("C") != nullptr;
                session.quit();
            });
        });
        session.exec();
    };
    auto mouse = [&](QEvent::Type type, QPointF at) {
        QMouseEvent e(type, at, at, at, type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(dragged, &e);
    };
    mouse(QEvent::MouseButtonPress, {20, 20});
    mouse(QEvent::MouseMove, {20, 30});

    EXPECT_TRUE(aliveDuringDrag) << "deleted under its own dragging session";
    EXPECT_FALSE(shownDuringDrag);
    EXPECT_FALSE(keptDuringDrag);
    EXPECT_EQ(arranged(), QStringList({"A", "B"}));
    ASSERT_TRUE(dragged) << "the session's loop returns into the button";
    EXPECT_FALSE(dragged->isDragging());
    settle();
    EXPECT_FALSE(dragged) << "gone once its drag has ended";
}

} // namespace
