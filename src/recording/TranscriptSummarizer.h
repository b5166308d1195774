#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <optional>
#include <vector>

namespace vantorel {

// The built-in extractive summariser and the text rules the language-model
// path shares with it. Pure functions: no state between calls.

inline constexpr const char* kNoTranscriptionSummary = "No transcription available.";
inline constexpr const char* kDefaultOllamaModel = "llama3.2";

enum class SummaryStyle { Numbered, Bullets, Paragraph };

struct ScoredSentence {
    int index = 0; // position in the transcript, from 0
    QString text;  // trimmed, in its own letter case
    int score = 0;
};

// Line breaks of any kind become blanks, runs of white space one blank, trimmed.
QString normalizedTranscript(const QString& transcript);
// White space runs become one blank, trimmed; empty gives the default instructions (with their line breaks).
QString sanitizedInstructions(const QString& instructions);
// On lower-cased instructions: 1 for "single sentence"/"one sentence", else the
// first n from 10 down to 1 written in digits before " bullet", " point" or
// " sentence" (a plain substring test), else 3.
int summaryItemCount(const QString& lowerInstructions);
// "bullet" → bullets, else "paragraph" → paragraph, else numbered.
SummaryStyle summaryStyle(const QString& lowerInstructions);
// Characters as the user sees them: an accented letter or an emoji counts once.
int perceivedLength(const QString& text);
// Sentences of 18 characters or more scored (unique words, +3 for a digit, +2
// per keyword, + length / 40 up to 3); the best maxItems, ties to the earlier
// one, back in transcript order. None long enough: the first maxItems as they are.
QStringList bestSummarySentences(const QStringList& sentences, int maxItems);
// The extractive summary laid out as the instructions ask.
QString summarize(const QString& transcript, const QString& instructions);

// The language-model request: preamble, cleaned instructions, the transcript heading and the
// normalised transcript on one line. Nothing for an empty transcript (no request is sent).
std::optional<QString> ollamaPrompt(const QString& transcript, const QString& instructions);
// The model setting trimmed; the default model when that is empty.
QString ollamaModel(const QString& modelSetting);
// {"model", "prompt", "stream": false}.
QByteArray ollamaGenerateRequestBody(const QString& model, const QString& prompt);
// The generated text trimmed, or nothing (no JSON object, no "response", or only white space).
std::optional<QString> ollamaGeneratedText(const QByteArray& body);

} // namespace vantorel
