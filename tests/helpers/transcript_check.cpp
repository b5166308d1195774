// Checks a summary file against the text that was spoken: prints the word
// error rate of its transcript and fails when it is above the limit, or when
// a line of its summary is not a sentence of the transcript.
//   transcript_check REFERENCE.txt SUMMARY.md MAX_RATE
#include "support/WordErrorRate.h"

#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>
#include <cstdio>

namespace {
QString read(const char* path) {
    QFile f(QString::fromLocal8Bit(path));
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}
} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 4)
        return 2;
    const QString reference = read(argv[1]);
    const QString file = read(argv[2]);
    const double limit = QString::fromLatin1(argv[3]).toDouble();
    const int summaryAt = file.indexOf(QStringLiteral("## Summary\n"));
    const int transcriptAt = file.indexOf(QStringLiteral("\n\n## Transcript\n"));
    if (reference.isEmpty() || summaryAt < 0 || transcriptAt < summaryAt) {
        std::fprintf(stderr, "not a summary file: %s\n", argv[2]);
        return 1;
    }
    const QString summary = file.mid(summaryAt + 11, transcriptAt - summaryAt - 11);
    const QString transcript = file.mid(transcriptAt + 16);
    const auto errors = vantorel::test::wordErrors(reference, transcript);
    std::printf("transcript: %s\nsummary:\n%s\nword error rate: %d/%d = %.1f %%\n", qPrintable(transcript),
                qPrintable(summary), errors.errors, errors.words, errors.rate() * 100);
    int status = errors.rate() <= limit ? 0 : 1;
    static const QRegularExpression numbering(QStringLiteral("^(\\d+\\. |- )"));
    const QStringList lines = summary.split(u'\n', Qt::SkipEmptyParts);
    for (QString line : lines) {
        line.remove(numbering);
        if (line.endsWith(u'.'))
            line.chop(1);
        if (line.isEmpty() || !transcript.contains(line)) {
            std::printf("summary line not in the transcript: %s\n", qPrintable(line));
            status = 1;
        }
    }
    if (lines.isEmpty())
        status = 1;
    return status;
}
