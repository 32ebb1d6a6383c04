// Decoding and encoding of .dbf headers. The header length field is
// trusted as the offset of record 1, but only after the descriptors it
// covers, the record length and the record count have been checked against
// each other and against the file size.
#include "dbase/Dbf.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/Coding.h"
#include "platform/Path.h"

namespace dbase {

namespace {

struct TypeRule {
  char type;
  int min_len, max_len;
  bool level7_only;
};

// Lengths dBASE allows per type; B and G are the binary and OLE memos of
// dBASE 5 for Windows, I + @ O the integer, autoincrement, timestamp and
// double types of level 7.
constexpr TypeRule kTypes[] = {
    {'C', 1, 254, false}, {'N', 1, 20, false},  {'F', 1, 20, false},  {'D', 8, 8, false},
    {'L', 1, 1, false},   {'M', 10, 10, false}, {'B', 10, 10, false}, {'G', 10, 10, false},
    {'I', 4, 4, true},    {'+', 4, 4, true},    {'@', 8, 8, true},    {'O', 8, 8, true},
};

const TypeRule* FindType(char t) {
  for (const auto& r : kTypes)
    if (r.type == t) return &r;
  return nullptr;
}

bool CheckField(const FieldDef& f, bool level7, std::string* error) {
  if (f.name.empty()) {
    *error = "pole bez nazwy";
    return false;
  }
  for (char c : f.name) {
    unsigned char u = static_cast<unsigned char>(c);
    if (u <= 0x20 || u >= 0x7F) {
      *error = "niedozwolony znak w nazwie pola " + f.name;
      return false;
    }
  }
  const TypeRule* r = FindType(f.type);
  if (!r || (r->level7_only && !level7)) {
    *error = "nieznany typ pola " + f.name + ": " + std::string(1, f.type);
    return false;
  }
  if (f.length < r->min_len || f.length > r->max_len) {
    *error = "niedozwolona długość pola " + f.name + ": " + std::to_string(f.length);
    return false;
  }
  bool numeric = f.type == 'N' || f.type == 'F';
  if (f.decimals < 0 ||
      (numeric ? (f.decimals > 0 && f.decimals > f.length - 2) : f.decimals != 0)) {
    *error = "niedozwolona liczba miejsc dziesiętnych pola " + f.name;
    return false;
  }
  return true;
}

}  // namespace

platform::Status ReadDbfHeader(platform::File* dbf, const std::string& dbf_path, DbfHeader* h) {
  uint64_t size = 0;
  platform::Status s = dbf->Size(&size);
  if (!s.ok()) return s;
  std::vector<uint8_t> head(std::min<uint64_t>(size, 0xFFFF));
  size_t got = 0;
  s = dbf->ReadAt(0, head.data(), head.size(), &got);
  if (!s.ok()) return s;
  std::string error;
  if (!ParseDbfHeader(head.data(), got, size, h, &error))
    return platform::Status::Invalid("Uszkodzona tabela " + dbf_path + ": " + error);
  return platform::Status::OK();
}

std::string CompanionPath(const std::string& dbf_path, const char* upper_ext) {
  size_t dot = dbf_path.find_last_of('.');
  size_t slash = platform::LastPathDelim(dbf_path);
  std::string base = (dot == std::string::npos || (slash != std::string::npos && dot < slash))
                         ? dbf_path
                         : dbf_path.substr(0, dot);
  std::string ext = dot == std::string::npos ? std::string() : dbf_path.substr(dot + 1);
  bool lower = ext.empty() ||
               std::any_of(ext.begin(), ext.end(), [](char c) { return c >= 'a' && c <= 'z'; });
  std::string e = upper_ext;
  if (lower)
    for (char& c : e) c = static_cast<char>(c - 'A' + 'a');
  return base + "." + e;
}

bool EqualsIgnoreCase(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    unsigned char x = static_cast<unsigned char>(a[i]), y = static_cast<unsigned char>(b[i]);
    if (x >= 'a' && x <= 'z') x = static_cast<unsigned char>(x - 32);
    if (y >= 'a' && y <= 'z') y = static_cast<unsigned char>(y - 32);
    if (x != y) return false;
  }
  return true;
}

bool KnownDbfVersion(uint8_t v) {
  switch (v) {
    case 0x03:
    case 0x83:
    case 0x8B:
    case 0x8E:
    case 0x43:
    case 0x63:
    case 0xCB:
    case 0x04:
    case 0x8C:
      return true;
    default:
      return false;
  }
}

const char* DbfVersionName(uint8_t v) {
  switch (v) {
    case 0x03:
      return "dBASE III/IV/5 bez pliku notatek";
    case 0x83:
      return "dBASE III+ z plikiem notatek";
    case 0x8B:
      return "dBASE IV/5 z plikiem notatek";
    case 0x8E:
      return "dBASE IV/5 tabela SQL z plikiem notatek";
    case 0x43:
    case 0x63:
    case 0xCB:
      return "dBASE IV tabela systemowa SQL";
    case 0x04:
      return "dBASE poziom 7 bez pliku notatek";
    case 0x8C:
      return "dBASE poziom 7 z plikiem notatek";
    default:
      return "nieznana";
  }
}

bool NeedsMemoFile(const DbfHeader& h) {
  if (h.version & 0x80) return true;
  for (const auto& f : h.fields)
    if (f.type == 'M' || f.type == 'B' || f.type == 'G') return true;
  return false;
}

bool ParseDbfHeader(const uint8_t* p, size_t size, uint64_t file_size, DbfHeader* h,
                    std::string* error) {
  *h = DbfHeader();
  if (size < kDbfFixedHeader || file_size < kDbfFixedHeader) {
    *error = "plik jest krótszy niż nagłówek tabeli";
    return false;
  }
  h->version = p[0];
  if (!KnownDbfVersion(h->version)) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "0x%02X", h->version);
    *error = std::string("nieobsługiwany typ tabeli (bajt wersji ") + buf + ")";
    return false;
  }
  std::memcpy(h->updated, p + 1, 3);
  h->record_count = platform::DecodeU32(p + 4);
  h->header_length = platform::DecodeU16(p + 8);
  h->record_length = platform::DecodeU16(p + 10);
  h->production_mdx = p[28] == 0x01;
  h->language_driver = p[29];
  h->level7 = (h->version & 0x07) == 4;
  const size_t first = h->level7 ? 68 : 32, desc = h->level7 ? 48 : 32;
  if (h->header_length < first + desc + 1) {
    *error = "długość nagłówka " + std::to_string(h->header_length) + " jest za mała";
    return false;
  }
  if (h->header_length > file_size || h->header_length > size) {
    *error = "nagłówek sięga poza koniec pliku";
    return false;
  }
  if (h->level7) {
    const char* n = reinterpret_cast<const char*>(p + 32);
    h->driver_name.assign(n, strnlen(n, 32));
  }
  size_t pos = first, offset = 0;
  for (;;) {
    if (pos >= h->header_length) {
      *error = "brak znacznika końca opisów pól (0x0D)";
      return false;
    }
    if (p[pos] == 0x0D) break;
    if (pos + desc + 1 > h->header_length) {
      *error = "opisy pól nie mieszczą się w nagłówku";
      return false;
    }
    FieldDef f;
    const size_t name_len = h->level7 ? 32 : 11;
    const char* n = reinterpret_cast<const char*>(p + pos);
    f.name.assign(n, strnlen(n, name_len));
    if (h->level7) {
      f.type = static_cast<char>(p[pos + 32]);
      f.length = p[pos + 33];
      f.decimals = p[pos + 34];
    } else {
      f.type = static_cast<char>(p[pos + 11]);
      f.length = p[pos + 16];
      f.decimals = p[pos + 17];
    }
    if (!CheckField(f, h->level7, error)) return false;
    for (const auto& other : h->fields) {
      if (EqualsIgnoreCase(other.name, f.name)) {
        *error = "powtórzona nazwa pola " + f.name;
        return false;
      }
    }
    f.offset = static_cast<int>(offset);
    offset += f.length;
    h->fields.push_back(f);
    pos += desc;
  }
  if (h->fields.empty()) {
    *error = "tabela nie ma pól";
    return false;
  }
  if (offset + 1 != h->record_length) {
    *error = "długość rekordu " + std::to_string(h->record_length) +
             " nie zgadza się z sumą długości pól (" + std::to_string(offset + 1) + ")";
    return false;
  }
  uint64_t need = h->header_length + static_cast<uint64_t>(h->record_count) * h->record_length;
  if (need > file_size) {
    *error = "liczba rekordów " + std::to_string(h->record_count) + " wykracza poza rozmiar pliku";
    return false;
  }
  return true;
}

void TodayDate(uint8_t out[3]) {
  std::time_t now = std::time(nullptr);
  std::tm tm_now{};
  if (const std::tm* t = std::localtime(&now)) tm_now = *t;
  out[0] = static_cast<uint8_t>(tm_now.tm_year);
  out[1] = static_cast<uint8_t>(tm_now.tm_mon + 1);
  out[2] = static_cast<uint8_t>(tm_now.tm_mday);
}

void HeaderDate(int y, int m, int d, uint8_t out[3]) {
  if (y == 0) return TodayDate(out);
  out[0] = static_cast<uint8_t>(y - 1900);
  out[1] = static_cast<uint8_t>(m);
  out[2] = static_cast<uint8_t>(d);
}

bool EncodeDbfHeader(DbfHeader* h, std::vector<uint8_t>* out, std::string* error) {
  if (!KnownDbfVersion(h->version)) {
    *error = "nieobsługiwany typ tabeli";
    return false;
  }
  h->level7 = (h->version & 0x07) == 4;
  const size_t first = h->level7 ? 68 : 32, desc = h->level7 ? 48 : 32;
  if (h->fields.empty()) {
    *error = "tabela nie ma pól";
    return false;
  }
  size_t offset = 0;
  for (auto& f : h->fields) {
    if (!CheckField(f, h->level7, error)) return false;
    if (f.name.size() > (h->level7 ? 31u : 10u)) {
      *error = "za długa nazwa pola " + f.name;
      return false;
    }
    f.offset = static_cast<int>(offset);
    offset += f.length;
  }
  size_t hlen = first + desc * h->fields.size() + 1;
  if (offset + 1 > 0xFFFF || hlen > 0xFFFF) {
    *error = "za długi rekord lub nagłówek";
    return false;
  }
  h->header_length = static_cast<uint16_t>(hlen);
  h->record_length = static_cast<uint16_t>(offset + 1);
  out->assign(hlen, 0);
  uint8_t* p = out->data();
  p[0] = h->version;
  std::memcpy(p + 1, h->updated, 3);
  platform::EncodeU32(p + 4, h->record_count);
  platform::EncodeU16(p + 8, h->header_length);
  platform::EncodeU16(p + 10, h->record_length);
  p[28] = h->production_mdx ? 1 : 0;
  p[29] = h->level7 ? 0 : h->language_driver;
  if (h->level7)
    std::memcpy(p + 32, h->driver_name.data(), std::min<size_t>(h->driver_name.size(), 32));
  size_t pos = first;
  for (const auto& f : h->fields) {
    std::memcpy(p + pos, f.name.data(), f.name.size());
    if (h->level7) {
      p[pos + 32] = static_cast<uint8_t>(f.type);
      p[pos + 33] = static_cast<uint8_t>(f.length);
      p[pos + 34] = static_cast<uint8_t>(f.decimals);
    } else {
      p[pos + 11] = static_cast<uint8_t>(f.type);
      p[pos + 16] = static_cast<uint8_t>(f.length);
      p[pos + 17] = static_cast<uint8_t>(f.decimals);
    }
    pos += desc;
  }
  p[pos] = 0x0D;
  return true;
}

}  // namespace dbase
