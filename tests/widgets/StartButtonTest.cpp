#include "support/SimWorld.h"
#include "widgets/StartButtonView.h"

#include <QAccessible>
#include <QPainter>
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

QImage render(QWidget& w) {
    QImage image(w.size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    w.render(&image);
    return image;
}

} // namespace

TEST(StartButtonGeometry, CircleFollowsTheIconScaleWithinItsBounds) {
    EXPECT_DOUBLE_EQ(startCircleSize(50), 18);
    EXPECT_DOUBLE_EQ(startCircleSize(100), 26);
    EXPECT_DOUBLE_EQ(startCircleSize(200), 41.6);

    // The dot's lower-left corner is 7 in from the circle's top-right corner.
    EXPECT_EQ(updateDotRect(QRectF(17.5, 17, 26, 26)), QRectF(36.5, 36, 8, 8));
}

TEST_F(StartButtonTest, WidePictureFillsTheWholeCircle) {
    QImage picture(200, 100, QImage::Format_ARGB32);
    picture.fill(Qt::red);
    world.desktop.user = UserIdentity{QStringLiteral("Alex Morgan"), picture};
    auto view = make();
    ASSERT_TRUE(view->profilePicture());
    const QImage image = render(*view);
    // Circle of 26 centred at (30.5, 28) in widget coordinates (2 above the middle).
    for (QPoint p : {QPoint(19, 26), QPoint(42, 26)}) {
        const QColor c = image.pixelColor(p);
        EXPECT_GT(c.red(), 200) << p.x() << "," << p.y();
        EXPECT_LT(c.green(), 60) << p.x() << "," << p.y();
    }
    // Outside the circle nothing of the picture shows.
    EXPECT_NE(image.pixelColor(QPoint(18, 16)), QColor(Qt::red));
}

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
    EXPECT_TRUE(view->toolTip().isEmpty());

    world.updates.setAvailableVersion(QStringLiteral("1.2.0"));
    EXPECT_TRUE(view->showsUpdateDot());
    EXPECT_TRUE(view->toolTip().contains("1.2.0"));
    EXPECT_FALSE(iface->text(QAccessible::Value).isEmpty());

    world.updates.setAvailableVersion(std::nullopt);
    EXPECT_FALSE(view->showsUpdateDot());
}
