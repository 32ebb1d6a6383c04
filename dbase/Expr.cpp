// Recursive-descent parser and evaluator for tag expressions. Types and the
// width of character results are fixed at parse time, as dBASE fixes the
// key length when a tag is created.
#include "dbase/Expr.h"

#include <cctype>
#include <charconv>
#include <cstring>

namespace dbase {

namespace {

enum class Kind {
  kField,
  kString,
  kNumber,
  kLogical,
  kConcat,
  kMinus,
  kCall,
  kNot,
  kAnd,
  kOr,
  kCompare
};

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

struct Token {
  char kind = 0;  // I ident, S string, N number, O operator, E end
  std::string text;
};

bool Tokenize(const std::string& s, std::vector<Token>* out, std::string* error) {
  size_t i = 0;
  while (i < s.size()) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    if (std::isspace(c)) {
      ++i;
    } else if (c == '\'' || c == '"' || c == '[') {
      char end = c == '[' ? ']' : static_cast<char>(c);
      size_t j = s.find(end, i + 1);
      if (j == std::string::npos) {
        *error = "niezamknięty napis";
        return false;
      }
      out->push_back({'S', s.substr(i + 1, j - i - 1)});
      i = j + 1;
    } else if (std::isdigit(c)) {
      size_t j = i;
      while (j < s.size() && (std::isdigit(static_cast<unsigned char>(s[j])) || s[j] == '.')) ++j;
      out->push_back({'N', s.substr(i, j - i)});
      i = j;
    } else if (std::isalpha(c) || c == '_') {
      size_t j = i;
      while (j < s.size() && (std::isalnum(static_cast<unsigned char>(s[j])) || s[j] == '_')) ++j;
      out->push_back({'I', Upper(s.substr(i, j - i))});
      i = j;
    } else if (c == '.') {
      size_t j = s.find('.', i + 1);
      if (j == std::string::npos) {
        *error = "nieznany operator";
        return false;
      }
      std::string op = Upper(s.substr(i, j - i + 1));
      if (op != ".NOT." && op != ".AND." && op != ".OR." && op != ".T." && op != ".F.") {
        *error = "nieznany operator " + op;
        return false;
      }
      out->push_back({'O', op});
      i = j + 1;
    } else if (s.compare(i, 2, "->") == 0 || s.compare(i, 2, "<>") == 0 ||
               s.compare(i, 2, "<=") == 0 || s.compare(i, 2, ">=") == 0 ||
               s.compare(i, 2, "==") == 0) {
      out->push_back({'O', s.substr(i, 2)});
      i += 2;
    } else if (std::strchr("+-(),=<>#!", c) != nullptr) {
      out->push_back({'O', std::string(1, static_cast<char>(c))});
      ++i;
    } else {
      *error = std::string("nieznany znak '") + static_cast<char>(c) + "'";
      return false;
    }
  }
  out->push_back({'E', ""});
  return true;
}

}  // namespace

struct Expression::Node {
  Kind kind;
  char type = 'C';
  int width = 0;
  int decimals = 0;
  int field = -1;
  std::string text;  // literal, function name or comparison operator
  std::vector<std::unique_ptr<Node>> args;
};

namespace {

using Node = Expression::Node;
using NodePtr = std::unique_ptr<Node>;

class Parser {
 public:
  Parser(const std::vector<Token>& toks, const std::vector<FieldDef>& fields)
      : toks_(toks), fields_(fields) {}

  NodePtr ParseAll(std::string* error) {
    NodePtr n = Or();
    if (n && toks_[pos_].kind != 'E') Fail("nadmiarowe znaki w wyrażeniu");
    if (!error_.empty()) {
      *error = error_;
      return nullptr;
    }
    return n;
  }

 private:
  const Token& Peek() const { return toks_[pos_]; }
  bool IsOp(const char* op) const { return Peek().kind == 'O' && Peek().text == op; }
  Token Take() {
    Token t = toks_[pos_];
    if (t.kind != 'E') ++pos_;
    return t;
  }
  NodePtr Fail(const std::string& why) {
    if (error_.empty()) error_ = why;
    return nullptr;
  }
  static NodePtr Make(Kind k, char type, int width) {
    auto n = std::make_unique<Node>();
    n->kind = k;
    n->type = type;
    n->width = width;
    return n;
  }

  NodePtr Or() {
    NodePtr a = And();
    while (a && IsOp(".OR.")) {
      Take();
      NodePtr b = And();
      if (!b) return nullptr;
      if (a->type != 'L' || b->type != 'L') return Fail(".OR. wymaga wartości logicznych");
      NodePtr n = Make(Kind::kOr, 'L', 1);
      n->args.push_back(std::move(a));
      n->args.push_back(std::move(b));
      a = std::move(n);
    }
    return a;
  }
  NodePtr And() {
    NodePtr a = Not();
    while (a && IsOp(".AND.")) {
      Take();
      NodePtr b = Not();
      if (!b) return nullptr;
      if (a->type != 'L' || b->type != 'L') return Fail(".AND. wymaga wartości logicznych");
      NodePtr n = Make(Kind::kAnd, 'L', 1);
      n->args.push_back(std::move(a));
      n->args.push_back(std::move(b));
      a = std::move(n);
    }
    return a;
  }
  NodePtr Not() {
    if (IsOp(".NOT.") || IsOp("!")) {
      Take();
      NodePtr a = Not();
      if (!a) return nullptr;
      if (a->type != 'L') return Fail(".NOT. wymaga wartości logicznej");
      NodePtr n = Make(Kind::kNot, 'L', 1);
      n->args.push_back(std::move(a));
      return n;
    }
    return Compare();
  }
  NodePtr Compare() {
    NodePtr a = Sum();
    if (!a) return nullptr;
    static const char* kOps[] = {"=", "==", "<>", "#", "<", ">", "<=", ">="};
    for (const char* op : kOps) {
      if (!IsOp(op)) continue;
      Take();
      NodePtr b = Sum();
      if (!b) return nullptr;
      if (a->type != b->type || a->type == 'L') return Fail("porównanie wartości różnych typów");
      std::string o = op;
      // Ordering of characters depends on the language driver: not ours.
      if (a->type == 'C' && o != "=" && o != "==" && o != "<>" && o != "#")
        return Fail("porównanie napisów operatorem " + o);
      NodePtr n = Make(Kind::kCompare, 'L', 1);
      n->text = o;
      n->args.push_back(std::move(a));
      n->args.push_back(std::move(b));
      return n;
    }
    return a;
  }
  NodePtr Sum() {
    NodePtr a = Atom();
    while (a && (IsOp("+") || IsOp("-"))) {
      bool plus = Take().text == "+";
      NodePtr b = Atom();
      if (!b) return nullptr;
      if (a->type != 'C' || b->type != 'C') return Fail("działania na liczbach i datach");
      NodePtr n = Make(plus ? Kind::kConcat : Kind::kMinus, 'C', a->width + b->width);
      n->args.push_back(std::move(a));
      n->args.push_back(std::move(b));
      a = std::move(n);
    }
    return a;
  }
  bool IntArg(const Node* n, int* v) {
    if (!n || n->kind != Kind::kNumber || n->text.find('.') != std::string::npos) return false;
    auto r = std::from_chars(n->text.data(), n->text.data() + n->text.size(), *v);
    return r.ec == std::errc() && *v >= 0 && *v <= 255;
  }
  NodePtr Atom() {
    Token t = Take();
    if (t.kind == 'S') {
      NodePtr n = Make(Kind::kString, 'C', static_cast<int>(t.text.size()));
      n->text = t.text;
      return n;
    }
    if (t.kind == 'N') {
      NodePtr n = Make(Kind::kNumber, 'N', static_cast<int>(t.text.size()));
      n->text = t.text;
      return n;
    }
    if (t.kind == 'O' && (t.text == ".T." || t.text == ".F.")) {
      NodePtr n = Make(Kind::kLogical, 'L', 1);
      n->text = t.text;
      return n;
    }
    if (t.kind == 'O' && t.text == "(") {
      NodePtr n = Or();
      if (!n) return nullptr;
      if (!IsOp(")")) return Fail("brak nawiasu zamykającego");
      Take();
      return n;
    }
    if (t.kind != 'I') return Fail("niezrozumiałe wyrażenie");
    std::string name = t.text;
    if (IsOp("->")) {  // alias or FIELD prefix
      Take();
      if (Peek().kind != 'I') return Fail("brak nazwy pola po ->");
      name = Take().text;
    } else if (IsOp("(")) {
      Take();
      std::vector<NodePtr> args;
      if (!IsOp(")")) {
        for (;;) {
          NodePtr a = Or();
          if (!a) return nullptr;
          args.push_back(std::move(a));
          if (!IsOp(",")) break;
          Take();
        }
      }
      if (!IsOp(")")) return Fail("brak nawiasu zamykającego");
      Take();
      return Call(name, std::move(args));
    }
    for (size_t i = 0; i < fields_.size(); ++i) {
      if (Upper(fields_[i].name) != name) continue;
      char ft = fields_[i].type;
      char type = ft == 'C'                  ? 'C'
                  : (ft == 'N' || ft == 'F') ? 'N'
                  : ft == 'D'                ? 'D'
                  : ft == 'L'                ? 'L'
                                             : 0;
      if (!type) return Fail("pole " + name + " typu " + std::string(1, ft));
      NodePtr n = Make(Kind::kField, type, fields_[i].length);
      n->field = static_cast<int>(i);
      n->decimals = fields_[i].decimals;
      return n;
    }
    return Fail("nieznane pole " + name);
  }
  NodePtr Call(const std::string& fn, std::vector<NodePtr> args) {
    auto arity = [&](size_t lo, size_t hi) { return args.size() >= lo && args.size() <= hi; };
    auto is = [&](size_t i, char type) { return args.size() > i && args[i]->type == type; };
    NodePtr n;
    if (fn == "UPPER" || fn == "LOWER" || fn == "TRIM" || fn == "RTRIM" || fn == "LTRIM" ||
        fn == "ALLTRIM") {
      if (!arity(1, 1) || !is(0, 'C')) return Fail(fn + " wymaga napisu");
      n = Make(Kind::kCall, 'C', args[0]->width);
    } else if (fn == "SUBSTR") {
      int start = 0, len = 0;
      if (!arity(2, 3) || !is(0, 'C') || !IntArg(args[1].get(), &start) || start < 1 ||
          (args.size() == 3 && !IntArg(args[2].get(), &len)))
        return Fail("SUBSTR wymaga napisu i stałych liczb");
      int w = args[0]->width;
      if (args.size() == 2) len = start <= w ? w - start + 1 : 0;
      n = Make(Kind::kCall, 'C', len);
    } else if (fn == "LEFT" || fn == "RIGHT") {
      int len = 0;
      if (!arity(2, 2) || !is(0, 'C') || !IntArg(args[1].get(), &len))
        return Fail(fn + " wymaga napisu i stałej liczby");
      n = Make(Kind::kCall, 'C', len);
    } else if (fn == "STR") {
      int len = 10, dec = 0;
      if (!arity(1, 3) || !is(0, 'N') || (args.size() > 1 && !IntArg(args[1].get(), &len)) ||
          (args.size() > 2 && !IntArg(args[2].get(), &dec)) || len < 1)
        return Fail("STR wymaga liczby i stałych długości");
      n = Make(Kind::kCall, 'C', len);
      n->decimals = dec;
    } else if (fn == "DTOS") {
      if (!arity(1, 1) || !is(0, 'D')) return Fail("DTOS wymaga daty");
      n = Make(Kind::kCall, 'C', 8);
    } else if (fn == "DELETED") {
      if (!args.empty()) return Fail("DELETED nie przyjmuje argumentów");
      n = Make(Kind::kCall, 'L', 1);
    } else {
      return Fail("nieobsługiwana funkcja " + fn);
    }
    n->text = fn;
    n->args = std::move(args);
    return n;
  }

  const std::vector<Token>& toks_;
  const std::vector<FieldDef>& fields_;
  size_t pos_ = 0;
  std::string error_;
};

std::string TrimRight(const std::string& s) {
  size_t e = s.find_last_not_of(' ');
  return e == std::string::npos ? std::string() : s.substr(0, e + 1);
}
std::string TrimLeft(const std::string& s) {
  size_t b = s.find_first_not_of(' ');
  return b == std::string::npos ? std::string() : s.substr(b);
}

// Decimal text of a numeric field: digits, at most one point, optional
// leading minus. Blank is zero. GCC 12 at -O3 warns of an overlapping copy
// inside the assignment of "0" below that cannot happen (its known false
// -Wrestrict with std::string); the warning is silenced here only.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wrestrict"
#endif
bool ParseNumber(const std::string& raw, Value* v) {
  std::string s = TrimRight(TrimLeft(raw));
  v->type = 'N';
  v->blank = s.empty();
  if (s.empty()) s = "0";
  size_t i = s[0] == '-' ? 1 : 0;
  bool digit = false, point = false;
  for (size_t j = i; j < s.size(); ++j) {
    if (std::isdigit(static_cast<unsigned char>(s[j]))) {
      digit = true;
    } else if (s[j] == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  if (!digit) return false;
  v->text = s;
  auto r = std::from_chars(s.data(), s.data() + s.size(), v->number);
  return r.ec == std::errc();
}
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif

bool Eval(const Node& n, const std::vector<FieldDef>& fields, const uint8_t* rec, Value* out) {
  switch (n.kind) {
    case Kind::kField: {
      const FieldDef& f = fields[n.field];
      std::string raw(reinterpret_cast<const char*>(rec) + 1 + f.offset, f.length);
      if (n.type == 'C') {
        out->type = 'C';
        out->text = raw;
        return true;
      }
      if (n.type == 'N') return ParseNumber(raw, out);
      if (n.type == 'D') {
        out->type = 'D';
        out->text = raw;
        if (TrimRight(raw).empty()) {
          out->blank = true;
          out->julian = 0;
          return true;
        }
        int y = 0, m = 0, d = 0;
        if (std::from_chars(raw.data(), raw.data() + 4, y).ec != std::errc() ||
            std::from_chars(raw.data() + 4, raw.data() + 6, m).ec != std::errc() ||
            std::from_chars(raw.data() + 6, raw.data() + 8, d).ec != std::errc())
          return false;
        out->blank = false;
        return DateToJulian(y, m, d, &out->julian);
      }
      out->type = 'L';
      out->logical = raw == "T" || raw == "t" || raw == "Y" || raw == "y";
      return true;
    }
    case Kind::kString:
      out->type = 'C';
      out->text = n.text;
      return true;
    case Kind::kNumber:
      return ParseNumber(n.text, out);
    case Kind::kLogical:
      out->type = 'L';
      out->logical = n.text == ".T.";
      return true;
    case Kind::kConcat:
    case Kind::kMinus: {
      Value a, b;
      if (!Eval(*n.args[0], fields, rec, &a) || !Eval(*n.args[1], fields, rec, &b)) return false;
      out->type = 'C';
      if (n.kind == Kind::kConcat) {
        out->text = a.text + b.text;
      } else {  // a's trailing blanks move to the end
        std::string t = TrimRight(a.text);
        out->text = t + b.text + std::string(a.text.size() - t.size(), ' ');
      }
      return true;
    }
    case Kind::kNot: {
      Value a;
      if (!Eval(*n.args[0], fields, rec, &a)) return false;
      out->type = 'L';
      out->logical = !a.logical;
      return true;
    }
    case Kind::kAnd:
    case Kind::kOr: {
      Value a, b;
      if (!Eval(*n.args[0], fields, rec, &a) || !Eval(*n.args[1], fields, rec, &b)) return false;
      out->type = 'L';
      out->logical = n.kind == Kind::kAnd ? (a.logical && b.logical) : (a.logical || b.logical);
      return true;
    }
    case Kind::kCompare: {
      Value a, b;
      if (!Eval(*n.args[0], fields, rec, &a) || !Eval(*n.args[1], fields, rec, &b)) return false;
      int c = 0;
      bool eq;
      if (a.type == 'C') {
        // "=" compares as dBASE does without SET EXACT: the left side only
        // up to the length of the right one.
        if (n.text == "==")
          eq = TrimRight(a.text) == TrimRight(b.text);
        else
          eq = b.text.size() <= a.text.size() && a.text.compare(0, b.text.size(), b.text) == 0;
      } else {
        double x = a.type == 'N' ? a.number : a.julian, y = b.type == 'N' ? b.number : b.julian;
        c = x < y ? -1 : x > y ? 1 : 0;
        eq = c == 0;
      }
      const std::string& o = n.text;
      out->type = 'L';
      out->logical = (o == "=" || o == "==")   ? eq
                     : (o == "<>" || o == "#") ? !eq
                     : o == "<"                ? c < 0
                     : o == ">"                ? c > 0
                     : o == "<="               ? c <= 0
                                               : c >= 0;
      return true;
    }
    case Kind::kCall:
      break;
  }
  const std::string& fn = n.text;
  out->type = n.type;
  if (fn == "DELETED") {
    out->logical = rec[0] == '*';
    return true;
  }
  Value a;
  if (!Eval(*n.args[0], fields, rec, &a)) return false;
  if (fn == "UPPER" || fn == "LOWER") {
    for (char& ch : a.text) {
      unsigned char u = static_cast<unsigned char>(ch);
      if (u > 0x7F) return false;  // case mapping of the code page: not ours
      ch = static_cast<char>(fn == "UPPER" ? std::toupper(u) : std::tolower(u));
    }
    out->text = a.text;
  } else if (fn == "TRIM" || fn == "RTRIM") {
    out->text = TrimRight(a.text);
  } else if (fn == "LTRIM") {
    out->text = TrimLeft(a.text);
  } else if (fn == "ALLTRIM") {
    out->text = TrimLeft(TrimRight(a.text));
  } else if (fn == "SUBSTR" || fn == "LEFT" || fn == "RIGHT") {
    size_t len = static_cast<size_t>(n.width);
    size_t start = 0;
    if (fn == "SUBSTR") {
      start = static_cast<size_t>(std::stoi(n.args[1]->text)) - 1;
    } else if (fn == "RIGHT") {
      start = a.text.size() > len ? a.text.size() - len : 0;
    }
    out->text = start < a.text.size() ? a.text.substr(start, len) : std::string();
    if (fn == "SUBSTR") out->text.resize(len, ' ');
  } else if (fn == "STR") {
    // Only values that need no rounding: STR's rounding rule is not ours.
    size_t point = a.text.find('.');
    size_t decs = point == std::string::npos ? 0 : a.text.size() - point - 1;
    if (static_cast<int>(decs) > n.decimals) {
      std::string extra = a.text.substr(point + 1 + n.decimals);
      if (extra.find_first_not_of('0') != std::string::npos) return false;
    }
    char buf[64];
    auto r = std::to_chars(buf, buf + sizeof buf, a.number, std::chars_format::fixed, n.decimals);
    if (r.ec != std::errc()) return false;
    std::string s(buf, r.ptr);
    if (s == "-0" || s.rfind("-0.", 0) == 0) {
      if (s.find_first_not_of("-0.") == std::string::npos) s.erase(0, 1);
    }
    size_t w = static_cast<size_t>(n.width);
    out->text = s.size() > w ? std::string(w, '*') : std::string(w - s.size(), ' ') + s;
  } else if (fn == "DTOS") {
    out->text = a.blank ? std::string(8, ' ') : a.text;
  } else {
    return false;
  }
  return true;
}

bool Uses(const Node& n, int field) {
  if (n.kind == Kind::kField && n.field == field) return true;
  for (const auto& a : n.args)
    if (Uses(*a, field)) return true;
  return false;
}

}  // namespace

bool DateToJulian(int y, int m, int d, double* julian) {
  static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  if (y < 1 || y > 9999 || m < 1 || m > 12 || d < 1) return false;
  bool leap = (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
  if (d > kDays[m - 1] + (m == 2 && leap ? 1 : 0)) return false;
  // Proleptic Gregorian calendar, Fliegel and Van Flandern.
  long a = (14 - m) / 12, yy = y + 4800 - a, mm = m + 12 * a - 3;
  long jdn = d + (153 * mm + 2) / 5 + 365 * yy + yy / 4 - yy / 100 + yy / 400 - 32045;
  *julian = static_cast<double>(jdn);
  return true;
}

Expression::Expression() = default;
Expression::~Expression() = default;
Expression::Expression(Expression&&) noexcept = default;
Expression& Expression::operator=(Expression&&) noexcept = default;

bool Expression::Parse(const std::string& text, const std::vector<FieldDef>& fields,
                       std::string* error) {
  std::vector<Token> toks;
  root_.reset();
  fields_ = fields;
  if (!Tokenize(text, &toks, error)) return false;
  Parser p(toks, fields_);
  root_ = p.ParseAll(error);
  return root_ != nullptr;
}

char Expression::Type() const {
  return root_ ? root_->type : 0;
}
int Expression::Width() const {
  return root_ ? root_->width : 0;
}
bool Expression::UsesField(int field) const {
  return root_ && Uses(*root_, field);
}
int Expression::SingleField() const {
  return root_ && root_->kind == Kind::kField ? root_->field : -1;
}
bool Expression::IsSingleField() const {
  return root_ && root_->kind == Kind::kField;
}

bool Expression::Evaluate(const uint8_t* record, Value* out) const {
  *out = Value();
  return root_ && Eval(*root_, fields_, record, out);
}

}  // namespace dbase
