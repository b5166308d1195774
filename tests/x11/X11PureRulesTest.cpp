#include "platform/x11/X11KeyEvents.h"
#include "platform/x11/X11Launcher.h"
#include "platform/x11/X11PanelHost.h"
#include "platform/x11/X11WindowServer.h"

#include <gtest/gtest.h>

using namespace vantorel;

TEST(PanelStrut, ReservesTheBarOnItsOwnDisplaysBottomEdgeOnly) {
    // A shorter display beside a taller one: the strut counts from the root's
    // bottom, so it adds the gap below the shorter display, and stays on its x range.
    auto s = X11PanelHost::bottomStrut(QRect(1920, 0, 1440, 900), 1200, 55);
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
}

TEST(KeyChords, VirtualKeysAreUSKeyboardPositionsAndCommandIsControl) {
    EXPECT_EQ(keysymForVirtualKey(VirtualKey::W), xcb_keysym_t('w'));
    EXPECT_FALSE(keysymForVirtualKey(10)) << "no key at that position on a US keyboard";

    const xcb_keysym_t control = 0xffe3;
    EXPECT_EQ(modifierKeysyms(KeyModifier::Command | KeyModifier::Control), std::vector<xcb_keysym_t>{control})
        << "one Control for both";
}

TEST(StartupNotification, TheMessageQuotesItsValues) {
    EXPECT_EQ(startupNotificationMessage("new", {{"ID", "a-1_TIME5"}, {"NAME", R"(Say "hi" \ bye)"}}),
              QByteArray(R"(new: ID="a-1_TIME5" NAME="Say \"hi\" \\ bye")") + '\0');
}
