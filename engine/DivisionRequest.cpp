// The start action without its window: presets, the Kadmor version check,
// the backup directory threaded through the jobs, the completion message.
#include "engine/DivisionRequest.h"

#include <cstdlib>
#include <limits>
#include <memory>

#include "engine/BackupInfo.h"
#include "engine/Common.h"
#include "engine/DivisionChecks.h"
#include "engine/EngineError.h"
#include "platform/IniFile.h"
#include "platform/Interrupt.h"
#include "platform/Path.h"

namespace engine {

namespace {

const std::vector<PresetPair> kTolmPairs = {
    {"opisy.dbf", "opisy.dat"},
    {"opisyv.dbf", "opisyv.dat"},
    {"dokopisy.dbf", "dokopisy.dat"},
};
const std::vector<PresetPair> kWertalPairs = {
    {"opisy.dbf", "opisy.dat"},
    {"mopisy.dbf", "mopisy.dat"},
};
const std::vector<PresetPair> kKadmorPairs = {
    {"oper_bu/operdok.dbf", "oper_bu/rastry.dan"},   {"oper_pr/operdok.dbf", "oper_pr/rastry.dan"},
    {"oper_prz/operdok.dbf", "oper_prz/rastry.dan"}, {"szkice/operdok.dbf", "szkice/rastry.dan"},
    {"kerg/operdok.dbf", "kerg/rastry.dan"},         {"kerg/roboty.dbf", "kerg/wytycz.dan"},
    {"zud/operdok.dbf", "zud/rastry.dan"},           {"zud/zud.dbf", "zud/opinia.dan"},
};
const std::vector<PresetPair> kNoPairs;

// An integer as the ini reader of the other program writes and reads it:
// optional sign, decimal digits or "$"/"0x" and hexadecimal digits,
// surrounding quotes allowed. Anything else, or a value beyond 32 bits,
// gives the default.
int32_t ParseIniInteger(std::string v, int32_t def) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front()) {
    v = v.substr(1, v.size() - 2);
  }
  size_t i = 0;
  bool negative = false;
  if (i < v.size() && (v[i] == '+' || v[i] == '-')) negative = v[i++] == '-';
  int base = 10;
  if (i < v.size() && v[i] == '$') {
    base = 16;
    ++i;
  } else if (i + 1 < v.size() && v[i] == '0' && (v[i + 1] == 'x' || v[i + 1] == 'X')) {
    base = 16;
    i += 2;
  }
  if (i >= v.size()) return def;
  int64_t value = 0;
  for (; i < v.size(); ++i) {
    const char c = v[i];
    int digit;
    if (c >= '0' && c <= '9') {
      digit = c - '0';
    } else if (base == 16 && c >= 'a' && c <= 'f') {
      digit = c - 'a' + 10;
    } else if (base == 16 && c >= 'A' && c <= 'F') {
      digit = c - 'A' + 10;
    } else {
      return def;
    }
    value = value * base + digit;
    if (value > int64_t{std::numeric_limits<uint32_t>::max()}) return def;
  }
  if (negative) value = -value;
  // Hexadecimal texts name the 32-bit pattern ($FFFFFFFF is -1).
  if (base == 16 && value > std::numeric_limits<int32_t>::max()) {
    value = static_cast<int32_t>(static_cast<uint32_t>(value));
  }
  if (value < std::numeric_limits<int32_t>::min() || value > std::numeric_limits<int32_t>::max()) {
    return def;
  }
  return static_cast<int32_t>(value);
}

}  // namespace

const std::vector<PresetPair>& PresetPairs(int div_type) {
  switch (div_type) {
    case kDivTolm:
      return kTolmPairs;
    case kDivWertal:
      return kWertalPairs;
    case kDivKadmor:
      return kKadmorPairs;
    default:
      return kNoPairs;
  }
}

std::string PresetAddressField(int div_type) {
  switch (div_type) {
    case kDivTolm:
      return "OpisTop";
    case kDivWertal:
      return "Inne";
    case kDivKadmor:
      return "Adres";
    default:
      return std::string();
  }
}

std::string PresetDataName(int div_type) {
  switch (div_type) {
    case kDivTolm:
      return "dane Banku Tolmów";
    case kDivWertal:
      return "dane programu Wertal";
    case kDivKadmor:
      return "dane programu Kadmor";
    default:
      return std::string();
  }
}

bool HasPresetTable(int div_type, const std::string& database_dir, platform::Env* env) {
  const std::string dir = IncludeBackslash(database_dir);
  for (const PresetPair& pair : PresetPairs(div_type)) {
    if (env->FileExists(dir + platform::NativeSeparators(pair.TablePath))) return true;
  }
  return false;
}

KadmorVersion ReadKadmorVersion(const std::string& database_dir, platform::Env* env) {
  KadmorVersion v;
  const std::string path =
      IncludeBackslash(database_dir) + "Admin" + platform::kPathDelim + "kadmor.ini";
  std::string text;
  if (platform::ReadIniString(env, path, "WersjaInne", "Ver1", &text)) {
    v.Ver1 = ParseIniInteger(text, v.Ver1);
  }
  if (platform::ReadIniString(env, path, "WersjaInne", "Ver2", &text)) {
    v.Ver2 = ParseIniInteger(text, v.Ver2);
  }
  return v;
}

bool KadmorNeedsQuestion(const KadmorVersion& v) {
  return v.Ver1 < 1 || (v.Ver1 == 1 && v.Ver2 < 10);
}

DivisionRequest::DivisionRequest(UserDialog* dialog, JobRunner run_job, platform::Env* env)
    : dialog_(dialog), run_job_(std::move(run_job)), env_(env) {}

void DivisionRequest::RunJob(const TDividerInfo& info, std::string& backup_path,
                             RequestResult& result) {
  JobReport report;
  report.info = info;
  const std::string old_dir = backup_path;
  // A skipped job reports nothing, so the path stays as it was.
  std::string used_old_dir = backup_path;
  run_job_(info, old_dir, used_old_dir, report);
  backup_path = used_old_dir;
  report.used_old_dir = used_old_dir;
  // The backup says what it holds, for the list of backups and restore.
  const std::string not_described = RecordBackupJob(env_, report);
  if (!not_described.empty()) report.notes.push_back(not_described);
  report.info.TableFile = ShownPath(env_, info.TableFile);
  report.info.DataFile = ShownPath(env_, info.DataFile);
  result.total += report.counts;
  result.jobs.push_back(report);
  if (on_job_done_) on_job_done_(result.jobs.back());
}

std::string CompletionDetails(const RequestResult& result) {
  std::string out;
  for (const JobReport& j : result.jobs) {
    if (!j.ran) {
      out += "\r\nPominięto (brak tabeli lub pliku opisów): " + j.info.TableFile;
    } else if (j.counts.OldFilesNeeded()) {
      if (j.counts.dropped > 0) {
        out += "\r\nNie skopiowano odwołań: " + std::to_string(j.counts.dropped) + " (tabela " +
               j.info.TableFile + ").";
      }
      if (j.counts.marker_kept > 0) {
        out += "\r\nWiersze ze znacznikiem ID wskazujące stare dane: " +
               std::to_string(j.counts.marker_kept) + " (tabela " + j.info.TableFile +
               "); ich adresy zostały bez zmian i odnoszą się do starych plików.";
      }
      out += "\r\nLista tych wierszy: " + j.dropped_list;
      // Kept although the user chose to delete them: the only copy of
      // what those rows pointed to.
      if (!j.info.KeepOld) out += "\r\nStare pliki zachowano w katalogu: " + j.used_old_dir;
    }
    for (const std::string& n : j.notes) out += "\r\n" + n;
    for (const std::string& w : j.warnings) out += "\r\n" + w;
  }
  return out;
}

namespace {

// What the jobs did besides dividing (repairs of earlier runs among it):
// it stays done whatever becomes of the request.
std::string NotesOf(const std::vector<JobReport>& jobs) {
  std::string out;
  for (const JobReport& j : jobs) {
    for (const std::string& n : j.notes) out += "\n" + n;
  }
  return out;
}

std::string NoPresetFiles(const std::string& dir) {
  std::string msg = kMsgNoPresetFiles;
  msg.replace(msg.find("%s"), 2, dir);
  return msg;
}

// "Nie wypełniono wszystkich pól: Tabela, Nazwa pola".
void CheckFilled(const std::vector<std::pair<const std::string*, const char*>>& entries) {
  std::string empty;
  for (const auto& [text, name] : entries) {
    if (text->empty()) empty += (empty.empty() ? ": " : ", ") + std::string(name);
  }
  if (!empty.empty()) throw EngineError(kMsgFieldsMissing + empty);
}

std::string DescribeCommitted(const std::vector<JobReport>& jobs) {
  std::string out;
  for (const JobReport& j : jobs) {
    out += "\nWcześniej podzielono: " + j.info.TableFile +
           (j.used_old_dir.empty() || (!j.info.KeepOld && !j.counts.OldFilesNeeded())
                ? std::string(" (stare pliki usunięto)")
                : " (stare pliki w " + j.used_old_dir + ")");
  }
  return out;
}

}  // namespace

RequestResult DivisionRequest::Run(const RequestEntries& e) {
  // The request's window goes before any closing message or error box.
  struct EndProgress {
    ProgressDisplayFactory* progress;
    ~EndProgress() { progress->EndRequest(); }
  } end_progress{progress_ ? progress_ : NullProgress()};
  Randomize();
  RequestResult result;
  std::string backup_path;
  std::string backup_root;
  bool keep_old = false;
  TDividerInfo info;
  if (e.DivType == kDivUser) {
    CheckFilled(
        {{&e.DataFN, kEntryDataFile}, {&e.TableFN, kEntryTable}, {&e.FieldName, kEntryField}});
    info.TableFile = e.TableFN;
    info.AddressField = e.FieldName;
    info.DataFile = e.DataFN;
    info.MaxSize = e.Size;
    info.CheckID = e.CheckID;
    info.KeepOld = e.OldToTemp;
    keep_old = e.OldToTemp;
    if (!keep_old && ask_before_deleting_ &&
        dialog_->Ask(kMsgDeleteQuestion, "", kFlagsQuestion) != kAnswerYes) {
      return result;
    }
    end_progress.progress->BeginJob(1, 1, info.TableFile);
    RunJob(info, backup_path, result);
    if (!result.jobs.back().ran) {
      // A repair made before the files were looked for is still reported.
      throw EngineError(kMsgMissingFile +
                        (env_->FileExists(info.TableFile) ? info.DataFile : info.TableFile) +
                        NotesOf(result.jobs));
    }
  } else if (e.DivType >= kDivTolm && e.DivType <= kDivKadmor) {
    CheckFilled({{&e.TolmDir, kEntryDatabase}});
    const std::string database_dir = IncludeBackslash(e.TolmDir);
    info.MaxSize = e.TolmSize;
    info.CheckID = true;
    info.KeepOld = e.TolmTmp;
    keep_old = e.TolmTmp;
    info.AddressField = PresetAddressField(e.DivType);
    const bool asks_version =
        e.DivType == kDivKadmor && KadmorNeedsQuestion(ReadKadmorVersion(database_dir, env_));
    const bool asks_delete = !keep_old && ask_before_deleting_;
    // A question about a folder that holds nothing to divide would be
    // answered for nothing.
    if ((asks_version || asks_delete) && !HasPresetTable(e.DivType, database_dir, env_)) {
      throw EngineError(NoPresetFiles(e.TolmDir));
    }
    if (asks_version && dialog_->Ask(kMsgKadmorQuestion, "", kFlagsQuestion) != kAnswerYes) {
      return result;
    }
    if (asks_delete && dialog_->Ask(kMsgDeleteQuestion, "", kFlagsQuestion) != kAnswerYes) {
      return result;
    }
    if (e.DivType == kDivKadmor) {
      info.CheckID = false;
      backup_root = UniqueName(database_dir + "old", "", env_);
    }
    std::vector<JobReport> committed;
    const std::vector<PresetPair>& pairs = PresetPairs(e.DivType);
    for (const PresetPair& pair : pairs) {
      info.TableFile = database_dir + platform::NativeSeparators(pair.TablePath);
      info.DataFile = database_dir + platform::NativeSeparators(pair.DataPath);
      if (e.DivType == kDivKadmor) {
        const std::string table_path = pair.TablePath;
        backup_path =
            backup_root + platform::kPathDelim + table_path.substr(0, table_path.rfind('/'));
      }
      try {
        if (platform::InterruptRequested()) throw EngineError(kMsgInterrupted);
        end_progress.progress->BeginJob(static_cast<int>(&pair - pairs.data()) + 1,
                                        static_cast<int>(pairs.size()),
                                        platform::NativeSeparators(pair.TablePath));
        RunJob(info, backup_path, result);
      } catch (const EngineError& failed) {
        // The failed job's own notes are in its message; the earlier jobs'
        // are added.
        std::string what = failed.what();
        // A preset's field is missing mostly in a database of another kind.
        if (what.rfind(kMsgNoField, 0) == 0) {
          what += ". Czy katalog na pewno zawiera " + PresetDataName(e.DivType) + "?";
        }
        if (committed.empty()) throw EngineError(what + NotesOf(result.jobs));
        throw RequestError(what + DescribeCommitted(committed) + NotesOf(result.jobs), committed);
      }
      if (result.jobs.back().ran) committed.push_back(result.jobs.back());
    }
    if (committed.empty()) throw EngineError(NoPresetFiles(e.TolmDir) + NotesOf(result.jobs));
  } else {
    throw EngineError("Nieznany rodzaj podziału: " + std::to_string(e.DivType));
  }

  if (e.DivType == kDivKadmor) backup_path = backup_root;
  end_progress.progress->EndRequest();
  result.completed = true;
  result.backup_path = backup_path;
  result.message = keep_old ? std::string(kMsgDoneKept) + backup_path : std::string(kMsgDone);
  result.message += "\r\n" + MsgCounts(result.total.converted, result.total.records_written,
                                       result.total.new_files);
  if (keep_old && !backup_path.empty()) result.message += "\r\n" + MsgUndo(backup_path);
  result.message += CompletionDetails(result);
  std::vector<std::string> lists;
  for (const JobReport& j : result.jobs) {
    if (!j.dropped_list.empty()) lists.push_back(j.dropped_list);
  }
  if (!lists.empty()) {
    dialog_->InformWithLists(result.message, kTitleWarning, kFlagsWarning, lists);
  } else if (result.HasWarnings()) {
    dialog_->Inform(result.message, kTitleWarning, kFlagsWarning);
  } else {
    dialog_->Inform(result.message, kTitleInformation, kFlagsInformation);
  }
  return result;
}

}  // namespace engine
