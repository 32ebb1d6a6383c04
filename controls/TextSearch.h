// The editor's forward text search, kept apart from the window so that its
// edges (whole words, letter case, replacements that contain what is being
// replaced) are plain functions over a string.
#pragma once

#include <QString>
#include <QStringView>

namespace controls {

struct SearchOptions {
  bool matchCase = false;
  bool wholeWord = false;
};

// The first match of what in text at or after start, or -1. An empty what
// never matches. A whole word has no letter, digit or "_" just before or
// just after it.
qsizetype FindForward(QStringView text, qsizetype start, QStringView what, SearchOptions options);

// One edit that replaces text[from, to) by replacement.
struct ReplaceAllResult {
  qsizetype count = 0;  // matches replaced
  qsizetype from = 0;
  qsizetype to = 0;
  QString replacement;
};

// Replaces every match that lies within text[start, limit), each search
// going on after the previous replacement, so that text a replacement
// brought in is never searched again and the run always ends.
ReplaceAllResult ReplaceRange(QStringView text, qsizetype start, qsizetype limit, QStringView what,
                              QStringView with, SearchOptions options);

// "Replace all" of the editor: nothing when there is no match at or after
// start; otherwise every match from there to the end of the text and then
// every match in front of start, each original match once.
ReplaceAllResult ReplaceAll(QStringView text, qsizetype start, QStringView what, QStringView with,
                            SearchOptions options);

}  // namespace controls
