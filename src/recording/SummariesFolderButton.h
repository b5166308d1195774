#pragma once

#include "recording/TrayGlyphButton.h"
#include "widgets/ViewSupport.h"

#include <QColor>
#include <QPointer>

namespace vantorel {

class RecordingService;

// Opens the folder the recording summaries are written to: a folder glyph
// with a tab and a front flap.
class SummariesFolderButton : public TrayGlyphButton, public AccessibleControl {
    Q_OBJECT
public:
    // Without a service a press does nothing.
    SummariesFolderButton(const SettingsService& settings, const ThemeService& theme, RecordingService* recording,
                          QWidget* parent = nullptr);

    QString accessibilityLabel() const override { return QStringLiteral("Recording summaries folder"); }
    QString accessibilityHelp() const override { return toolTip(); }
    bool accessibilityPerformPress() override;

protected:
    void drawButton(QPainter& p, const QRectF& bounds) override;

private:
    QPointer<RecordingService> recording_;
};

struct FolderGlyphColors {
    QColor main, front, outline, hover;
};
FolderGlyphColors folderGlyphColors(ResolvedTheme look);

// The glyph's parts in the button's bounds, in the widget's top-left coordinates.
struct FolderGlyphGeometry {
    QRectF hover, body, tab, front;
    QLineF crease;
};
FolderGlyphGeometry folderGlyphGeometry(const QRectF& bounds);

} // namespace vantorel
