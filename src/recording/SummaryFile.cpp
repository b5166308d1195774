#include "recording/SummaryFile.h"

#include <algorithm>

namespace vantorel {

QString recordingFileStamp(const QDateTime& time) {
    return time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH-mm-ss"));
}

QString temporaryAudioFileName(const QDateTime& time) {
    return QStringLiteral("recording-") + recordingFileStamp(time) + QStringLiteral(".m4a");
}

QString summaryFileName(const QDateTime& time, RecordingOutputFormat format) {
    return QStringLiteral("Recording Summary ") + recordingFileStamp(time) + u'.' +
           (format == RecordingOutputFormat::Txt ? QStringLiteral("txt") : QStringLiteral("md"));
}

QString preservedAudioFileName(const QDateTime& time) {
    return QStringLiteral("Recording ") + recordingFileStamp(time) + QStringLiteral(".m4a");
}

QString summaryFileBody(RecordingOutputFormat format, const QDateTime& time, const QString& summary,
                        const QString& transcript) {
    const QString date = time.toLocalTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (format == RecordingOutputFormat::Txt)
        return QStringLiteral("Recording Summary\nDate: ") + date + QStringLiteral("\n\nSummary\n") + summary +
               QStringLiteral("\n\nTranscript\n") +
               (transcript.isEmpty() ? QStringLiteral("No transcription available.") : transcript);
    return QStringLiteral("# Recording Summary\n\nDate: ") + date + QStringLiteral("\n\n## Summary\n") + summary +
           QStringLiteral("\n\n## Transcript\n") +
           (transcript.isEmpty() ? QStringLiteral("_No transcription available._") : transcript);
}

double transcriptionTimeoutSeconds(double durationSeconds) {
    return std::max(90.0, durationSeconds * 1.5 + 30.0);
}

} // namespace vantorel
