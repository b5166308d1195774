#include "recording/TranscriptSummarizer.h"
#include "app/AppSettings.h"

#include <gtest/gtest.h>

using namespace vantorel;

namespace {
// Scores (unique words + 3 for a digit + 2 per keyword + length / 40):
// 0 too short, 1: 8, 2: 17, 3: 7, 4: 15, 5: 5, 6: 9, 7: 5.
const QString kMeeting = QStringLiteral(
    "Hi all. The team reviewed the quarterly numbers in detail. We need to decide on the launch plan by Friday! "
    "Lunch was fine and everyone enjoyed it. Sam will follow up with 3 vendors about pricing. "
    "The weather was nice outside? Next meeting is on Monday at noon. Everyone left the room happily.");
} // namespace

TEST(ExtractiveSummary, LaysOutTheBestSentencesInTranscriptOrderAsTheInstructionsAsk) {
    EXPECT_EQ(summarize(kMeeting, QStringLiteral("Give me 5 bullet points")),
              "- The team reviewed the quarterly numbers in detail.\n"
              "- We need to decide on the launch plan by Friday.\n"
              "- Lunch was fine and everyone enjoyed it.\n"
              "- Sam will follow up with 3 vendors about pricing.\n"
              "- Next meeting is on Monday at noon.");
    // "one" is a word, not a digit: three sentences.
    EXPECT_EQ(summarize(kMeeting, QStringLiteral("Write one paragraph")),
              "We need to decide on the launch plan by Friday. Sam will follow up with 3 vendors about pricing. "
              "Next meeting is on Monday at noon.");
    // The default instructions ("3 concise key points") give three numbered lines.
    EXPECT_EQ(summarize(kMeeting, AppSettings::kDefaultSummaryInstructions),
              "1. We need to decide on the launch plan by Friday.\n"
              "2. Sam will follow up with 3 vendors about pricing.\n"
              "3. Next meeting is on Monday at noon.");
}

TEST(ExtractiveSummary, ShortSentencesEmptyTranscriptsAndTextWithoutSentences) {
    EXPECT_EQ(summarize(QStringLiteral("Yes. No way. Fine! Ok? Sure."), QString()), "1. Yes.\n2. No way.\n3. Fine.");
    EXPECT_EQ(summarize(QStringLiteral(" \n\t \r\n "), QStringLiteral("5 bullets")), "No transcription available.");
}

TEST(ExtractiveSummary, EighteenCharactersAreCountedAsTheUserSeesThem) {
    // 17 perceived characters in 19 code units (two combining accents): too short.
    const QString accented = QStringLiteral("Cafe\u0301 au lait cre\u0300m");
    ASSERT_EQ(perceivedLength(accented), 17);
    EXPECT_EQ(bestSummarySentences({accented, QStringLiteral("A plain sentence that counts")}, 3),
              QStringList{QStringLiteral("A plain sentence that counts")});
    EXPECT_EQ(perceivedLength(QStringLiteral("\U0001F468\u200D\U0001F469\u200D\U0001F467 ok")), 4);
}

TEST(SummaryInstructions, CountAndStyleFollowTheDigitAndWordRules) {
    const std::pair<const char*, int> counts[] = {
        {"single sentence", 1}, {"10 points", 10}, {"12 bullets", 2}, {"20 bullets", 3}, {"five bullets", 3}};
    for (auto [text, n] : counts)
        EXPECT_EQ(summaryItemCount(QString::fromUtf8(text)), n) << text;
    EXPECT_EQ(summaryStyle(QStringLiteral("single paragraph")), SummaryStyle::Paragraph);
    EXPECT_EQ(summaryStyle(QStringLiteral("3 points")), SummaryStyle::Numbered);
    EXPECT_EQ(sanitizedInstructions(QStringLiteral("  5\tbullet \n\n points ")), "5 bullet points");
    EXPECT_EQ(normalizedTranscript(QStringLiteral("  Hello\r\nworld \r\r  again\t\tnow \u2028 end  ")),
              "Hello world again now end");
}
