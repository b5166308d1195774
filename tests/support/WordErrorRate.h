#pragma once

#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <algorithm>
#include <vector>

namespace vantorel::test {

// Word errors (substitutions, insertions, deletions) of a hypothesis against
// a reference, ignoring case and punctuation.
struct WordErrors {
    int errors = 0;
    int words = 0;
    double rate() const { return words ? double(errors) / words : 0; }
};

inline QStringList comparableWords(const QString& text) {
    static const QRegularExpression nonWord(QStringLiteral("[^a-z0-9' ]+"));
    return text.toLower().replace(nonWord, QStringLiteral(" ")).split(u' ', Qt::SkipEmptyParts);
}

inline WordErrors wordErrors(const QString& reference, const QString& hypothesis) {
    const QStringList ref = comparableWords(reference);
    const QStringList hyp = comparableWords(hypothesis);
    std::vector<int> row(size_t(hyp.size()) + 1);
    for (size_t j = 0; j < row.size(); ++j)
        row[j] = int(j);
    for (int i = 1; i <= ref.size(); ++i) {
        std::vector<int> next(row.size());
        next[0] = i;
        for (int j = 1; j <= hyp.size(); ++j)
            next[size_t(j)] = std::min(
                {row[size_t(j)] + 1, next[size_t(j) - 1] + 1, row[size_t(j) - 1] + (ref[i - 1] == hyp[j - 1] ? 0 : 1)});
        row = std::move(next);
    }
    return {row.back(), int(ref.size())};
}

} // namespace vantorel::test
