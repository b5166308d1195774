#include "app/ThemeService.h"

#include "platform/Platform.h"

namespace vantorel {

ThemeService& ThemeService::shared() {
    static ThemeService instance(*Platform::installed().theme);
    return instance;
}

ResolvedTheme ThemeService::resolve(AppearanceMode mode) const {
    switch (mode) {
    case AppearanceMode::Light:
        return ResolvedTheme::Light;
    case AppearanceMode::Dark:
        return ResolvedTheme::Dark;
    case AppearanceMode::Auto:
        break;
    }
    return currentSystemTheme();
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
    QPalette p;
    if (theme == ResolvedTheme::Dark) {
        const QColor window(0x2b, 0x2b, 0x2e), base(0x1e, 0x1e, 0x21), text(0xec, 0xec, 0xee);
        p.setColor(QPalette::Window, window);
        p.setColor(QPalette::WindowText, text);
        p.setColor(QPalette::Base, base);
        p.setColor(QPalette::AlternateBase, window);
        p.setColor(QPalette::Text, text);
        p.setColor(QPalette::Button, window);
        p.setColor(QPalette::ButtonText, text);
        p.setColor(QPalette::ToolTipBase, base);
        p.setColor(QPalette::ToolTipText, text);
        p.setColor(QPalette::Highlight, QColor(0x2f, 0x6f, 0xd6));
        p.setColor(QPalette::HighlightedText, Qt::white);
        p.setColor(QPalette::PlaceholderText, QColor(0x8e, 0x8e, 0x93));
        p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x6e, 0x6e, 0x73));
        p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0x6e, 0x6e, 0x73));
        p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0x6e, 0x6e, 0x73));
    } else {
        const QColor window(0xf0, 0xf0, 0xf2), text(0x1d, 0x1d, 0x1f);
        p.setColor(QPalette::Window, window);
        p.setColor(QPalette::WindowText, text);
        p.setColor(QPalette::Base, Qt::white);
        p.setColor(QPalette::AlternateBase, window);
        p.setColor(QPalette::Text, text);
        p.setColor(QPalette::Button, window);
        p.setColor(QPalette::ButtonText, text);
        p.setColor(QPalette::ToolTipBase, Qt::white);
        p.setColor(QPalette::ToolTipText, text);
        p.setColor(QPalette::Highlight, QColor(0x0a, 0x64, 0xd8));
        p.setColor(QPalette::HighlightedText, Qt::white);
        p.setColor(QPalette::PlaceholderText, QColor(0x8e, 0x8e, 0x93));
        p.setColor(QPalette::Disabled, QPalette::Text, QColor(0xa0, 0xa0, 0xa5));
        p.setColor(QPalette::Disabled, QPalette::WindowText, QColor(0xa0, 0xa0, 0xa5));
        p.setColor(QPalette::Disabled, QPalette::ButtonText, QColor(0xa0, 0xa0, 0xa5));
    }
    return p;
}

} // namespace vantorel
