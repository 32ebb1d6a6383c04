// The editor's forward search and replace all.
#include <gtest/gtest.h>

#include "controls/TextSearch.h"

using namespace controls;

namespace {

constexpr SearchOptions kPlain{};
constexpr SearchOptions kCase{true, false};
constexpr SearchOptions kWord{false, true};

QString Apply(const QString& text, const ReplaceAllResult& r) {
  return text.left(r.from) + r.replacement + text.mid(r.to);
}

TEST(FindForward, StartsAtTheGivenPlaceAndNeverWraps) {
  const QString text = QStringLiteral("abc xabc abc");
  EXPECT_EQ(FindForward(text, 0, u"abc", kPlain), 0);
  EXPECT_EQ(FindForward(text, 1, u"abc", kPlain), 5);
  EXPECT_EQ(FindForward(text, 6, u"abc", kPlain), 9);
  EXPECT_EQ(FindForward(text, 10, u"abc", kPlain), -1);
  EXPECT_EQ(FindForward(text, text.size(), u"abc", kPlain), -1);
  // Nothing to look for, or a start outside the text.
  EXPECT_EQ(FindForward(text, 0, u"", kPlain), -1);
  EXPECT_EQ(FindForward(text, -1, u"abc", kPlain), -1);
  EXPECT_EQ(FindForward(text, 99, u"abc", kPlain), -1);
}

TEST(FindForward, MatchCase) {
  const QString text = QString::fromUtf8("xx ABC Żółw");
  EXPECT_EQ(FindForward(text, 0, u"abc", kPlain), 3);
  EXPECT_EQ(FindForward(text, 0, u"abc", kCase), -1);
  EXPECT_EQ(FindForward(text, 0, u"ABC", kCase), 3);
  EXPECT_EQ(FindForward(text, 0, QString::fromUtf8("żÓŁ"), kPlain), 7);
  EXPECT_EQ(FindForward(text, 0, QString::fromUtf8("żÓŁ"), kCase), -1);
}

TEST(FindForward, WholeWord) {
  EXPECT_EQ(FindForward(u"abcd abc", 0, u"abc", kWord), 5);
  EXPECT_EQ(FindForward(u"abcd", 0, u"abc", kWord), -1);
  EXPECT_EQ(FindForward(u"xabc", 0, u"abc", kWord), -1);
  EXPECT_EQ(FindForward(u"_abc abc_ (abc)", 0, u"abc", kWord), 11);
  // Polish letters and digits belong to words.
  EXPECT_EQ(FindForward(QString::fromUtf8("żabc abc1 abc"), 0, u"abc", kWord), 10);
  // Word boundaries are judged in the whole text, also before start.
  EXPECT_EQ(FindForward(u"xabc abc", 1, u"abc", kWord), 5);
  EXPECT_EQ(FindForward(u"ABC abc", 0, u"abc", SearchOptions{true, true}), 4);
}

TEST(ReplaceAll, NoMatchFromStartReplacesNothing) {
  const ReplaceAllResult none = ReplaceAll(u"abc abc", 0, u"zzz", u"y", kPlain);
  EXPECT_EQ(none.count, 0);
  EXPECT_EQ(none.from, none.to);
  // Matches only in front of the start count as not found.
  EXPECT_EQ(ReplaceAll(u"abc abc", 5, u"abc", u"y", kPlain).count, 0);
}

TEST(ReplaceAll, ReplacementContainingTheFindTextEnds) {
  const QString text = QStringLiteral("a-a-a");
  const ReplaceAllResult r = ReplaceAll(text, 0, u"a", u"aa", kPlain);
  EXPECT_EQ(r.count, 3);
  EXPECT_EQ(Apply(text, r), QStringLiteral("aa-aa-aa"));
  // Case-insensitive: the replacement's own "A" is not searched again.
  const ReplaceAllResult upper = ReplaceAll(u"xa", 0, u"a", u"Aa", kPlain);
  EXPECT_EQ(upper.count, 1);
  EXPECT_EQ(Apply(QStringLiteral("xa"), upper), QStringLiteral("xAa"));
}

TEST(ReplaceAll, FromAMatchInTheMiddleAlsoReplacesWhatCameBefore) {
  // Replace all after a find-next: the run begins after the selection and
  // then takes the occurrences in front of it, each original one once.
  const QString text = QStringLiteral("ab1 ab2 ab3 ab4");
  const ReplaceAllResult r = ReplaceAll(text, 6, u"ab", u"<ab>", kPlain);
  EXPECT_EQ(r.count, 4);
  EXPECT_EQ(Apply(text, r), QStringLiteral("<ab>1 <ab>2 <ab>3 <ab>4"));
  // Only the occurrences at or after the start when there is nothing before.
  const ReplaceAllResult tail = ReplaceAll(text, 0, u"ab", u"", kPlain);
  EXPECT_EQ(Apply(text, tail), QStringLiteral("1 2 3 4"));
}

TEST(ReplaceAll, WholeWordSeesTheNeighbourLeftByTheReplacement) {
  // After " -" becomes " a", the second "-" follows a letter and is no
  // longer a whole word, as a search over the changed text would see it.
  const QString text = QStringLiteral(" --");
  const ReplaceAllResult r = ReplaceAll(text, 0, u"-", u"a", kWord);
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(Apply(text, r), QStringLiteral(" a-"));
  // An empty replacement brings the older neighbour back.
  const QString two = QStringLiteral("x -- y");
  EXPECT_EQ(Apply(two, ReplaceAll(two, 0, u"-", u"", kWord)), QStringLiteral("x  y"));
  // Case and whole word together.
  const QString words = QStringLiteral("Kot kot kotek KOT");
  EXPECT_EQ(Apply(words, ReplaceAll(words, 0, u"kot", u"pies", SearchOptions{true, true})),
            QStringLiteral("Kot pies kotek KOT"));
  EXPECT_EQ(Apply(words, ReplaceAll(words, 0, u"kot", u"pies", kWord)),
            QStringLiteral("pies pies kotek pies"));
}

TEST(ReplaceRange, KeepsMatchesWithinTheLimit) {
  const QString text = QStringLiteral("aaaa");
  const ReplaceAllResult r = ReplaceRange(text, 0, 3, u"aa", u"b", kPlain);
  EXPECT_EQ(r.count, 1);
  EXPECT_EQ(Apply(text, r), QStringLiteral("baa"));
}

}  // namespace
