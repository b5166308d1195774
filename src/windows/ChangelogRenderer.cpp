#include "windows/ChangelogRenderer.h"

#include <QFontDatabase>
#include <QRegularExpression>
#include <QTextBlockFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFrame>

namespace vantorel::ChangelogRenderer {

QString fallbackText() {
    return QStringLiteral("# Changelog\n\nThe changelog isn't included in this build.");
}

namespace {

QString trimSpacesAndTabs(const QString& line) {
    qsizetype start = 0;
    qsizetype end = line.size();
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (start < end && blank(line[start]))
        ++start;
    while (end > start && blank(line[end - 1]))
        --end;
    return line.mid(start, end - start);
}

} // namespace

std::vector<Run> inlineRuns(const QString& text) {
    std::vector<Run> runs;
    qsizetype i = 0;
    while (i < text.size()) {
        if (text.mid(i, 2) == QLatin1String("**")) {
            const qsizetype close = text.indexOf(QLatin1String("**"), i + 2);
            if (close >= 0) {
                runs.push_back({text.mid(i + 2, close - i - 2), RunStyle::Bold});
                i = close + 2;
                continue;
            }
        } else if (text[i] == u'`') {
            const qsizetype close = text.indexOf(u'`', i + 1);
            if (close >= 0) {
                runs.push_back({text.mid(i + 1, close - i - 1), RunStyle::Code});
                i = close + 1;
                continue;
            }
        }
        // The first character always goes, so an unmatched marker is shown as it is.
        qsizetype end = i + 1;
        while (end < text.size() && text[end] != u'*' && text[end] != u'`')
            ++end;
        const QString plain = text.mid(i, end - i);
        if (!runs.empty() && runs.back().style == RunStyle::Plain)
            runs.back().text += plain;
        else
            runs.push_back({plain, RunStyle::Plain});
        i = end;
    }
    return runs;
}

std::vector<Paragraph> parse(const QString& markdown) {
    static const QRegularExpression lineBreak(QStringLiteral("\r\n|[\n\r\v\f\u0085\u2028\u2029]"));
    std::vector<Paragraph> out;
    for (const QString& raw : markdown.split(lineBreak)) {
        const QString line = trimSpacesAndTabs(raw);
        if (line.startsWith(u'[') && line.contains(QLatin1String("]: ")))
            continue;
        Paragraph p;
        QString text = line;
        if (line.startsWith(QLatin1String("# "))) {
            p.block = Block::Heading1;
            text = line.mid(2);
        } else if (line.startsWith(QLatin1String("## "))) {
            p.block = Block::Heading2;
            text = line.mid(3);
        } else if (line.startsWith(QLatin1String("### "))) {
            p.block = Block::Heading3;
            text = line.mid(4);
        } else if (line.startsWith(QLatin1String("- ")) || line.startsWith(QLatin1String("* "))) {
            p.block = Block::Bullet;
            text = QStringLiteral("\u2022\t") + line.mid(2);
        }
        p.runs = inlineRuns(text);
        out.push_back(std::move(p));
    }
    return out;
}

void render(const std::vector<Paragraph>& paragraphs, const QFont& base, const QColor& color, QTextDocument& target) {
    QTextDocument* doc = &target;
    doc->clear();
    doc->setDocumentMargin(0);
    doc->setDefaultFont(base);
    QTextFrameFormat frame = doc->rootFrame()->frameFormat();
    frame.setLeftMargin(18);
    frame.setRightMargin(18);
    frame.setTopMargin(16);
    frame.setBottomMargin(16);
    doc->rootFrame()->setFrameFormat(frame);

    QTextCursor cursor(doc);
    bool first = true;
    for (const Paragraph& p : paragraphs) {
        QTextBlockFormat block;
        block.setBottomMargin(4);
        QFont font = base;
        switch (p.block) {
        case Block::Heading1:
            font.setPixelSize(22);
            font.setWeight(QFont::Bold);
            block.setBottomMargin(10);
            break;
        case Block::Heading2:
            font.setPixelSize(17);
            font.setWeight(QFont::Bold);
            block.setTopMargin(14);
            block.setBottomMargin(6);
            break;
        case Block::Heading3:
            font.setWeight(QFont::DemiBold);
            block.setTopMargin(8);
            break;
        case Block::Bullet:
            // Wrapped lines start under the text at 18, the bullet hangs at 4.
            block.setLeftMargin(18);
            block.setTextIndent(4 - 18);
            block.setTabPositions({QTextOption::Tab(18, QTextOption::LeftTab)});
            break;
        case Block::Body:
            break;
        }
        if (first)
            cursor.setBlockFormat(block);
        else
            cursor.insertBlock(block);
        first = false;
        for (const Run& run : p.runs) {
            QTextCharFormat chars;
            chars.setForeground(color);
            QFont runFont = font;
            if (run.style == RunStyle::Bold) {
                runFont.setWeight(QFont::Bold);
            } else if (run.style == RunStyle::Code) {
                runFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
                runFont.setPixelSize(font.pixelSize() - 1);
                runFont.setWeight(QFont::Normal);
            }
            chars.setFont(runFont);
            cursor.insertText(run.text, chars);
        }
    }
}

} // namespace vantorel::ChangelogRenderer
