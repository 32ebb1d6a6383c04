// The after-the-fact check of a table's addresses: the division's own row
// rule and old-set opening, each record read whole through the store.
#include "engine/AddressCheck.h"

#include "engine/Common.h"
#include "engine/EngineError.h"
#include "engine/Messages.h"
#include "engine/OldSet.h"
#include "engine/ReadOnlyEnv.h"
#include "engine/RowRule.h"
#include "platform/Cp1250.h"

namespace engine {

namespace {

std::string Trimmed(const std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

}  // namespace

AddressCheckReport CheckAddresses(platform::Env* env, const TDividerInfo& info) {
  ReadOnlyEnv ro(env);
  for (const std::string* f : {&info.TableFile, &info.DataFile}) {
    if (!ro.FileExists(*f)) throw EngineError(kMsgMissingFile + *f);
  }
  const JobPaths p = ResolveJob(&ro, info);
  OldSet set(&ro, false);
  set.OpenFiles(info, p);

  AddressCheckReport report;
  AddressCheckCounts& c = report.counts;
  dbase::Table& table = set.table();
  store::tjxmemo& store = set.store();
  auto unreadable = [&](const std::string& text) {
    ++c.unreadable;
    report.rows.push_back({table.RecNo(), platform::Cp1250ToUtf8(Trimmed(text))});
  };
  platform::Status s = table.First();
  while (s.ok() && !table.Eof()) {
    ++c.rows;
    const std::string text = table.GetText(set.address());
    switch (set.Classify()) {
      case RowKind::kEmpty:
      case RowKind::kZero:
        ++c.empty;
        break;
      case RowKind::kMarker:
        ++c.marker;
        break;
      case RowKind::kNotAddress:
        ++c.with_address;
        unreadable(text);
        break;
      case RowKind::kRecord: {
        ++c.with_address;
        int32_t size = 0, plain_size = 0;
        const uint8_t* data = nullptr;
        // Unpacked, so that a record whose compressed bytes are damaged
        // counts as unreadable too.
        if (store.ReadRecord(size, HexToInt(text), data, true, plain_size)) {
          ++c.readable;
        } else if (store.LastReadFailedBySystem()) {
          throw EngineError(kMsgRead + ("wiersz " + std::to_string(table.RecNo()) + ", ") +
                            store.LastError());
        } else {
          unreadable(text);
        }
        break;
      }
    }
    s = table.Next();
  }
  if (!s.ok()) throw EngineError(kMsgTable + s.message());
  set.Close();
  return report;
}

}  // namespace engine
