// Key computation and ordering for index tags. Numeric keys follow the
// 12-byte packed-decimal layout: byte 0 = 0x34 + digits before the point,
// byte 1 = sign and a length code, then the significant digits two per
// byte. Date keys are the Julian day number as a little-endian double.
#include "dbase/TagKeys.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <numeric>

#include "platform/Coding.h"

namespace dbase {

namespace {

// Sign, significant digits and exponent of a decimal text such as
// "-012.340"; false when it is not a plain decimal number.
bool SplitNumber(const std::string& text, bool strip_int_zeros, bool* neg, std::string* digits,
                 int* exp) {
  std::string s = text;
  *neg = !s.empty() && s[0] == '-';
  if (!s.empty() && (s[0] == '-' || s[0] == '+')) s.erase(0, 1);
  if (s.empty() || s.find_first_not_of("0123456789.") != std::string::npos ||
      std::count(s.begin(), s.end(), '.') > 1)
    return false;
  std::string ip = s, fp;
  bool keep;
  size_t dot = s.find('.');
  if (dot != std::string::npos) {
    ip = s.substr(0, dot);
    fp = s.substr(dot + 1);
    while (!fp.empty() && fp.back() == '0') fp.pop_back();
    keep = true;
  } else {
    keep = !strip_int_zeros;
  }
  ip.erase(0, std::min(ip.find_first_not_of('0'), ip.size()));
  if (!ip.empty()) {
    *exp = static_cast<int>(ip.size());
    *digits = ip + fp;
  } else {
    size_t nz = std::min(fp.find_first_not_of('0'), fp.size());
    *exp = -static_cast<int>(nz);
    *digits = fp.substr(nz);
  }
  if (!(keep && fp.empty()))
    while (!digits->empty() && digits->back() == '0') digits->pop_back();
  if (digits->empty()) *neg = false;
  return true;
}

}  // namespace

bool EncodeNumericKey(const std::string& text, NumericStyle style, uint8_t constant, uint8_t* key) {
  bool neg = false;
  std::string ds;
  int exp = 0;
  if (!SplitNumber(text, style != NumericStyle::kDigitsKept, &neg, &ds, &exp)) return false;
  std::memset(key, 0, 12);
  if (ds.empty()) {
    key[0] = 0x34;
    key[1] = style == NumericStyle::kConstant ? constant : 0x01;
    return true;
  }
  if (ds.size() > 20 || exp > 60 || exp < -52) return false;
  const int n = static_cast<int>(ds.size());
  key[0] = static_cast<uint8_t>(0x34 + exp);
  switch (style) {
    case NumericStyle::kHalfBytes:
      key[1] = static_cast<uint8_t>((((n + 1) / 2) * 8 + 1) & 0x7F);
      break;
    case NumericStyle::kDigitCount:
    case NumericStyle::kDigitsKept:
      key[1] = static_cast<uint8_t>((n << 2) | 0x01);
      break;
    case NumericStyle::kConstant:
      key[1] = constant;
      break;
  }
  if (neg && style != NumericStyle::kConstant) key[1] |= 0x80;
  for (int i = 0; i < n; ++i) {
    uint8_t d = static_cast<uint8_t>(ds[i] - '0');
    key[2 + i / 2] |= static_cast<uint8_t>(i % 2 ? d : d << 4);
  }
  return true;
}

int CompareNumericKeys(const uint8_t* a, const uint8_t* b) {
  auto sign = [](const uint8_t* k) {
    for (int i = 2; i < 12; ++i)
      if (k[i]) return (k[1] & 0x80) ? -1 : 1;
    return 0;
  };
  int sa = sign(a), sb = sign(b);
  if (sa != sb) return sa < sb ? -1 : 1;
  if (sa == 0) return 0;
  int c = a[0] != b[0] ? (a[0] < b[0] ? -1 : 1) : std::memcmp(a + 2, b + 2, 10);
  c = c < 0 ? -1 : c > 0 ? 1 : 0;
  return sa < 0 ? -c : c;
}

bool TagKeys::Init(const MdxTag& tag, const std::vector<FieldDef>& fields, uint8_t language_driver,
                   std::string* error) {
  tag_ = tag;
  collation_ = &CollationFor(language_driver);
  if (!key_.Parse(tag.expression, fields, error)) return false;
  has_filter_ = !tag.filter.empty();
  if (has_filter_) {
    if (!filter_.Parse(tag.filter, fields, error)) return false;
    if (filter_.Type() != 'L') {
      *error = "filtr FOR nie jest warunkiem";
      return false;
    }
  }
  const char kt = tag.key_type == 'F' ? 'N' : tag.key_type;
  if (kt != 'C' && kt != 'N' && kt != 'D') {
    *error = std::string("nieobsługiwany typ klucza ") + (kt ? kt : '?');
    return false;
  }
  if (key_.Type() != kt) {
    *error = "typ wyrażenia nie zgadza się z typem klucza";
    return false;
  }
  plain_field_offset_ = -1;
  if (kt == 'C' && key_.SingleField() >= 0)
    plain_field_offset_ = 1 + fields[key_.SingleField()].offset;
  const size_t want = kt == 'C' ? static_cast<size_t>(key_.Width()) : kt == 'N' ? 12 : 8;
  if (tag.key_length != want) {
    *error = "długość klucza " + std::to_string(tag.key_length) + " nie zgadza się z wyrażeniem (" +
             std::to_string(want) + ")";
    return false;
  }
  return true;
}

bool TagKeys::UsesField(int field) const {
  return key_.UsesField(field) || (has_filter_ && filter_.UsesField(field));
}

bool TagKeys::OrderKnown(const uint8_t* key, std::string* why) const {
  if (collation_->kind == Collation::Kind::kBinary) return true;
  for (size_t i = 0; i < tag_.key_length; ++i) {
    if (!collation_->Knows(key[i])) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "0x%02X", key[i]);
      *why = collation_->kind == Collation::Kind::kUnknown
                 ? "klucz zawiera znaki, których kolejność zależy od sterownika językowego"
                 : "klucz zawiera bajt " + std::string(hex) +
                       ", którego miejsca nie podaje tablica sortowania sterownika " +
                       collation_->name;
      return false;
    }
  }
  return true;
}

bool TagKeys::Make(const uint8_t* record, bool* covered, uint8_t* key, std::string* why) const {
  Value v;
  *covered = true;
  if (has_filter_) {
    if (!filter_.Evaluate(record, &v)) {
      *why = "nie da się obliczyć filtru FOR";
      return false;
    }
    *covered = v.logical;
  }
  const size_t len = tag_.key_length;
  if (plain_field_offset_ >= 0) {  // the common case, without the evaluator
    std::memcpy(key, record + plain_field_offset_, len);
    return OrderKnown(key, why);
  }
  if (!key_.Evaluate(record, &v)) {
    *why = "nie da się dokładnie obliczyć klucza";
    return false;
  }
  switch (v.type) {
    case 'C': {
      std::memset(key, ' ', len);
      std::memcpy(key, v.text.data(), std::min(len, v.text.size()));
      return OrderKnown(key, why);
    }
    case 'N':
      if (!EncodeNumericKey(v.text, style_, constant_, key)) {
        *why = "liczby " + v.text + " nie da się zapisać w kluczu";
        return false;
      }
      return true;
    case 'D':
      if (v.blank) {
        *why = "pusta data w kluczu";
        return false;
      }
      platform::EncodeF64(key, v.julian);
      return true;
    default:
      *why = "nieobsługiwany typ klucza";
      return false;
  }
}

int TagKeys::Compare(const uint8_t* a, const uint8_t* b) const {
  int c;
  const char kt = tag_.key_type == 'F' ? 'N' : tag_.key_type;
  if (kt == 'N') {
    c = CompareNumericKeys(a, b);
  } else if (kt == 'D') {
    double x = platform::DecodeF64(a), y = platform::DecodeF64(b);
    c = x < y ? -1 : x > y ? 1 : 0;
  } else {
    c = collation_->Compare(a, b, tag_.key_length);
  }
  return tag_.descending ? -c : c;
}

void TagKeys::Order(const std::vector<uint8_t>& keys, const std::vector<uint8_t>& covered,
                    const std::vector<uint8_t>* preferred, TagEntries* out) const {
  const size_t len = tag_.key_length;
  std::vector<uint32_t> rows;
  rows.reserve(covered.size());
  for (size_t i = 0; i < covered.size(); ++i)
    if (covered[i]) rows.push_back(static_cast<uint32_t>(i));
  auto key = [&](uint32_t r) { return keys.data() + static_cast<size_t>(r) * len; };
  // Equal keys in record-number order. Character keys are sorted on an
  // 8-byte prefix held beside the row, which keeps the sort in cache.
  if (tag_.key_type == 'C') {
    const bool desc = tag_.descending;
    struct Item {
      uint64_t prefix;
      uint32_t row;
    };
    std::vector<Item> items;
    items.reserve(rows.size());
    for (uint32_t r : rows) {
      uint64_t p = 0;
      const uint8_t* k = key(r);
      for (size_t i = 0; i < 8; ++i) p = p << 8 | (i < len ? collation_->SortByte(k[i]) : 0);
      items.push_back({desc ? ~p : p, r});
    }
    std::sort(items.begin(), items.end(), [&](const Item& a, const Item& b) {
      if (a.prefix != b.prefix) return a.prefix < b.prefix;
      if (len > 8) {
        int c = collation_->Compare(key(a.row) + 8, key(b.row) + 8, len - 8);
        if (c != 0) return desc ? c > 0 : c < 0;
      }
      return a.row < b.row;
    });
    for (size_t i = 0; i < items.size(); ++i) rows[i] = items[i].row;
  } else {
    std::sort(rows.begin(), rows.end(), [&](uint32_t a, uint32_t b) {
      int c = Compare(key(a), key(b));
      return c < 0 || (c == 0 && a < b);
    });
  }
  *out = TagEntries();
  out->key_length = len;
  out->keys.reserve(rows.size() * len);
  out->recnos.reserve(rows.size());
  for (size_t i = 0; i < rows.size();) {
    size_t j = i + 1;
    while (j < rows.size() && std::memcmp(key(rows[i]), key(rows[j]), len) == 0) ++j;
    if (!tag_.unique) {
      for (size_t k = i; k < j; ++k) out->Add(key(rows[k]), rows[k] + 1);
    } else {
      uint32_t pick = rows[i];
      if (preferred) {
        for (size_t k = i; k < j; ++k) {
          if ((*preferred)[rows[k]]) {
            pick = rows[k];
            break;
          }
        }
      }
      out->Add(key(pick), pick + 1);
    }
    i = j;
  }
}

}  // namespace dbase
