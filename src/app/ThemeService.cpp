#include "app/ThemeService.h"

#include "platform/Platform.h"

namespace vantorel {

ThemeService& ThemeService::shared() {
    static ThemeService instance(*Platform::installed().theme);
    return instance;
}

ResolvedTheme ThemeService::resolve(AppearanceMode mode) const {
    return windowAppearance(mode).value_or(currentSystemTheme());
}

std::optional<ResolvedTheme> ThemeService::windowAppearance(AppearanceMode mode) {
    switch (mode) {
    case AppearanceMode::Light:
        return ResolvedTheme::Light;
    case AppearanceMode::Dark:
        return ResolvedTheme::Dark;
    case AppearanceMode::Auto:
        break;
    }
    return std::nullopt;
}

QPalette ThemeService::palette(ResolvedTheme theme) {
    struct Colors {
        QColor window, base, text, highlight, disabled;
    };
    const Colors c = theme == ResolvedTheme::Dark
                         ? Colors{QColor(0x2b, 0x2b, 0x2e), QColor(0x1e, 0x1e, 0x21), QColor(0xec, 0xec, 0xee),
                                  QColor(0x2f, 0x6f, 0xd6), QColor(0x6e, 0x6e, 0x73)}
                         : Colors{QColor(0xf0, 0xf0, 0xf2), QColor(Qt::white), QColor(0x1d, 0x1d, 0x1f),
                                  QColor(0x0a, 0x64, 0xd8), QColor(0xa0, 0xa0, 0xa5)};
    QPalette p;
    p.setColor(QPalette::Window, c.window);
    p.setColor(QPalette::WindowText, c.text);
    p.setColor(QPalette::Base, c.base);
    p.setColor(QPalette::AlternateBase, c.window);
    p.setColor(QPalette::Text, c.text);
    p.setColor(QPalette::Button, c.window);
    p.setColor(QPalette::ButtonText, c.text);
    p.setColor(QPalette::ToolTipBase, c.base);
    p.setColor(QPalette::ToolTipText, c.text);
    p.setColor(QPalette::Highlight, c.highlight);
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::PlaceholderText, QColor(0x8e, 0x8e, 0x93));
    for (auto role : {QPalette::Text, QPalette::WindowText, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, c.disabled);
    return p;
}

} // namespace vantorel
