#pragma once

#include "platform/Theme.h"

#include <QDBusConnection>
#include <QDBusVariant>
#include <QVariant>
#include <optional>

namespace vantorel {

// The desktop's light or dark preference: the desktop portal's
// "color-scheme" setting when a portal answers, else the lightness of the
// application palette the desktop gave Qt. The portal is asked without
// waiting (it may have to be started first); its answer is a change.
class X11Theme : public Theme {
    Q_OBJECT
public:
    explicit X11Theme(QDBusConnection bus = QDBusConnection::sessionBus(), QObject* parent = nullptr);
    ResolvedTheme systemTheme() const override;

    // 1 prefers dark, 2 prefers light, 0 (or anything else) has no preference.
    static std::optional<ResolvedTheme> fromColorScheme(const QVariant& value);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private Q_SLOTS:
    void onSettingChanged(const QString& group, const QString& key, const QDBusVariant& value);

private:
    void setPortalScheme(std::optional<ResolvedTheme> scheme);
    std::optional<ResolvedTheme> portal_;
    ResolvedTheme last_ = ResolvedTheme::Light;
    bool changeSeen_ = false;
};

} // namespace vantorel
