#pragma once

#include "app/AppSettings.h"
#include "platform/Theme.h"

#include <QColor>
#include <QPalette>
#include <optional>

namespace vantorel {

class ThemeService {
public:
    explicit ThemeService(const Theme& theme) : theme_(theme) {}
    static ThemeService& shared();

    ResolvedTheme currentSystemTheme() const { return theme_.systemTheme(); }
    // auto follows the system; light and dark are fixed.
    ResolvedTheme resolve(AppearanceMode mode) const;
    // The appearance to set on a window, menu or popover: none (follow the
    // system) for auto, light or dark otherwise.
    static std::optional<ResolvedTheme> windowAppearance(AppearanceMode mode);

    // A palette for our own windows, menus and popovers in the given look.
    static QPalette palette(ResolvedTheme theme);

private:
    const Theme& theme_;
};

} // namespace vantorel
