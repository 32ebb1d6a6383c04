// An independent check of a .mdx against its .dbf, written apart from the
// engine's own reader: walks every tag from its root, checks the node
// rules (leaf or interior, interior keys = highest key below, leaves at one
// depth, at most max-keys entries, zeros after the last leaf entry, in
// either keys-per-node convention and any block size), then
// recomputes each key from its row for the simple expressions the tests
// use (a field, or fields joined by +, UPPER of ASCII) and checks that the
// tag holds exactly one entry per covered row in key order, equal keys in
// record-number order.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace dbase_test {

inline uint32_t U32(const std::vector<uint8_t>& b, size_t o) {
  return b[o] | b[o + 1] << 8 | b[o + 2] << 16 | static_cast<uint32_t>(b[o + 3]) << 24;
}
inline uint16_t U16(const std::vector<uint8_t>& b, size_t o) {
  return static_cast<uint16_t>(b[o] | b[o + 1] << 8);
}

struct CheckedTag {
  std::string name, expression, filter;
  char type = 0;
  bool unique = false, descending = false;
  uint32_t header_page = 0, root = 0;
  size_t key_length = 0, item_length = 0, max_keys = 0;
  int depth = 0;
  std::vector<std::pair<std::string, uint32_t>> entries;  // index order
  std::set<uint32_t> pages;                               // node pages
};

struct MdxCheck {
  std::vector<CheckedTag> tags;
  std::vector<std::string> problems;

  void Problem(const std::string& p) { problems.push_back(p); }

  // Parses and walks; problems go to `problems`.
  void Walk(const std::vector<uint8_t>& mdx, uint32_t record_count) {
    if (mdx.size() < 2048) return Problem("short file");
    const size_t block = U16(mdx, 22);
    if (U32(mdx, 32) * 512ull != mdx.size()) Problem("page count differs from file size");
    const size_t n = U16(mdx, 28);
    for (size_t i = 0; i < n; ++i) {
      CheckedTag t;
      const size_t e = 544 + i * 32;
      t.header_page = U32(mdx, e);
      t.name = reinterpret_cast<const char*>(&mdx[e + 4]);
      const size_t h = t.header_page * 512ull;
      if (h + block > mdx.size()) return Problem("tag header outside");
      t.root = U32(mdx, h);
      t.type = static_cast<char>(mdx[h + 9]);
      t.descending = mdx[h + 8] & 0x08;
      t.unique = (mdx[h + 8] & 0x40) != 0;
      if (t.unique != (mdx[h + 23] != 0)) Problem(t.name + ": unique flags disagree");
      t.key_length = U16(mdx, h + 12);
      t.max_keys = U16(mdx, h + 14);
      t.item_length = U16(mdx, h + 18);
      if (t.item_length != (t.key_length + 4 + 3) / 4 * 4) Problem(t.name + ": item length");
      // Keys per node: dBASE keeps 12 bytes of the block from items, some
      // libraries only 8.
      if (t.max_keys != (block - 12) / t.item_length && t.max_keys != (block - 8) / t.item_length)
        Problem(t.name + ": max keys");
      t.expression = reinterpret_cast<const char*>(&mdx[h + 24]);
      if (mdx[h + 245]) t.filter = reinterpret_cast<const char*>(&mdx[h + 762]);
      int leaf_depth = -1;
      WalkNode(mdx, block, record_count, &t, t.root, 0, &leaf_depth);
      t.depth = leaf_depth + 1;
      if ((mdx[h + 246] != 0) != !t.entries.empty()) Problem(t.name + ": has-keys byte");
      if (U32(mdx, h + 252) != t.root) Problem(t.name + ": bytes 252-255 are not the root");
      tags.push_back(std::move(t));
    }
  }

  std::string WalkNode(const std::vector<uint8_t>& mdx, size_t block, uint32_t count, CheckedTag* t,
                       uint32_t page, int depth, int* leaf_depth) {
    const size_t off = page * 512ull;
    if (page == 0 || off + block > mdx.size() || depth > 10 || !t->pages.insert(page).second) {
      Problem(t->name + ": bad page " + std::to_string(page));
      return std::string();
    }
    const uint32_t n = U32(mdx, off);
    if (n > t->max_keys) {
      Problem(t->name + ": too many keys");
      return std::string();
    }
    if (U32(mdx, off + 4) != 0) Problem(t->name + ": node bytes 4-7 not zero");
    const bool interior = n < t->max_keys && U32(mdx, off + 8 + n * t->item_length) != 0;
    std::string last;
    if (interior) {
      for (uint32_t i = 0; i <= n; ++i) {
        size_t item = off + 8 + i * t->item_length;
        std::string sub = WalkNode(mdx, block, count, t, U32(mdx, item), depth + 1, leaf_depth);
        if (i < n &&
            sub != std::string(reinterpret_cast<const char*>(&mdx[item + 4]), t->key_length))
          Problem(t->name + ": interior key is not the highest key below it");
        last = sub;
      }
      // Nothing but zeros after the last pointer.
      for (size_t b = off + 8 + n * t->item_length + 4; b < off + block; ++b)
        if (mdx[b]) {
          Problem(t->name + ": garbage after interior pointers");
          break;
        }
      return last;
    }
    if (*leaf_depth < 0) *leaf_depth = depth;
    if (*leaf_depth != depth) Problem(t->name + ": leaves at different depths");
    if (n == 0 && depth > 0) Problem(t->name + ": empty leaf below the root");
    for (uint32_t i = 0; i < n; ++i) {
      size_t item = off + 8 + i * t->item_length;
      uint32_t recno = U32(mdx, item);
      if (recno < 1 || recno > count) Problem(t->name + ": record number out of range");
      last.assign(reinterpret_cast<const char*>(&mdx[item + 4]), t->key_length);
      t->entries.push_back({last, recno});
    }
    for (size_t b = off + 8 + n * t->item_length; b < off + block; ++b)
      if (mdx[b]) {
        Problem(t->name + ": garbage after leaf entries");
        break;
      }
    return last;
  }
};

// The expected entries of a C tag, computed from rows given as field maps:
// `key` and `covered` are supplied by the test for its expression.
inline std::vector<std::pair<std::string, uint32_t>> ExpectedEntries(
    const std::vector<std::string>& keys, const std::vector<bool>& covered, bool unique,
    bool descending) {
  std::vector<std::pair<std::string, uint32_t>> e;
  for (size_t i = 0; i < keys.size(); ++i)
    if (covered[i]) e.push_back({keys[i], static_cast<uint32_t>(i + 1)});
  std::stable_sort(e.begin(), e.end(), [&](const auto& a, const auto& b) {
    return descending ? a.first > b.first : a.first < b.first;
  });
  if (unique) {
    std::vector<std::pair<std::string, uint32_t>> u;
    for (const auto& x : e)
      if (u.empty() || u.back().first != x.first) u.push_back(x);
    return u;
  }
  return e;
}

}  // namespace dbase_test
