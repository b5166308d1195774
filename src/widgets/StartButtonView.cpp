#include "widgets/StartButtonView.h"

#include "app/SettingsService.h"
#include "app/ThemeService.h"
#include "platform/Identity.h"
#include "platform/Workspace.h"
#include "windows/UpdateService.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>

namespace vantorel {

StartButtonColors startButtonColors(ResolvedTheme look) {
    if (look == ResolvedTheme::Dark)
        return {QColor::fromRgbF(1, 1, 1, 0.12f), QColor::fromRgbF(1, 1, 1, 0.2f), QColor::fromRgbF(1, 1, 1, 0.85f),
                QColor::fromRgbF(1, 1, 1, 0.22f)};
    return {QColor::fromRgbF(0, 0, 0, 0.08f), QColor::fromRgbF(0, 0, 0, 0.14f), QColor::fromRgbF(0, 0, 0, 0.75f),
            QColor::fromRgbF(0, 0, 0, 0.14f)};
}

double startCircleSize(double iconScalePercent) {
    return std::clamp(26.0 * iconScalePercent / 100.0, 18.0, 41.6);
}

QRectF startCircleRect(QSizeF view, double s) {
    return QRectF((view.width() - s) / 2, (view.height() - s) / 2 + 2, s, s);
}

QRectF coverRect(QSizeF picture, const QRectF& circle) {
    const double s = circle.width();
    const double factor = std::max(s / std::max(picture.width(), 1.0), s / std::max(picture.height(), 1.0));
    const QSizeF drawn(picture.width() * factor, picture.height() * factor);
    return QRectF(circle.center().x() - drawn.width() / 2, circle.center().y() - drawn.height() / 2, drawn.width(),
                  drawn.height());
}

QRectF updateDotRect(const QRectF& circle) { return QRectF(circle.right() - 7, circle.bottom() - 7, 8, 8); }

StartButtonView::StartButtonView(const SettingsService& settings, const ThemeService& theme,
                                 const UpdateService& updates, Workspace* workspace, const Identity* identity,
                                 QWidget* parent)
    : HoverWidget(parent), settings_(settings), theme_(theme), updates_(updates), identity_(identity) {
    AccessibleControl::installFactory();
    setAttribute(Qt::WA_Hover);
    setMouseTracking(true);
    setAccessibleName(label_);
    setAccessibleDescription(accessibilityHelp());
    connect(&updates_, &UpdateService::availabilityDidChange, this, [this] { updateAvailabilityChanged(); });
    // Another user may have changed the picture while this session was switched away.
    if (workspace)
        connect(workspace, &Workspace::sessionDidBecomeActive, this, [this] { reloadProfilePicture(); });
    if (identity)
        connect(identity, &Identity::currentUserChanged, this, [this] { reloadProfilePicture(); });
    reloadProfilePicture();
    updateAvailabilityChanged();
}

ResolvedTheme StartButtonView::look() const { return theme_.resolve(settings_.current().appearanceMode); }

bool StartButtonView::showsUpdateDot() const { return updates_.availableVersion().has_value(); }

void StartButtonView::reloadProfilePicture() {
    const auto user = identity_ ? identity_->currentUser() : std::nullopt;
    profilePicture_.reset();
    if (user && user->picture && !user->picture->isNull())
        profilePicture_ = user->picture;
    label_ = user && !user->fullName.isEmpty() ? QStringLiteral("Start, ") + user->fullName : QStringLiteral("Start");
    setAccessibleName(label_);
    update();
}

void StartButtonView::updateAvailabilityChanged() {
    if (auto version = updates_.availableVersion()) {
        setToolTip(QStringLiteral("Vantorel ") + *version + QStringLiteral(" is available. Right-click to install."));
        accessibilityValue_ = QStringLiteral("Update available");
    } else {
        setToolTip(QString());
        accessibilityValue_.clear();
    }
    update();
}

bool StartButtonView::accessibilityPerformPress() {
    if (onClicked)
        onClicked();
    return true;
}

void StartButtonView::hoverChanged(bool hovered) {
    if (hovered)
        return;
    pressed_ = false;
}

void StartButtonView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton) {
        update();
        if (onRightClicked)
            onRightClicked();
        return;
    }
    if (event->button() == Qt::LeftButton) {
        pressed_ = true;
        update();
    }
}

void StartButtonView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    pressed_ = false;
    update();
    if (rect().contains(event->position().toPoint()) && onClicked)
        onClicked();
}

void StartButtonView::drawPersonSymbol(QPainter& p, const QRectF& c, const QColor& color) const {
    // A filled disc with a head and shoulders cut out of it.
    const double s = c.width();
    QPainterPath disc;
    disc.addEllipse(c);
    QPainterPath person;
    const double head = s * 0.34;
    person.addEllipse(QRectF(c.center().x() - head / 2, c.top() + s * 0.2, head, head));
    const double shoulders = s * 0.64;
    person.addEllipse(QRectF(c.center().x() - shoulders / 2, c.top() + s * 0.6, shoulders, s * 0.56));
    p.fillPath(disc.subtracted(person.intersected(disc)), color);
}

void StartButtonView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const auto colors = startButtonColors(look());
    if (pressed_)
        p.fillRect(rect(), colors.pressedFill);
    else if (isHovered())
        p.fillRect(rect(), colors.hoverFill);

    const double s = startCircleSize(settings_.current().iconScalePercent);
    const QRectF circleUp = startCircleRect(size(), s);
    const QRectF circle = unflipped(circleUp, height());
    if (profilePicture_) {
        p.save();
        QPainterPath clip;
        clip.addEllipse(circle);
        p.setClipPath(clip);
        p.drawImage(coverRect(profilePicture_->size(), circle), *profilePicture_);
        p.restore();
    } else {
        drawPersonSymbol(p, circle, colors.symbol);
    }
    p.setPen(QPen(colors.ring, 1));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(circle);

    if (showsUpdateDot()) {
        p.setPen(QPen(Qt::white, 1.5));
        p.setBrush(accentColor(look()));
        p.drawEllipse(unflipped(updateDotRect(circleUp), height()));
    }
}

} // namespace vantorel
