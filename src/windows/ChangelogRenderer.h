#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <vector>

class QTextDocument;

namespace vantorel {

// The changelog's small Markdown subset, one source line per paragraph.
namespace ChangelogRenderer {

enum class Block { Heading1, Heading2, Heading3, Bullet, Body };
enum class RunStyle { Plain, Bold, Code };

struct Run {
    QString text;
    RunStyle style = RunStyle::Plain;
    bool operator==(const Run&) const = default;
};

struct Paragraph {
    Block block = Block::Body;
    std::vector<Run> runs;
};

// "# Changelog\n\nThe changelog isn't included in this build."
QString fallbackText();

// Splits at any line break, trims spaces and tabs, drops link reference
// definitions ("[" ... "]: ") and classifies by prefix; a bullet's text starts
// with "•" and a tab.
std::vector<Paragraph> parse(const QString& markdown);

// "**bold**" and "`code`" when closed; everything else, unmatched markers
// included, is plain. Nothing nests.
std::vector<Run> inlineRuns(const QString& text);

// The paragraphs as rich text: `base` is the body font (13 pixels), `color` the text colour.
// Heading sizes are pixels too, as the program's other fonts are.
// Replaces the document's contents.
void render(const std::vector<Paragraph>& paragraphs, const QFont& base, const QColor& color, QTextDocument& doc);

} // namespace ChangelogRenderer
} // namespace vantorel
