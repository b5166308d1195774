#include "platform/x11/X11Theme.h"
#include "support/PrivateBus.h"
#include "support/PrivateDesktop.h"

#include <QDBusAbstractAdaptor>
#include <QDBusVariant>
#include <QSignalSpy>
#include <gtest/gtest.h>

using namespace vantorel;
using namespace vantorel::test;

namespace {

// The desktop portal's settings: one color scheme, read and announced.
class FakePortalSettings : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")
public:
    explicit FakePortalSettings(QObject* host) : QDBusAbstractAdaptor(host) {}

public Q_SLOTS:
    QDBusVariant Read(const QString&, const QString&) { return QDBusVariant(QVariant::fromValue(QDBusVariant(1u))); }

Q_SIGNALS:
    void SettingChanged(const QString& group, const QString& key, const QDBusVariant& value);
};

struct FakePortal {
    QDBusConnection bus;
    QObject host;
    FakePortalSettings* settings = new FakePortalSettings(&host);
    explicit FakePortal(QDBusConnection connection) : bus(std::move(connection)) {
        bus.registerObject(QStringLiteral("/org/freedesktop/portal/desktop"), &host, QDBusConnection::ExportAdaptors);
        bus.registerService(QStringLiteral("org.freedesktop.portal.Desktop"));
    }
};

using ThemeTest = BusTest;

} // namespace

TEST_F(ThemeTest, ThePortalsAnswerArrivesAsAChangeAndLaterChangesFollow) {
    FakePortal portal(bus.connect(QStringLiteral("portal")));
    // The portal answers on this very thread: a constructor that waited for it would never see the answer.
    X11Theme theme(bus.connect(QStringLiteral("client")));
    QSignalSpy changed(&theme, &Theme::systemThemeChanged);
    EXPECT_EQ(theme.systemTheme(), ResolvedTheme::Light) << "the palette until the portal answers";
    ASSERT_TRUE(waitUntil([&] { return changed.count() == 1; }, 10000));
    EXPECT_EQ(theme.systemTheme(), ResolvedTheme::Dark);

    Q_EMIT portal.settings->SettingChanged("org.freedesktop.appearance", "color-scheme", QDBusVariant(2u));
    ASSERT_TRUE(waitUntil([&] { return changed.count() == 2; }, 10000));
    EXPECT_EQ(theme.systemTheme(), ResolvedTheme::Light);
}

#include "X11ThemeTest.moc"
