#include "recording/RecordingButton.h"

#include <QPainter>

namespace vantorel {

RecordingButton::RecordingButton(const SettingsService& settings, const ThemeService& theme, QWidget* parent)
    : TrayGlyphButton(settings, theme, parent) {
    setRecording(false);
}

void RecordingButton::setRecording(bool recording) {
    recording_ = recording;
    updateToolTip();
    update();
}

void RecordingButton::setProgressText(const QString& text) {
    progress_ = text;
    updateToolTip();
}

void RecordingButton::updateToolTip() {
    if (!progress_.isEmpty())
        setToolTip(progress_);
    else
        setToolTip(recording_ ? QStringLiteral("Stop Recording") : QStringLiteral("Start Recording"));
    setAccessibleName(toolTip());
}

void RecordingButton::drawGlyph(QPainter& p, const QRectF& sq) {
    const QColor red(0xe5, 0x39, 0x35);
    const double ring = sq.width() * 0.66;
    const QRectF outer(sq.center().x() - ring / 2, sq.center().y() - ring / 2, ring, ring);
    p.setPen(QPen(glyphColor(), 1.3));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(outer);
    p.setPen(Qt::NoPen);
    p.setBrush(red);
    if (recording_) {
        const double side = ring * 0.42;
        p.drawRoundedRect(QRectF(sq.center().x() - side / 2, sq.center().y() - side / 2, side, side), 1.5, 1.5);
    } else {
        const double dot = ring * 0.56;
        p.drawEllipse(QRectF(sq.center().x() - dot / 2, sq.center().y() - dot / 2, dot, dot));
    }
}

} // namespace vantorel
