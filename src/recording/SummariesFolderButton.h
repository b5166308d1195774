#pragma once

#include "recording/TrayGlyphButton.h"

namespace vantorel {

// Opens the folder the recording summaries are written to.
class SummariesFolderButton : public TrayGlyphButton {
    Q_OBJECT
public:
    SummariesFolderButton(const SettingsService& settings, const ThemeService& theme, QWidget* parent = nullptr);

protected:
    void drawGlyph(QPainter& p, const QRectF& square) override;
};

} // namespace vantorel
