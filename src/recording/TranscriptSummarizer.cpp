#include "recording/TranscriptSummarizer.h"

#include "app/AppSettings.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QRegularExpression>
#include <QSet>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <array>

namespace vantorel {

namespace {

const std::array<QLatin1StringView, 10> kKeywords{QLatin1StringView("todo"),   QLatin1StringView("next"),
                                                  QLatin1StringView("follow"), QLatin1StringView("action"),
                                                  QLatin1StringView("decide"), QLatin1StringView("decision"),
                                                  QLatin1StringView("should"), QLatin1StringView("need"),
                                                  QLatin1StringView("plan"),   QLatin1StringView("deadline")};

const QString kPreamble =
    QStringLiteral("You are summarizing a transcript from a user audio recording for Vantorel.\n"
                   "Your job is to produce a clean, faithful summary from the transcript only.\n\n"
                   "Rules:\n"
                   "- Do not invent facts, names, dates, or action items.\n"
                   "- Prefer concise wording over repetition.\n"
                   "- Preserve explicit decisions, commitments, and next steps when they appear.\n"
                   "- If the transcript is fragmented, summarize only what is clearly present.\n"
                   "- Return only the summary body with no preamble.\n\n"
                   "Follow these instructions exactly:\n");

const QRegularExpression& whiteSpaceRuns() {
    static const QRegularExpression re(QStringLiteral("\\s+"), QRegularExpression::UseUnicodePropertiesOption);
    return re;
}

bool isLineBreak(QChar c) {
    const char16_t u = c.unicode();
    return (u >= 0x0A && u <= 0x0D) || u == 0x85 || u == 0x2028 || u == 0x2029;
}

int score(const QString& trimmed) {
    const QString lower = trimmed.toLower();
    QSet<QString> words;
    for (const auto& w : lower.split(u' ', Qt::SkipEmptyParts))
        words.insert(w);
    int s = int(words.size());
    if (std::any_of(lower.begin(), lower.end(), [](QChar c) { return c.isDigit(); }))
        s += 3;
    for (const auto& k : kKeywords)
        if (lower.contains(k))
            s += 2;
    return s + std::min(perceivedLength(trimmed) / 40, 3);
}

} // namespace

QString normalizedTranscript(const QString& transcript) {
    QString text = transcript;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    QStringList lines;
    QString line;
    auto flush = [&] {
        const QString t = line.trimmed();
        if (!t.isEmpty())
            lines << t;
        line.clear();
    };
    for (QChar c : text) {
        if (isLineBreak(c))
            flush();
        else
            line += c;
    }
    flush();
    return lines.join(u' ').replace(whiteSpaceRuns(), QStringLiteral(" ")).trimmed();
}

QString sanitizedInstructions(const QString& instructions) {
    const QString cleaned = QString(instructions).replace(whiteSpaceRuns(), QStringLiteral(" ")).trimmed();
    return cleaned.isEmpty() ? AppSettings::kDefaultSummaryInstructions : cleaned;
}

int summaryItemCount(const QString& lower) {
    if (lower.contains(QLatin1StringView("single sentence")) || lower.contains(QLatin1StringView("one sentence")))
        return 1;
    static const std::array<QLatin1StringView, 6> units{
        QLatin1StringView(" bullet"), QLatin1StringView(" bullets"),  QLatin1StringView(" point"),
        QLatin1StringView(" points"), QLatin1StringView(" sentence"), QLatin1StringView(" sentences")};
    for (int n = 10; n >= 1; --n)
        for (const auto& unit : units)
            if (lower.contains(QString::number(n) + unit))
                return n;
    return 3;
}

SummaryStyle summaryStyle(const QString& lower) {
    if (lower.contains(QLatin1StringView("bullet")))
        return SummaryStyle::Bullets;
    if (lower.contains(QLatin1StringView("paragraph")))
        return SummaryStyle::Paragraph;
    return SummaryStyle::Numbered;
}

int perceivedLength(const QString& text) {
    QTextBoundaryFinder finder(QTextBoundaryFinder::Grapheme, text);
    int count = 0;
    while (finder.toNextBoundary() > 0)
        ++count;
    return count;
}

QStringList bestSummarySentences(const QStringList& sentences, int maxItems) {
    std::vector<ScoredSentence> candidates;
    for (int i = 0; i < sentences.size(); ++i) {
        const QString trimmed = sentences[i].trimmed();
        if (perceivedLength(trimmed) < 18)
            continue;
        candidates.push_back({i, trimmed, score(trimmed)});
    }
    if (candidates.empty())
        return sentences.mid(0, std::max(maxItems, 0));
    std::sort(candidates.begin(), candidates.end(), [](const ScoredSentence& a, const ScoredSentence& b) {
        return a.score != b.score ? a.score > b.score : a.index < b.index;
    });
    candidates.resize(std::min<size_t>(candidates.size(), size_t(std::max(maxItems, 0))));
    std::sort(candidates.begin(), candidates.end(),
              [](const ScoredSentence& a, const ScoredSentence& b) { return a.index < b.index; });
    QStringList out;
    for (const auto& c : candidates)
        out << c.text;
    return out;
}

QString summarize(const QString& transcript, const QString& instructions) {
    const QString normalized = normalizedTranscript(transcript);
    if (normalized.isEmpty())
        return QString::fromLatin1(kNoTranscriptionSummary);
    QStringList sentences;
    for (const auto& piece : normalized.split(QRegularExpression(QStringLiteral("[.!?]")))) {
        const QString t = piece.trimmed();
        if (!t.isEmpty())
            sentences << t;
    }
    if (sentences.isEmpty())
        return normalized;
    const QString lower = sanitizedInstructions(instructions).toLower();
    const QStringList picked = bestSummarySentences(sentences, summaryItemCount(lower));
    QStringList lines;
    switch (summaryStyle(lower)) {
    case SummaryStyle::Numbered:
        for (int i = 0; i < picked.size(); ++i)
            lines << QStringLiteral("%1. %2.").arg(i + 1).arg(picked[i]);
        return lines.join(u'\n');
    case SummaryStyle::Bullets:
        for (const auto& s : picked)
            lines << QStringLiteral("- %1.").arg(s);
        return lines.join(u'\n');
    case SummaryStyle::Paragraph:
        return picked.join(QStringLiteral(". ")) + u'.';
    }
    return {};
}

std::optional<QString> ollamaPrompt(const QString& transcript, const QString& instructions) {
    const QString normalized = normalizedTranscript(transcript);
    if (normalized.isEmpty())
        return std::nullopt;
    return kPreamble + sanitizedInstructions(instructions) + QStringLiteral("\n\nTranscript:\n") + normalized;
}

QString ollamaModel(const QString& modelSetting) {
    const QString trimmed = modelSetting.trimmed();
    return trimmed.isEmpty() ? QString::fromLatin1(kDefaultOllamaModel) : trimmed;
}

QByteArray ollamaGenerateRequestBody(const QString& model, const QString& prompt) {
    return QJsonDocument(QJsonObject{{"model", model}, {"prompt", prompt}, {"stream", false}})
        .toJson(QJsonDocument::Compact);
}

std::optional<QString> ollamaGeneratedText(const QByteArray& body) {
    const auto doc = QJsonDocument::fromJson(body);
    if (!doc.isObject())
        return std::nullopt;
    const auto value = doc.object().value(QLatin1StringView("response"));
    if (!value.isString())
        return std::nullopt;
    const QString text = value.toString().trimmed();
    if (text.isEmpty())
        return std::nullopt;
    return text;
}

} // namespace vantorel
