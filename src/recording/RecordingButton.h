#pragma once

#include "recording/TrayGlyphButton.h"

namespace vantorel {

// Starts and stops a recording.
class RecordingButton : public TrayGlyphButton {
    Q_OBJECT
public:
    RecordingButton(const SettingsService& settings, const ThemeService& theme, QWidget* parent = nullptr);

    void setRecording(bool recording);
    bool isRecording() const { return recording_; }

protected:
    void drawGlyph(QPainter& p, const QRectF& square) override;

private:
    bool recording_ = false;
};

} // namespace vantorel
