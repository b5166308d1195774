#pragma once

#include "apps/AppEntry.h"
#include "core/Geometry.h"
#include "core/Scheduler.h"
#include "platform/Theme.h"
#include "widgets/HoverWidget.h"

#include <QColor>
#include <QPointF>
#include <QWidget>
#include <functional>
#include <optional>

class QDrag;
class QMouseEvent;

namespace vantorel {

class SettingsService;
class ThemeService;

// Pasteboard type of a dragged button: its bundle identifier as a UTF-8 string.
inline const QString kTaskbarBundleIdType = QStringLiteral("com.vantorel.bundleid");

// What buttons and the row read: the icon scale and the look, and time.
struct AppButtonEnvironment {
    const SettingsService& settings;
    const ThemeService& theme;
    Scheduler& scheduler;
    double scale() const;
    ResolvedTheme look() const;
};

struct AppButtonPalette {
    QColor hover, pressed, active, runningBar, placeholder, title, minimizedTitle;
};
AppButtonPalette appButtonPalette(ResolvedTheme look);

enum class AppButtonHighlight { None, Hover, Pressed, Active };
// Pressed wins over active, active over hover.
AppButtonHighlight appButtonHighlight(bool pressed, bool active, bool hovered);

// Where a button draws, in its own unflipped space (origin bottom-left, y up).
struct AppButtonGeometry {
    Rect highlight;
    Rect icon;
    double iconOpacity = 1.0;
    std::optional<Rect> title;      // window entries only
    std::optional<Rect> runningBar; // running entries only
};
// titleLineHeight: the height of one line of the title font, rounded up.
AppButtonGeometry appButtonGeometry(const AppEntry& entry, Size bounds, double scale, double titleLineHeight);
double appButtonTitleFontSize(double scale);
double appButtonDragImageSide(double scale);

// One application or window of the taskbar's row: icon, title for a window,
// highlight and running bar. Turns input into callbacks and starts drags
// that the row uses to reorder pinned applications.
class AppButton : public HoverWidget {
    Q_OBJECT
public:
    AppButton(const AppEntry& entry, AppButtonEnvironment environment, QWidget* parent = nullptr);
    ~AppButton() override;

    const AppEntry& entry() const { return entry_; }
    // Redraws only when the entry differs by AppEntry's equality.
    void setEntry(const AppEntry& entry);

    std::function<void(const AppEntry&)> onClicked;
    std::function<void(const AppEntry&, const QMouseEvent&)> onRightClicked;
    std::function<void(AppButton*, const AppEntry&)> onHoverBegin;
    std::function<void(const AppEntry&)> onHoverEnd;

    // Runs the dragging session and returns when it ends. Tests replace it.
    std::function<void(QDrag&)> runDrag;

    bool isPressed() const { return pressed_; }
    bool isDragging() const { return dragging_; }
    // 0.4 while the button is being dragged.
    double opacity() const { return opacity_; }
    AppButtonGeometry geometryNow() const;
    int paintCount() const { return paintCount_; }

    // Accessibility actions.
    void press();
    bool showMenu();

protected:
    void hoverChanged(bool hovered) override;
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void startDrag();
    void describe();
    QFont titleFont() const;

    AppEntry entry_;
    AppButtonEnvironment env_;
    bool pressed_ = false;
    bool dragging_ = false;
    bool dragStartedSincePress_ = false;
    double opacity_ = 1.0;
    std::optional<QPointF> mouseDownPoint_; // window coordinates
    QPointF mouseDownLocal_;
    ScheduledTask hoverTimer_;
    int paintCount_ = 0;
};

} // namespace vantorel
