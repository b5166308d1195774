#pragma once

#include "platform/Theme.h"
#include "widgets/HoverWidget.h"

#include <QWidget>
#include <functional>

namespace vantorel {

class SettingsService;
class ThemeService;

// A small square tray button drawn by the program, hover included.
class TrayGlyphButton : public HoverWidget {
    Q_OBJECT
public:
    TrayGlyphButton(const SettingsService& settings, const ThemeService& theme, QWidget* parent = nullptr);

    // A left-button release inside the button.
    std::function<void()> onClicked;
    // The look the appearance setting asks for (the system's for auto).
    ResolvedTheme look() const;

protected:
    // Draws the whole button into its bounds, hover included.
    virtual void drawButton(QPainter& p, const QRectF& bounds) = 0;

    void paintEvent(QPaintEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    const SettingsService& settings_;
    const ThemeService& theme_;
};

} // namespace vantorel
