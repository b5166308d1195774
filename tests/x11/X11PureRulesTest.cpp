#include "platform/x11/X11PanelHost.h"
#include "platform/x11/X11Theme.h"
#include "platform/x11/X11WindowServer.h"

#include <QDBusVariant>
#include <gtest/gtest.h>

using namespace vantorel;

TEST(PanelStrut, ReservesTheBarOnItsOwnDisplaysBottomEdgeOnly) {
    // One display: 55 points along the bottom, across its width.
    auto s = X11PanelHost::bottomStrut(QRect(0, 0, 1440, 900), 900, 55);
    EXPECT_EQ(s[3], 55u);
    EXPECT_EQ(s[10], 0u);
    EXPECT_EQ(s[11], 1439u);
    EXPECT_EQ(s[0] + s[1] + s[2], 0u);

    // A shorter display beside a taller one: the strut counts from the root's
    // bottom, so it adds the gap below the shorter display, and stays on its x range.
    s = X11PanelHost::bottomStrut(QRect(1920, 0, 1440, 900), 1200, 55);
    EXPECT_EQ(s[3], 300u + 55u);
    EXPECT_EQ(s[10], 1920u);
    EXPECT_EQ(s[11], 1920u + 1439u);

    // The upper of two stacked displays stands on an inner edge: a strut there
    // would block the whole lower display, so it reserves nothing.
    s = X11PanelHost::bottomStrut(QRect(0, 0, 1440, 900), 1800, 55, {QRect(200, 900, 1440, 900)});
    EXPECT_EQ(s, (std::array<uint32_t, 12>{}));
    // The lower one reserves as usual.
    s = X11PanelHost::bottomStrut(QRect(200, 900, 1440, 900), 1800, 55, {QRect(0, 0, 1440, 900)});
    EXPECT_EQ(s[3], 55u);

    // No bar shown: nothing reserved.
    EXPECT_EQ(X11PanelHost::bottomStrut(QRect(0, 0, 1440, 900), 900, 0), (std::array<uint32_t, 12>{}));
}

TEST(PortalColorScheme, DarkLightOrNoPreference) {
    EXPECT_EQ(X11Theme::fromColorScheme(QVariant(1u)), ResolvedTheme::Dark);
    EXPECT_EQ(X11Theme::fromColorScheme(QVariant(2u)), ResolvedTheme::Light);
    EXPECT_FALSE(X11Theme::fromColorScheme(QVariant(0u)));
    EXPECT_FALSE(X11Theme::fromColorScheme(QVariant(QStringLiteral("dark"))));
    // The portal nests the value in variants.
    const QVariant nested = QVariant::fromValue(QDBusVariant(QVariant::fromValue(QDBusVariant(QVariant(1u)))));
    EXPECT_EQ(X11Theme::fromColorScheme(nested), ResolvedTheme::Dark);
}
