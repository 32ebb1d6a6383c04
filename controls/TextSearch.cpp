// Forward search and replace all over a string.
#include "controls/TextSearch.h"

namespace controls {

namespace {

bool IsWordChar(QChar c) {
  return c.isLetterOrNumber() || c == u'_';
}

// The search itself: matches that end at or before limit; before(p) gives
// the character in front of a match at p (null: none).
template <class Before>
qsizetype Find(QStringView text, qsizetype start, qsizetype limit, QStringView what,
               SearchOptions options, Before before) {
  if (what.isEmpty() || start < 0 || start > text.size()) return -1;
  const Qt::CaseSensitivity cs = options.matchCase ? Qt::CaseSensitive : Qt::CaseInsensitive;
  for (qsizetype from = start;;) {
    const qsizetype p = text.indexOf(what, from, cs);
    if (p < 0 || p + what.size() > limit) return -1;
    if (!options.wholeWord) return p;
    const QChar b = before(p);
    const qsizetype end = p + what.size();
    const bool whole =
        (b.isNull() || !IsWordChar(b)) && (end >= text.size() || !IsWordChar(text[end]));
    if (whole) return p;
    from = p + 1;
  }
}

}  // namespace

qsizetype FindForward(QStringView text, qsizetype start, QStringView what, SearchOptions options) {
  return Find(text, start, text.size(), what, options,
              [text](qsizetype p) { return p > 0 ? text[p - 1] : QChar(); });
}

ReplaceAllResult ReplaceRange(QStringView text, qsizetype start, qsizetype limit, QStringView what,
                              QStringView with, SearchOptions options) {
  ReplaceAllResult r;
  r.from = r.to = start;
  qsizetype done = start;  // end of the last match; text from here on is unchanged
  // In front of a match that directly follows a replacement stands what the
  // replacements left there, not the original character.
  auto before = [&](qsizetype p) -> QChar {
    if (r.count > 0 && p == done) {
      if (!r.replacement.isEmpty()) return r.replacement.back();
      return r.from > 0 ? text[r.from - 1] : QChar();
    }
    return p > 0 ? text[p - 1] : QChar();
  };
  for (;;) {
    const qsizetype p = Find(text, done, limit, what, options, before);
    if (p < 0) break;
    if (r.count == 0)
      r.from = p;
    else
      r.replacement += text.mid(done, p - done);
    r.replacement += with;
    done = p + what.size();
    ++r.count;
  }
  r.to = r.count > 0 ? done : r.from;
  return r;
}

ReplaceAllResult ReplaceAll(QStringView text, qsizetype start, QStringView what, QStringView with,
                            SearchOptions options) {
  const ReplaceAllResult tail = ReplaceRange(text, start, text.size(), what, with, options);
  if (tail.count == 0) return tail;
  // Then the part in front of the first match, seen with the tail already
  // replaced so that a whole word is judged by its new neighbour.
  const QString changed =
      text.left(tail.from).toString() + tail.replacement + text.mid(tail.to).toString();
  const ReplaceAllResult head = ReplaceRange(changed, 0, tail.from, what, with, options);
  if (head.count == 0) return tail;
  ReplaceAllResult r;
  r.count = head.count + tail.count;
  r.from = head.from;
  r.to = tail.to;
  r.replacement =
      head.replacement + text.mid(head.to, tail.from - head.to).toString() + tail.replacement;
  return r;
}

}  // namespace controls
