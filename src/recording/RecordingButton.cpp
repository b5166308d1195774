#include "recording/RecordingButton.h"

#include <QAccessible>
#include <QPainter>

namespace vantorel {

RecordingButtonColors recordingButtonColors(ResolvedTheme look, RecordingService::State state) {
    const float w = look == ResolvedTheme::Dark ? 1.0f : 0.0f;
    auto grey = [w](float alpha) { return QColor::fromRgbF(w, w, w, alpha); };
    switch (state) {
    case RecordingService::State::Idle:
        return {grey(0.55f), grey(0.08f), std::nullopt};
    case RecordingService::State::Recording:
        return {grey(0.95f), grey(0.08f), QColor::fromRgbF(0.89f, 0.13f, 0.16f, 0.96f)};
    case RecordingService::State::Processing:
        return {grey(0.8f), grey(0.08f), grey(0.28f)};
    }
    return {};
}

RecordingButton::RecordingButton(const SettingsService& settings, const ThemeService& theme,
                                 RecordingService* recording, QWidget* parent)
    : TrayGlyphButton(settings, theme, parent), recording_(recording) {
    AccessibleControl::installFactory();
    setAccessibleName(accessibilityLabel());
    onClicked = [this] { accessibilityPerformPress(); };
    if (recording) {
        connect(recording, &RecordingService::recordingStateDidChange, this, [this] {
            showState();
            QAccessibleValueChangeEvent event(this, accessibilityValue());
            QAccessible::updateAccessibility(&event);
        });
        connect(recording, &RecordingService::progressDidChange, this, [this] { showState(); });
    }
    showState();
}

RecordingService::State RecordingButton::state() const {
    return recording_ ? recording_->state() : RecordingService::State::Idle;
}

bool RecordingButton::accessibilityPerformPress() {
    if (!recording_)
        return false;
    recording_->toggleRecording();
    return true;
}

void RecordingButton::showState() {
    // While processing the tool tip tells what happens.
    const QString progress = recording_ ? recording_->progressDescription() : QString();
    setToolTip(progress.isEmpty() ? QStringLiteral("Start/stop recording") : progress);
    update();
}

void RecordingButton::drawButton(QPainter& p, const QRectF& bounds) {
    const auto colors = recordingButtonColors(look(), state());
    const QRectF ring = bounds.adjusted(2.2, 2.2, -2.2, -2.2);
    if (isHovered()) {
        p.setPen(Qt::NoPen);
        p.setBrush(colors.hover);
        p.drawEllipse(ring);
    }
    p.setPen(QPen(colors.ring, 1.2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(ring);
    if (colors.dot) {
        p.setPen(Qt::NoPen);
        p.setBrush(*colors.dot);
        p.drawEllipse(bounds.adjusted(6, 6, -6, -6));
    }
}

} // namespace vantorel
