#include "widgets/Popover.h"

#include "app/ThemeService.h"
#include "taskbar/TaskbarView.h"

#include <QPainter>
#include <QPainterPath>
#include <QScreen>

namespace vantorel {

Popover::Popover(QWidget* content, Focus focus)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::NoDropShadowWindowHint |
                           (focus == Focus::Never ? Qt::WindowDoesNotAcceptFocus : Qt::WindowFlags())),
      content_(content), focus_(focus) {
    if (focus == Focus::Never) {
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_X11DoNotAcceptFocus);
        setFocusPolicy(Qt::NoFocus);
    }
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    content_->setParent(this);
    content_->move(0, 0);
    setContentSize(content_->size());
}

Popover::~Popover() = default;

void Popover::setAppearance(std::optional<ResolvedTheme> appearance) {
    appearance_ = appearance;
    setPalette(ThemeService::palette(look()));
    update();
}

void Popover::setFillColor(std::optional<QColor> color) {
    fill_ = color;
    update();
}

ResolvedTheme Popover::look() const {
    if (appearance_)
        return *appearance_;
    return systemLook ? systemLook() : ResolvedTheme::Light;
}

void Popover::setContentSize(QSize size) {
    contentSize_ = size;
    content_->setGeometry(QRect(QPoint(0, 0), size));
    resize(size);
    if (isVisible())
        place();
}

void Popover::show(QWidget* anchor) {
    anchor_ = anchor;
    covered_ = QRect();
    place();
    QWidget::show();
    raise();
    if (focus_ == Focus::TakesKeyboard)
        activateWindow();
}

void Popover::close() {
    anchor_.clear();
    hide();
}

Popover* Popover::enclosing(const QWidget* widget) {
    for (QWidget* w = widget ? widget->parentWidget() : nullptr; w; w = w->parentWidget())
        if (auto* p = qobject_cast<Popover*>(w))
            return p;
    return nullptr;
}

void Popover::place() {
    if (!anchor_)
        return;
    const QRect a(anchor_->mapToGlobal(QPoint(0, 0)), anchor_->size());
    QPoint at(a.center().x() - width() / 2 + 1, a.top() - kGap - height());
    if (QScreen* screen = anchor_->screen()) {
        // Keep clear of the screen's side edges.
        const QRect bounds = screen->geometry().adjusted(kScreenMargin, 0, -kScreenMargin, 0);
        at.setX(std::clamp(at.x(), bounds.left(), std::max(bounds.left(), bounds.right() + 1 - width())));
    }
    move(at);
    covered_ = covered_.united(QRect(at, size()));
}

void Popover::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const auto colors = taskbarColors(look());
    QPainterPath path;
    path.addRoundedRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5), kCornerRadius, kCornerRadius);
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(rect(), Qt::transparent);
    p.setCompositionMode(QPainter::CompositionMode_SourceOver);
    QColor fill = fill_.value_or(colors.background);
    fill.setAlphaF(1.0f);
    p.fillPath(path, fill);
    p.setPen(QPen(colors.topLine, 1));
    p.drawPath(path);
}

} // namespace vantorel
