#pragma once

#include "platform/Theme.h"

#include <QWidget>
#include <functional>

namespace vantorel {

class SettingsService;
class ThemeService;

// A small square tray button drawn by the program: a glyph with a hover fill.
class TrayGlyphButton : public QWidget {
    Q_OBJECT
public:
    TrayGlyphButton(const SettingsService& settings, const ThemeService& theme, QWidget* parent = nullptr);

    std::function<void()> onClicked;
    bool isHovered() const { return hovered_; }

protected:
    ResolvedTheme look() const;
    QColor glyphColor() const;
    // Draws the glyph into the square the button stands in.
    virtual void drawGlyph(QPainter& p, const QRectF& square) = 0;

    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const SettingsService& settings_;
    const ThemeService& theme_;
    bool hovered_ = false;
};

} // namespace vantorel
