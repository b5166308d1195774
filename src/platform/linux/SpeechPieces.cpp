#include "platform/linux/SpeechPieces.h"

#include <algorithm>
#include <cmath>

namespace vantorel {

namespace {

std::vector<double> frameLevels(const std::vector<int16_t>& samples, size_t frame) {
    std::vector<double> db(samples.size() / frame);
    for (size_t i = 0; i < db.size(); ++i) {
        double energy = 0;
        for (size_t j = 0; j < frame; ++j) {
            const double v = samples[i * frame + j];
            energy += v * v;
        }
        db[i] = 10 * std::log10(energy / double(frame) + 1);
    }
    return db;
}

// Cuts [begin, end) (frames) into pieces no longer than maxFrames at the quietest frame of each overlong stretch.
void splitLong(const std::vector<double>& db, size_t begin, size_t end, size_t maxFrames,
               std::vector<std::pair<size_t, size_t>>& out) {
    while (end - begin > maxFrames) {
        const size_t from = begin + maxFrames / 2;
        const size_t to = begin + maxFrames;
        const size_t cut = size_t(std::min_element(db.begin() + long(from), db.begin() + long(to)) - db.begin());
        out.emplace_back(begin, cut);
        begin = cut;
    }
    out.emplace_back(begin, end);
}

} // namespace

std::vector<SpeechPiece> speechPieces(const std::vector<int16_t>& samples, int sampleRate, double minPause,
                                      double maxPiece) {
    const size_t frame = size_t(std::max(1, sampleRate / 100));
    const std::vector<double> db = frameLevels(samples, frame);
    if (db.empty())
        return {};
    std::vector<double> sorted = db;
    std::sort(sorted.begin(), sorted.end());
    const double floor = sorted[sorted.size() / 50];
    const double peak = sorted[sorted.size() * 97 / 100];
    // A recording without any rise above its floor (silence, a steady hum) holds no speech.
    if (peak - floor < 6)
        return {};
    // Speech stands well above the noise floor, but a loud recording's quiet
    // syllables may sit far below its peak: the lower of the two rules wins,
    // never above the middle between floor and peak.
    const double threshold = std::min(std::max(floor + 10, peak - 35), (floor + peak) / 2);

    const size_t pauseFrames = size_t(std::lround(minPause * 100));
    const size_t minLoudFrames = 5;
    std::vector<std::pair<size_t, size_t>> spans;
    long start = -1;
    size_t lastLoud = 0, quiet = 0, loudCount = 0;
    auto close = [&] {
        if (start >= 0 && loudCount >= minLoudFrames)
            spans.emplace_back(size_t(start), lastLoud + 1);
        start = -1;
        loudCount = 0;
    };
    for (size_t i = 0; i < db.size(); ++i) {
        if (db[i] > threshold) {
            if (start < 0)
                start = long(i);
            lastLoud = i;
            quiet = 0;
            ++loudCount;
        } else if (start >= 0 && ++quiet >= pauseFrames) {
            close();
        }
    }
    close();

    const size_t pad = 10;
    const size_t maxFrames = size_t(std::max(1.0, maxPiece * 100));
    std::vector<std::pair<size_t, size_t>> padded;
    for (auto [b, e] : spans)
        splitLong(db, b > pad ? b - pad : 0, std::min(db.size(), e + pad), maxFrames, padded);
    std::vector<SpeechPiece> pieces;
    for (auto [b, e] : padded)
        pieces.push_back({b * frame, std::min(samples.size(), e * frame)});
    return pieces;
}

QString punctuatedTranscript(const QStringList& pieces) {
    QStringList sentences;
    for (const QString& piece : pieces) {
        QString s = piece.simplified();
        if (s.isEmpty())
            continue;
        s[0] = s[0].toUpper();
        sentences << s + u'.';
    }
    return sentences.join(u' ');
}

} // namespace vantorel
