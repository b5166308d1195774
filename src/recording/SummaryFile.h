#pragma once

#include "app/AppSettings.h"

#include <QDateTime>
#include <QString>

namespace vantorel {

// Names and bodies of the files a recording leaves behind. Pure functions.

// "yyyy-MM-dd HH-mm-ss" in local time: the stamp in every file name.
QString recordingFileStamp(const QDateTime& time);
// "recording-<stamp>.m4a", the temporary audio's name.
QString temporaryAudioFileName(const QDateTime& time);
// "Recording Summary <stamp>.md" or ".txt".
QString summaryFileName(const QDateTime& time, RecordingOutputFormat format);
// "Recording <stamp>.m4a", the audio kept after a summary could not be written.
QString preservedAudioFileName(const QDateTime& time);
// The summary file's text, without a trailing line break; an empty transcript
// is written as the format's placeholder.
QString summaryFileBody(RecordingOutputFormat format, const QDateTime& time, const QString& summary,
                        const QString& transcript);
// Seconds the recogniser gets for a recording: max(90, duration × 1.5 + 30).
double transcriptionTimeoutSeconds(double durationSeconds);

} // namespace vantorel
