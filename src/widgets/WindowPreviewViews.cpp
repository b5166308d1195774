#include "widgets/WindowPreviewViews.h"

#include "app/ThemeService.h"

#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

namespace vantorel {

namespace {
// Frames as the drawing numbers give them: origin bottom-left, y up.
const QRectF kPictureArea(4, 4, 200, 120);
const QRectF kItemIcon(6, 129, 16, 16);
const QRectF kItemTitle(28, 129, 150, 16);
const QRectF kItemClose(182, 126, 22, 22);
const QRectF kCardIcon(12, 11, 32, 32);
const QRectF kCardName(52, 19, 112, 16);
const QRectF kCardQuit(170, 16, 22, 22);
constexpr qreal kPictureRadius = 4;
constexpr qreal kItemRadius = 6;
constexpr qreal kCloseRadius = 4;
constexpr qreal kPanelRadius = 8;

QRect placed(const QRectF& bottomLeft, qreal parentHeight) {
    return unflipped(bottomLeft, parentHeight).toRect();
}

void drawElided(QPainter& p, const QRectF& r, const QString& text, const QFont& font, const QColor& color) {
    const QString shown = QFontMetricsF(font).elidedText(text, Qt::ElideRight, r.width());
    p.setFont(font);
    p.setPen(color);
    p.drawText(r, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, shown);
}
} // namespace

// --- PreviewCloseButton ---

PreviewCloseButton::PreviewCloseButton(ResolvedTheme look, const QString& toolTip, const QString& accessibilityLabel,
                                       QWidget* parent)
    : HoverWidget(parent), look_(look), label_(accessibilityLabel) {
    AccessibleControl::installFactory();
    setToolTip(toolTip);
    setAccessibleName(accessibilityLabel);
    setFocusPolicy(Qt::NoFocus);
}

bool PreviewCloseButton::accessibilityPerformPress() {
    if (onPress)
        onPress();
    return true;
}

void PreviewCloseButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton || !rect().contains(event->position().toPoint()))
        return;
    if (onPress)
        onPress();
}

void PreviewCloseButton::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const PreviewColors colors = previewColors(look_);
    if (isHovered()) {
        p.setPen(Qt::NoPen);
        p.setBrush(colors.closeHover);
        p.drawRoundedRect(QRectF(rect()), kCloseRadius, kCloseRadius);
    }
    // A cross of 10-point size at semibold weight: two strokes of about 7 points.
    const QPointF c = QRectF(rect()).center();
    const qreal half = 3.5;
    p.setPen(QPen(isHovered() ? QColor(Qt::white) : colors.closeGlyph, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(c + QPointF(-half, -half), c + QPointF(half, half));
    p.drawLine(c + QPointF(-half, half), c + QPointF(half, -half));
}

// --- PreviewItemView ---

PreviewItemView::PreviewItemView(const CapturedWindow& window, const QIcon& appIcon, bool showTitle, ResolvedTheme look,
                                 QWidget* parent)
    : HoverWidget(parent), window_(window), appIcon_(appIcon), showTitle_(showTitle || window.isMinimized), look_(look),
      label_(previewLabelText(window)) {
    resize(PreviewGeometry::kItemWidth, PreviewGeometry::kItemHeight);
    setToolTip(label_);
    setAccessibleName(label_);
    close_ = new PreviewCloseButton(look, QStringLiteral("Close window"), QStringLiteral("Close ") + label_, this);
    close_->setGeometry(placed(kItemClose, height()));
}

QRectF PreviewItemView::pictureArea() {
    return unflipped(kPictureArea, PreviewGeometry::kItemHeight);
}

QRectF PreviewItemView::imageFrame() const {
    const QRectF area = pictureArea();
    const QSizeF image = window_.image.size();
    if (image.isEmpty())
        return {};
    double scale = std::min(area.width() / image.width(), area.height() / image.height());
    // A real picture fills the area; an icon is only ever made smaller.
    if (window_.isMinimized || !window_.hasThumbnail)
        scale = std::min(scale, 1.0);
    const QSizeF shown = image * scale;
    return QRectF(area.center() - QPointF(shown.width() / 2, shown.height() / 2), shown);
}

void PreviewItemView::hoverChanged(bool hovered) {
    if (onHoverChanged)
        onHoverChanged(hovered);
}

void PreviewItemView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint()) && onClick)
        onClick();
}

void PreviewItemView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const PreviewColors colors = previewColors(look_);
    if (isHovered()) {
        p.setPen(Qt::NoPen);
        p.setBrush(colors.itemHover);
        p.drawRoundedRect(QRectF(rect()), kItemRadius, kItemRadius);
    }
    if (const QRectF frame = imageFrame(); !frame.isEmpty()) {
        p.save();
        QPainterPath clip;
        clip.addRoundedRect(pictureArea(), kPictureRadius, kPictureRadius);
        p.setClipPath(clip);
        p.drawImage(frame, window_.image);
        p.restore();
    }
    if (!appIcon_.isNull())
        appIcon_.paint(&p, unflipped(kItemIcon, height()).toRect());
    if (showTitle_)
        drawElided(p, unflipped(kItemTitle, height()), label_, systemFont(11, QFont::Normal), colors.title);
}

// --- PreviewStripView ---

PreviewStripView::PreviewStripView(const std::vector<CapturedWindow>& windows, const QIcon& appIcon, bool showTitles,
                                   ResolvedTheme look, std::function<void(int)> select, std::function<void(int)> close,
                                   QWidget* parent)
    : QWidget(parent) {
    const int n = static_cast<int>(windows.size());
    resize(PreviewGeometry::stripWidth(n), PreviewGeometry::kStripHeight);
    for (int i = 0; i < n; ++i) {
        auto* item = new PreviewItemView(windows[static_cast<size_t>(i)], appIcon, showTitles, look, this);
        const QRectF frame(PreviewGeometry::kStripInset +
                               (PreviewGeometry::kItemWidth + PreviewGeometry::kItemSpacing) * i,
                           PreviewGeometry::kStripInset, PreviewGeometry::kItemWidth, PreviewGeometry::kItemHeight);
        item->setGeometry(placed(frame, height()));
        item->onClick = [select, i] {
            if (select)
                select(i);
        };
        item->closeButton()->onPress = [close, i] {
            if (close)
                close(i);
        };
        items_.push_back(item);
    }
}

// --- PreviewCardView ---

PreviewCardView::PreviewCardView(const AppEntry& entry, ResolvedTheme look, std::function<void()> quit, QWidget* parent)
    : QWidget(parent), icon_(entry.icon), name_(entry.name), look_(look) {
    resize(PreviewGeometry::kCardWidth, PreviewGeometry::kCardHeight);
    setAccessibleName(name_);
    if (quit) {
        const QString label = QStringLiteral("Quit ") + name_;
        quit_ = new PreviewCloseButton(look, label, label, this);
        quit_->setGeometry(placed(kCardQuit, height()));
        quit_->onPress = std::move(quit);
    }
}

void PreviewCardView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    if (!icon_.isNull())
        icon_.paint(&p, unflipped(kCardIcon, height()).toRect());
    drawElided(p, unflipped(kCardName, height()), name_, systemFont(12, QFont::Normal), previewColors(look_).title);
}

// --- PreviewWindow ---

PreviewWindow::PreviewWindow(QWidget* content, ResolvedTheme look)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus |
                           Qt::X11BypassWindowManagerHint | Qt::NoDropShadowWindowHint),
      content_(content), look_(look) {
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_X11DoNotAcceptFocus);
    setAttribute(Qt::WA_X11NetWmWindowTypeToolTip);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Window Previews"));
    setPalette(ThemeService::palette(look));
    content_->setParent(this);
    content_->move(0, 0);
    resize(content_->size());
    // Rounded corners need no compositing manager as a shape.
    QPainterPath outline;
    outline.addRoundedRect(QRectF(rect()), kPanelRadius, kPanelRadius);
    setMask(QRegion(outline.toFillPolygon().toPolygon()));
}

void PreviewWindow::setFrame(const Rect& f) {
    frame_ = f;
    setGeometry(ScreenSpace::fromPrimaryScreen().toQt(f).toRect());
}

void PreviewWindow::orderFrontRegardless() {
    if (!isVisible())
        show();
    raise();
}

void PreviewWindow::paintEvent(QPaintEvent*) {
    QPainter p(this);
    // Drawn opaque: without a compositing manager X shows no translucency,
    // and the alpha would only darken the colour.
    QColor fill = previewColors(look_).background;
    fill.setAlphaF(1.0f);
    p.fillRect(rect(), fill);
    // A hairline keeps the panel apart from a window of the same colour.
    p.setPen(
        QPen(look_ == ResolvedTheme::Dark ? QColor::fromRgbF(1, 1, 1, 0.12f) : QColor::fromRgbF(0, 0, 0, 0.16f), 1));
    p.setRenderHint(QPainter::Antialiasing);
    p.drawRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kPanelRadius - 0.5, kPanelRadius - 0.5);
}

} // namespace vantorel
