// The one JSON writer of the command line: every --json report is built
// with it, so that the same thing carries the same key everywhere and no
// message's Windows line end reaches a JSON string.
#pragma once

#include <cstdint>
#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

namespace cli {

// The length of the well-formed UTF-8 sequence at s[i], 0 when there is
// none.
inline size_t Utf8Length(const std::string& s, size_t i) {
  const unsigned char c = static_cast<unsigned char>(s[i]);
  size_t n = 0;
  uint32_t cp = 0;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2, cp = c & 0x1F;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3, cp = c & 0x0F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4, cp = c & 0x07;
  } else {
    return 0;
  }
  if (i + n > s.size()) return 0;
  for (size_t k = 1; k < n; ++k) {
    const unsigned char d = static_cast<unsigned char>(s[i + k]);
    if ((d & 0xC0) != 0x80) return 0;
    cp = (cp << 6) | (d & 0x3F);
  }
  // Overlong forms, surrogates and values past the last code point.
  if ((n == 3 && cp < 0x800) || (n == 4 && cp < 0x10000) || (cp >= 0xD800 && cp <= 0xDFFF) ||
      cp > 0x10FFFF) {
    return 0;
  }
  return n;
}

// A JSON string; the messages' Windows line ends become "\n" in it, and
// bytes that are not UTF-8 "\ufffd".
inline std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (size_t i = 0; i < s.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
      continue;  // a reader of JSON expects \n alone
    } else if (c == '"' || c == '\\') {
      out += '\\';
      out += static_cast<char>(c);
    } else if (c == '\r') {
      out += "\\r";
    } else if (c == '\n') {
      out += "\\n";
    } else if (c < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", c);
      out += buf;
    } else if (c < 0x80) {
      out += static_cast<char>(c);
    } else {
      // A name in another code page is not UTF-8; JSON must be.
      const size_t n = Utf8Length(s, i);
      if (n == 0) {
        out += "\\ufffd";
      } else {
        out.append(s, i, n);
        i += n - 1;
      }
    }
  }
  return out + "\"";
}

// An object written key by key; values that are objects or arrays already
// are added with Raw.
class JsonObject {
 public:
  JsonObject& Raw(const char* key, const std::string& json) {
    body_ += (body_.empty() ? "\"" : ",\"") + std::string(key) + "\":" + json;
    return *this;
  }
  JsonObject& Add(const char* key, const std::string& v) { return Raw(key, JsonString(v)); }
  JsonObject& Add(const char* key, const char* v) { return Raw(key, JsonString(v)); }
  JsonObject& Add(const char* key, bool v) { return Raw(key, v ? "true" : "false"); }
  JsonObject& Add(const char* key, int v) { return Raw(key, std::to_string(v)); }
  JsonObject& Add(const char* key, int64_t v) { return Raw(key, std::to_string(v)); }
  JsonObject& Add(const char* key, uint64_t v) { return Raw(key, std::to_string(v)); }
  JsonObject& Add(const char* key, uint32_t v) { return Raw(key, std::to_string(v)); }
  std::string str() const { return "{" + body_ + "}"; }

 private:
  std::string body_;
};

// An array of values already written as JSON.
inline std::string JsonArray(const std::vector<std::string>& items) {
  std::string out;
  for (const auto& s : items) out += (out.empty() ? "" : ",") + s;
  return "[" + out + "]";
}

// A JSON array of strings.
inline std::string StringsJson(const std::vector<std::string>& strings) {
  std::vector<std::string> items;
  for (const auto& s : strings) items.push_back(JsonString(s));
  return JsonArray(items);
}

// What every command prints with --json when it fails: the status and
// the message it also prints on stderr.
inline std::string JsonError(const std::string& message) {
  return JsonObject().Add("status", "error").Add("error", message).str();
}

// A failure: `prefix` and the message on stderr, with `json` the error
// object on stdout too. Returns `code`, the exit code.
inline int ReportError(const std::string& message, bool json, int code = 1,
                       const std::string& prefix = "") {
  std::cerr << prefix << message << "\n";
  if (json) std::cout << JsonError(message) << "\n";
  return code;
}

}  // namespace cli
