// A dBASE table (.dbf with its .mdx production index and .dbt memo file),
// as the division engine and the main window use it: open, look fields up,
// walk rows in physical order, read and set character fields as text, post.
// Errors come back as a Status whose message is a Polish sentence meant for
// the user; nothing throws.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Env.h"

namespace dbase {

struct FieldDef {
  std::string name;  // as stored (upper case in dBASE files)
  char type = 'C';   // C N F D L M B G ...
  int length = 0;
  int decimals = 0;
  int offset = 0;  // byte offset in the record, after the deletion flag
};

// A tag of the table's production index, as listed by `fields`.
struct IndexTagInfo {
  std::string name;
  std::string expression;
  std::string filter;  // FOR condition, empty for none
  char key_type = 'C';
  bool unique = false;
  bool descending = false;
};

class Table {
 public:
  explicit Table(platform::Env* env = platform::Env::Default());
  ~Table();  // closes without throwing; a failure to close is lost
  Table(const Table&) = delete;
  Table& operator=(const Table&) = delete;

  // Where the table lives: a directory and the .dbf file name in it.
  void SetDatabaseName(const std::string& dir);
  void SetTableName(const std::string& file_name);
  // Exclusive use: nobody else may open the table, its index or its memo
  // file meanwhile. Without writable fields that is a hold: the files are
  // opened read-only, so a table whose files are read-only can be held.
  void SetExclusive(bool exclusive);
  // Fields the caller will set. Must be given before Open; an empty list
  // opens for reading only. Index tags whose key or filter uses one of them
  // are kept in step; if any such tag cannot be reproduced exactly, Open
  // fails before anything changes.
  void SetWritableFields(std::vector<std::string> names);

  // For a table opened for reading only: a production index that cannot
  // be found or read does not fail the open; IndexProblem() then says why
  // and the table has no index tags. Used where only the fields matter.
  void SetIndexOptional(bool optional);

  platform::Status Open();
  // Writes what is still held, updates the header's date when rows were
  // posted (and rebuilds the index tags they changed), releases the locks.
  // The files are handed to the system, not synced to the disk: a caller
  // that needs them there (the division, before its commit) syncs them.
  // Safe to call twice.
  platform::Status Close();
  bool Active() const;
  // Copies the table's files (the .dbf, and the .mdx and .dbt it holds)
  // into dir under their own names, reading through this table's handles:
  // the only way to read a held table. Targets must not exist.
  platform::Status CopyFilesTo(const std::string& dir);

  // Index of the field named `name`, letter case ignored; -1 if none.
  int FindField(const std::string& name) const;
  std::vector<std::string> FieldNames() const;
  const std::vector<FieldDef>& Fields() const;

  // The .dbf version byte, and the companions that belong to the table
  // (empty when none).
  uint8_t Version() const;
  const std::string& MdxPath() const;
  const std::string& DbtPath() const;
  std::vector<IndexTagInfo> IndexTags() const;
  // Why the production index was left unread (see SetIndexOptional);
  // empty when it was read or there is none.
  const std::string& IndexProblem() const;

  // The header's record count, deleted rows included.
  uint32_t RecordCount() const;

  // Cursor over rows in physical order, deleted rows included.
  platform::Status First();
  bool Eof() const;
  platform::Status Next();
  // Moves to row `recno` (1-based); beyond the last row is the end.
  platform::Status GoTo(uint32_t recno);
  uint32_t RecNo() const;  // 1-based
  bool Deleted() const;

  // Text of a field of the current row: a character field's bytes exactly
  // as stored, without the trailing blanks that pad it.
  std::string GetText(int field) const;
  // Edit mode for the current row, then SetText, then Post to write it.
  platform::Status Edit();
  // Fails when the text is longer than the field (never cut silently).
  platform::Status SetText(int field, const std::string& text);
  platform::Status Post();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace dbase
