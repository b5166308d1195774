#include "support/SimWorld.h"
#include "widgets/StartButtonView.h"

#include <QAccessible>
#include <QTest>
#include <gtest/gtest.h>

using namespace vantorel;

namespace {

struct StartButtonTest : ::testing::Test {
    test::SimWorld world;
    std::unique_ptr<StartButtonView> make() {
        auto view = std::make_unique<StartButtonView>(world.settings, world.theme, world.updates,
                                                      &world.desktop.workspace, &world.desktop);
        view->resize(61, 56);
        return view;
    }
};

} // namespace

TEST_F(StartButtonTest, LabelAndPictureComeFromTheIdentityAndReloadOnSessionReturnAndChange) {
    world.desktop.user.reset();
    auto view = make();
    EXPECT_FALSE(view->profilePicture());
    auto* iface = QAccessible::queryAccessibleInterface(view.get());
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Start"));

    QImage picture(40, 40, QImage::Format_ARGB32);
    picture.fill(Qt::blue);
    world.desktop.user = UserIdentity{QStringLiteral("Robin Vale"), picture};
    Q_EMIT world.desktop.workspace.sessionDidBecomeActive();
    EXPECT_EQ(iface->text(QAccessible::Name), QStringLiteral("Start, Robin Vale"));
    EXPECT_TRUE(view->profilePicture());

    // The identity store announces a late answer or a change itself.
    world.desktop.user = UserIdentity{QString(), std::nullopt};
    Q_EMIT world.desktop.currentUserChanged();
    EXPECT_FALSE(view->profilePicture());
}

TEST_F(StartButtonTest, UpdateNoticeSetsTheDotToolTipAndValue) {
    auto view = make();
    auto* iface = QAccessible::queryAccessibleInterface(view.get());
    EXPECT_FALSE(view->showsUpdateDot());
    world.updates.setAvailableVersion(QStringLiteral("1.2.0"));
    EXPECT_TRUE(view->showsUpdateDot());
    EXPECT_TRUE(view->toolTip().contains("1.2.0"));
    EXPECT_FALSE(iface->text(QAccessible::Value).isEmpty());

    world.updates.setAvailableVersion(std::nullopt);
    EXPECT_FALSE(view->showsUpdateDot());
}
