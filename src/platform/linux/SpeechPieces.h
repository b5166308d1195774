#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

namespace vantorel {

// A stretch of speech in a recording, as sample indices [begin, end).
struct SpeechPiece {
    size_t begin = 0;
    size_t end = 0;
    friend bool operator==(const SpeechPiece&, const SpeechPiece&) = default;
};

// Cuts mono audio at pauses of at least minPause seconds, so that each piece
// can be decoded as one utterance (its own cepstral mean, unlike a stream).
// Loudness is measured in 10 ms frames against the recording's own noise
// floor; pieces keep 0.1 s of quiet on each side, and one longer than
// maxPiece seconds is cut at its quietest frame. Silence gives no piece.
std::vector<SpeechPiece> speechPieces(const std::vector<int16_t>& samples, int sampleRate, double minPause = 0.25,
                                      double maxPiece = 30.0);

// The recognised words of each piece as sentences: a capital first letter and
// a full stop, pieces joined with one blank. Empty pieces are left out.
QString punctuatedTranscript(const QStringList& pieces);

} // namespace vantorel
