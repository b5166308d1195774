#include "support/SimWorld.h"
#include "widgets/ShowDesktopButton.h"

#include <QAccessible>
#include <QTest>
#include <gtest/gtest.h>

using namespace vantorel;

namespace {

struct ShowDesktopTest : ::testing::Test {
    test::SimWorld world;
    SimDesktop& d = world.desktop;
    qint64 editor = d.launch(QStringLiteral("org.example.editor"), QStringLiteral("Editor"));
    qint64 browser = d.launch(QStringLiteral("org.example.browser"), QStringLiteral("Browser"));
    quint32 e1 = d.addWindow(editor, QStringLiteral("a.txt"), {0, 0, 400, 300});
    quint32 e2 = d.addWindow(editor, QStringLiteral("b.txt"), {10, 10, 400, 300});
    quint32 b1 = d.addWindow(browser, QStringLiteral("News"), {20, 20, 800, 600});
    quint32 bMin = d.addWindow(browser, QStringLiteral("Old tab"), {30, 30, 800, 600}, true);
    std::unique_ptr<ShowDesktopButton> button;

    void SetUp() override {
        const qint64 agent = d.launch(QStringLiteral("org.example.agent"), QStringLiteral("Agent"),
                                      ActivationPolicy::Accessory);
        d.addWindow(agent, QStringLiteral("Panel"), {0, 0, 100, 100});
        auto p = d.platform();
        button = std::make_unique<ShowDesktopButton>(world.settings, world.theme, *p.workspace, *p.accessibility,
                                                     p.bundle, world.scheduler);
        button->resize(8, 56);
    }
    bool minimized(quint32 n) { return d.window(n)->minimized; }
    QStringList minimizedStates() {
        QStringList out;
        for (const auto& a : d.apps())
            for (const auto& w : a.windows)
                out << QStringLiteral("%1:%2").arg(w.title).arg(w.minimized);
        return out;
    }
};

} // namespace

TEST_F(ShowDesktopTest, SecondClickRestoresExactlyWhatTheFirstMinimized) {
    const QStringList before = minimizedStates();
    QTest::mouseClick(button.get(), Qt::LeftButton, {}, QPoint(4, 20));
    EXPECT_TRUE(minimized(e1) && minimized(e2) && minimized(b1));
    // Accessory applications are left alone.
    EXPECT_FALSE(d.appWithIdentifier(QStringLiteral("org.example.agent"))->windows[0].minimized);

    button->showDesktop();
    EXPECT_EQ(minimizedStates(), before) << "a window minimized beforehand stays minimized";
}

TEST_F(ShowDesktopTest, WindowsRestoredByHandAreLeftAloneAndFullScreenOnesMinimiseLater) {
    button->showDesktop();
    d.window(e2)->minimized = false; // the user brings one back
    d.axJournal.clear();
    button->showDesktop();
    EXPECT_FALSE(minimized(e1));
    EXPECT_FALSE(d.axJournal.join(u'\n').contains(QStringLiteral(":%1").arg(e2)));

    // With every window already back, the next click shows the desktop again.
    button->showDesktop();
    for (quint32 n : {e1, e2, b1})
        d.window(n)->minimized = false;
    button->showDesktop();
    EXPECT_TRUE(minimized(e1) && minimized(e2) && minimized(b1));

    // Full screen: it leaves full screen, is minimised 0.6 s later, and is restored not into full screen.
    button->showDesktop();
    d.window(b1)->fullScreen = true;
    button->showDesktop();
    EXPECT_FALSE(d.window(b1)->fullScreen);
    EXPECT_TRUE(minimized(e1));
    world.scheduler.advance(599ms);
    EXPECT_FALSE(minimized(b1));
    world.scheduler.advance(1ms);
    EXPECT_TRUE(minimized(b1));
    button->showDesktop();
    EXPECT_FALSE(minimized(b1));
    EXPECT_FALSE(d.window(b1)->fullScreen);
}
