#include "platform/linux/SpeechPieces.h"

#include <cmath>
#include <gtest/gtest.h>
#include <random>

using namespace vantorel;

namespace {
// 16 kHz audio made of loud noise (speech) and faint noise (a quiet room).
struct Audio {
    std::vector<int16_t> samples;
    std::mt19937 random{7};
    Audio& add(double seconds, int amplitude) {
        std::uniform_int_distribution<int> d(-amplitude, amplitude);
        for (int i = 0; i < int(std::lround(seconds * 16000)); ++i)
            samples.push_back(int16_t(d(random)));
        return *this;
    }
    Audio& speech(double seconds) { return add(seconds, 8000); }
    Audio& quiet(double seconds) { return add(seconds, 20); }
};
size_t at(double seconds) {
    return size_t(std::lround(seconds * 16000));
}
} // namespace

TEST(SpeechPieces, CutAtPausesOfAQuarterSecondWithATenthOfQuietOnEachSide) {
    Audio a;
    a.quiet(0.5).speech(1.0).quiet(0.4).speech(1.0).quiet(0.1).speech(0.5).quiet(0.6);
    // The 0.1 s gap is part of a piece; the 0.4 s pause ends one.
    EXPECT_EQ(speechPieces(a.samples, 16000), (std::vector<SpeechPiece>{{at(0.4), at(1.6)}, {at(1.8), at(3.6)}}));
    // With a longer minimum the 0.4 s pause no longer cuts.
    EXPECT_EQ(speechPieces(a.samples, 16000, 0.5), (std::vector<SpeechPiece>{{at(0.4), at(3.6)}}));
}

TEST(SpeechPieces, SilenceAndSteadySoundHoldNoSpeechAndLongSpeechIsCut) {
    EXPECT_TRUE(speechPieces(std::vector<int16_t>(16000 * 3, 0), 16000).empty());
    std::vector<int16_t> tone;
    for (int i = 0; i < 16000 * 3; ++i)
        tone.push_back(int16_t(6000 * std::sin(2 * M_PI * 440 * i / 16000.0)));
    EXPECT_TRUE(speechPieces(tone, 16000).empty());

    Audio a;
    a.quiet(1.0).speech(70).quiet(1.0);
    const auto pieces = speechPieces(a.samples, 16000, 0.25, 30);
    ASSERT_EQ(pieces.size(), 3u);
    EXPECT_EQ(pieces.front().begin, at(0.9));
    EXPECT_EQ(pieces.back().end, at(71.1));
    for (size_t i = 1; i < pieces.size(); ++i)
        EXPECT_EQ(pieces[i].begin, pieces[i - 1].end) << i;
}

TEST(SpeechPieces, EachPieceBecomesASentence) {
    EXPECT_EQ(punctuatedTranscript(
                  {QStringLiteral("good morning everyone"), QString(), QStringLiteral("  we need  a plan ")}),
              "Good morning everyone. We need a plan.");
}
