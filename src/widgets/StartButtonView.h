#pragma once

#include "platform/Theme.h"
#include "widgets/HoverWidget.h"
#include "widgets/ViewSupport.h"

#include <QImage>
#include <QRectF>
#include <QWidget>
#include <functional>
#include <optional>

namespace vantorel {

class Identity;
class SettingsService;
class ThemeService;
class UpdateService;
class Workspace;

struct StartButtonColors {
    QColor hoverFill;
    QColor pressedFill;
    QColor symbol;
    QColor ring;
};
StartButtonColors startButtonColors(ResolvedTheme look);

// Diameter of the picture circle: 26 at 100 %, never below 18 nor above 41.6.
double startCircleSize(double iconScalePercent);
// The circle in a view of the given size, bottom-left origin: centred, 2 above the middle.
QRectF startCircleRect(QSizeF view, double diameter);
// Where a picture is drawn so that it covers the circle (cropped, never letterboxed).
QRectF coverRect(QSizeF picture, const QRectF& circle);
// The update dot at the circle's top-right corner, bottom-left origin.
QRectF updateDotRect(const QRectF& circle);

// The start button: the user's picture in a circle (or a person symbol), a
// hover and pressed fill, and a dot while an update is available.
class StartButtonView : public HoverWidget, public AccessibleControl {
    Q_OBJECT
public:
    StartButtonView(const SettingsService& settings, const ThemeService& theme, const UpdateService& updates,
                    Workspace* workspace, const Identity* identity, QWidget* parent = nullptr);

    std::function<void()> onClicked;
    std::function<void()> onRightClicked;

    bool isPressed() const { return pressed_; }
    const std::optional<QImage>& profilePicture() const { return profilePicture_; }
    bool showsUpdateDot() const;

    void updateAvailabilityChanged();
    void reloadProfilePicture();

    QString accessibilityLabel() const override { return label_; }
    QString accessibilityHelp() const override { return QStringLiteral("Opens the app launcher"); }
    QString accessibilityValue() const override { return accessibilityValue_; }
    bool accessibilityPerformPress() override;

protected:
    void hoverChanged(bool hovered) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    ResolvedTheme look() const;
    void drawPersonSymbol(QPainter& p, const QRectF& circle, const QColor& color) const;

    const SettingsService& settings_;
    const ThemeService& theme_;
    const UpdateService& updates_;
    const Identity* identity_;
    bool pressed_ = false;
    std::optional<QImage> profilePicture_;
    QString label_ = QStringLiteral("Start");
    QString accessibilityValue_;
};

} // namespace vantorel
