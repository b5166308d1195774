#pragma once

#include "recording/RecordingService.h"
#include "recording/TrayGlyphButton.h"
#include "widgets/ViewSupport.h"

#include <QColor>
#include <QPointer>
#include <optional>

namespace vantorel {

// Starts and stops a recording: a ring, with a red dot while recording and a
// grey one while the recording is processed.
class RecordingButton : public TrayGlyphButton, public AccessibleControl {
    Q_OBJECT
public:
    // Without a service the button stays idle and a press does nothing.
    RecordingButton(const SettingsService& settings, const ThemeService& theme, RecordingService* recording,
                    QWidget* parent = nullptr);

    RecordingService::State state() const;

    QString accessibilityLabel() const override { return QStringLiteral("Record"); }
    QString accessibilityHelp() const override { return toolTip(); }
    // "idle", "recording" or "processing".
    QString accessibilityValue() const override { return RecordingService::rawValue(state()); }
    bool accessibilityPerformPress() override;

protected:
    void drawButton(QPainter& p, const QRectF& bounds) override;

private:
    void showState();

    QPointer<RecordingService> recording_;
};

// Colours of the record button in one look: the ring and the dot at each state.
struct RecordingButtonColors {
    QColor ring;
    QColor hover;
    // None when the state shows no dot.
    std::optional<QColor> dot;
};
RecordingButtonColors recordingButtonColors(ResolvedTheme look, RecordingService::State state);

} // namespace vantorel
