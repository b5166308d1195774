#include "apps/AppButton.h"

#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "core/KeepAlive.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QApplication>
#include <QDrag>
#include <QElapsedTimer>
#include <QFontMetricsF>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPointer>
#include <cmath>

namespace vantorel {

double AppButtonEnvironment::scale() const { return iconScale(settings.current().iconScalePercent); }
ResolvedTheme AppButtonEnvironment::look() const { return theme.resolve(settings.current().appearanceMode); }

namespace {
QColor grey(double level, double alpha) { return QColor::fromRgbF(level, level, level, alpha); }

// Views here follow numbers given with the origin at the bottom-left.
QRectF toView(const Rect& r, double height) {
    const Rect f = flipped(r, height);
    return {f.x, f.y, f.width, f.height};
}

// The system's accent colour.
QColor accentColor() { return QApplication::palette().color(QPalette::Highlight); }

class AppButtonAccessible : public QAccessibleWidget {
public:
    explicit AppButtonAccessible(AppButton* button) : QAccessibleWidget(button, QAccessible::Button) {}
    AppButton* button() const { return static_cast<AppButton*>(widget()); }

    QString text(QAccessible::Text t) const override {
        switch (t) {
        case QAccessible::Name:
            return accessibilityLabel(button()->entry());
        case QAccessible::Value:
            return accessibilityValue(button()->entry());
        default:
            return QAccessibleWidget::text(t);
        }
    }
    QStringList actionNames() const override { return {pressAction(), showMenuAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction())
            button()->press();
        else if (name == showMenuAction())
            button()->showMenu();
    }
};

QAccessibleInterface* accessibleFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("vantorel::AppButton") && object && object->isWidgetType())
        return new AppButtonAccessible(static_cast<AppButton*>(object));
    return nullptr;
}
} // namespace

AppButtonPalette appButtonPalette(ResolvedTheme look) {
    if (look == ResolvedTheme::Dark)
        return {grey(1, 0.10), grey(1, 0.18), grey(1, 0.14), grey(0.75, 1), grey(0.40, 0.60), grey(1, 0.88),
                grey(1, 0.55)};
    return {grey(0, 0.06), grey(0, 0.12), grey(0, 0.08), grey(0.25, 0.85), grey(0.35, 0.45), grey(0, 0.82),
            grey(0, 0.50)};
}

AppButtonHighlight appButtonHighlight(bool pressed, bool active, bool hovered) {
    if (pressed)
        return AppButtonHighlight::Pressed;
    if (active)
        return AppButtonHighlight::Active;
    if (hovered)
        return AppButtonHighlight::Hover;
    return AppButtonHighlight::None;
}

double appButtonTitleFontSize(double scale) { return std::max(12 * scale, 10.0); }
double appButtonDragImageSide(double scale) { return std::max(32 * scale, 24.0); }

AppButtonGeometry appButtonGeometry(const AppEntry& entry, Size bounds, double scale, double titleLineHeight) {
    const double w = bounds.width, h = bounds.height;
    AppButtonGeometry g;
    g.highlight = {10, 10, w - 20, h - 20};
    const bool window = entry.windowTitle.has_value();
    const double side = window ? std::max(24 * scale, 16.0) : std::max(34 * scale, 16.0);
    const double x = window ? 16 : (w - side) / 2;
    // The icon sits 4 points above the middle, leaving room for the running bar.
    g.icon = {x, (h - side) / 2 + 4, side, side};
    g.iconOpacity = entry.isRunning && !entry.isMinimized ? 1.0 : 0.55;
    if (window) {
        const double left = g.icon.maxX() + 6;
        const double t = std::ceil(titleLineHeight);
        g.title = Rect{left, g.icon.midY() - t / 2, std::max(w - left - 14, 0.0), t};
    }
    if (entry.isRunning) {
        const double barWidth = entry.isActive ? std::max(w - 32, 22.0) : 5.0;
        g.runningBar = Rect{(w - barWidth) / 2, 8, barWidth, 4};
    }
    return g;
}

AppButton::AppButton(const AppEntry& entry, AppButtonEnvironment environment, QWidget* parent)
    : HoverWidget(parent), entry_(entry), env_(environment) {
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleFactory);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    runDrag = [](QDrag& drag) { drag.exec(Qt::MoveAction, Qt::MoveAction); };
    setToolTip(entry_.windowTitle.value_or(entry_.name));
}

AppButton::~AppButton() { hoverTimer_.cancel(); }

void AppButton::setEntry(const AppEntry& entry) {
    if (entry == entry_) {
        // An icon that arrives after the window mapped is the one news that
        // equality leaves out on purpose; the workspace hands out the same icon
        // while it is unchanged, so this repaints only on a real change.
        if (entry.icon.cacheKey() != entry_.icon.cacheKey()) {
            entry_.icon = entry.icon;
            update();
        }
        return;
    }
    entry_ = entry;
    describe();
    update();
}

void AppButton::describe() {
    setToolTip(entry_.windowTitle.value_or(entry_.name));
    if (QAccessible::isActive()) {
        QAccessibleEvent name(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&name);
        QAccessibleValueChangeEvent value(this, accessibilityValue(entry_));
        QAccessible::updateAccessibility(&value);
    }
}

QFont AppButton::titleFont() const {
    QFont f = font();
    f.setPixelSize(static_cast<int>(std::lround(appButtonTitleFontSize(env_.scale()))));
    return f;
}

AppButtonGeometry AppButton::geometryNow() const {
    return appButtonGeometry(entry_, {double(width()), double(height())}, env_.scale(),
                             QFontMetricsF(titleFont()).height());
}

void AppButton::paintEvent(QPaintEvent*) {
    ++paintCount_;
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setOpacity(opacity_);
    const double h = height();
    const auto palette = appButtonPalette(env_.look());
    const auto g = geometryNow();
    p.setPen(Qt::NoPen);

    QColor highlight;
    switch (appButtonHighlight(pressed_, entry_.isActive, isHovered())) {
    case AppButtonHighlight::Pressed:
        highlight = palette.pressed;
        break;
    case AppButtonHighlight::Active:
        highlight = palette.active;
        break;
    case AppButtonHighlight::Hover:
        highlight = palette.hover;
        break;
    case AppButtonHighlight::None:
        break;
    }
    if (highlight.isValid()) {
        p.setBrush(highlight);
        p.drawRoundedRect(toView(g.highlight, h), 6, 6);
    }

    const QRectF iconRect = toView(g.icon, h);
    if (!entry_.icon.isNull()) {
        const qreal dpr = devicePixelRatioF();
        const int px = static_cast<int>(std::ceil(iconRect.width() * dpr));
        const QPixmap pixmap = entry_.icon.pixmap(QSize(px, px));
        p.save();
        p.setOpacity(opacity_ * g.iconOpacity);
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawPixmap(iconRect, pixmap, QRectF(pixmap.rect()));
        p.restore();
    } else {
        p.setBrush(palette.placeholder);
        p.drawRoundedRect(iconRect.adjusted(2, 2, -2, -2), 3, 3);
    }

    if (g.title && g.title->width > 0 && entry_.windowTitle) {
        const QFont f = titleFont();
        const QRectF r = toView(*g.title, h);
        const QString text = QFontMetricsF(f).elidedText(*entry_.windowTitle, Qt::ElideRight, r.width());
        if (!text.isEmpty()) {
            p.setFont(f);
            p.setPen(entry_.isMinimized ? palette.minimizedTitle : palette.title);
            p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
            p.setPen(Qt::NoPen);
        }
    }

    if (g.runningBar) {
        p.setBrush(entry_.isActive ? accentColor() : palette.runningBar);
        p.drawRoundedRect(toView(*g.runningBar, h), 2, 2);
    }
}

void AppButton::hoverChanged(bool hovered) {
    if (hovered) {
        hoverTimer_.cancel();
        hoverTimer_ = env_.scheduler.after(500ms, this, [this] {
            if (onHoverBegin)
                onHoverBegin(this, entry_);
        });
    } else {
        pressed_ = false;
        hoverTimer_.cancel();
        hoverTimer_ = {};
        if (onHoverEnd)
            onHoverEnd(entry_);
    }
}

void AppButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        if (onRightClicked)
            onRightClicked(entry_, *event);
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    dragging_ = false;
    dragStartedSincePress_ = false;
    pressed_ = true;
    update();
    mouseDownPoint_ = event->scenePosition();
    mouseDownLocal_ = event->position();
}

void AppButton::mouseMoveEvent(QMouseEvent* event) {
    // One drag per press: the session consumes the rest of the gesture.
    if (!(event->buttons() & Qt::LeftButton) || dragging_ || dragStartedSincePress_)
        return;
    if (mouseDownPoint_) {
        const QPointF d = event->scenePosition() - *mouseDownPoint_;
        if (std::hypot(d.x(), d.y()) < 4)
            return;
    }
    // A process without an identifier cannot be pinned, so it cannot be reordered.
    if (isProcessIdentifier(entry_.bundleId))
        return;
    startDrag();
}

void AppButton::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    pressed_ = false;
    update();
    const bool dragged = dragStartedSincePress_;
    dragStartedSincePress_ = false;
    mouseDownPoint_.reset();
    if (!dragged && rect().contains(event->position().toPoint()) && onClicked)
        onClicked(entry_);
}

void AppButton::startDrag() {
    dragging_ = true;
    dragStartedSincePress_ = true;
    pressed_ = false;
    update();

    auto* mime = new QMimeData;
    mime->setData(kTaskbarBundleIdType, entry_.bundleId.toUtf8());
    QPointer<QDrag> drag = new QDrag(this);
    drag->setMimeData(mime);
    const double side = appButtonDragImageSide(env_.scale());
    const int px = static_cast<int>(std::lround(side));
    QPixmap image = entry_.icon.isNull() ? QPixmap() : entry_.icon.pixmap(QSize(px, px));
    if (image.isNull()) {
        image = QPixmap(px, px);
        image.fill(Qt::transparent);
    }
    drag->setPixmap(image.scaled(px, px, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    const QPointF origin((width() - side) / 2, (height() - side) / 2);
    drag->setHotSpot((mouseDownLocal_ - origin).toPoint());

    opacity_ = 0.4;
    update();
    QPointer<AppButton> self(this);
    // The row may drop this button while the session runs; the session's loop
    // returns here, so the button (hidden by then) lives until it has.
    KeepAlive alive(this);
    if (runDrag)
        runDrag(*drag);
    if (drag)
        drag->deleteLater();
    if (!self)
        return;
    dragging_ = false;
    opacity_ = 1.0;
    update();
}

void AppButton::press() {
    if (onClicked)
        onClicked(entry_);
}

bool AppButton::showMenu() {
    const QPointF local(width() / 2.0, height() / 2.0);
    const QPointF inWindow = window() ? mapTo(window(), local) : local;
    QMouseEvent event(QEvent::MouseButtonPress, local, inWindow, mapToGlobal(local), Qt::RightButton,
                      Qt::RightButton, Qt::NoModifier);
    QElapsedTimer uptime;
    uptime.start();
    event.setTimestamp(static_cast<quint64>(uptime.msecsSinceReference()));
    if (onRightClicked)
        onRightClicked(entry_, event);
    return true;
}

} // namespace vantorel
