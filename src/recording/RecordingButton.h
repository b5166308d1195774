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
    // While a recording is processed the tool tip tells what is happening; empty restores it.
    void setProgressText(const QString& text);

protected:
    void drawGlyph(QPainter& p, const QRectF& square) override;

private:
    void updateToolTip();

    bool recording_ = false;
    QString progress_;
};

} // namespace vantorel
