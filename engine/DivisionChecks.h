// What the division and its dry run check in the same way before anything
// is made, so that a plan fails where the division would and says the
// same. Each check takes the names it prints.
#pragma once

#include <cstdint>
#include <string>

#include "dbase/Table.h"
#include "engine/EngineError.h"
#include "engine/Messages.h"
#include "platform/Env.h"

namespace engine {

// The largest limit whose byte count fits a signed 32-bit value.
inline constexpr int32_t kMaxSizeLimit = 2047;

// A limit outside 0..2047 would wrap when turned into bytes and give some
// other limit than the one asked for (or one of the store's error codes).
void CheckMaxSize(int32_t max_size);

// The table and its description file must be in one directory on disk,
// not in equal strings: /a/Data and /a/data are two. table_shown and
// data_shown are the names the message gives.
void CheckSameDirectory(platform::Env* env, const std::string& table_dir,
                        const std::string& data_file, const std::string& table_shown,
                        const std::string& data_shown);

// A shorter field, or one of another type, could not hold the eight digits
// written into it.
void CheckAddressField(const dbase::FieldDef& def, const std::string& field_shown);

// Opening a table failed: the table engine's own message, or the system's
// reason with the sentence it lacks.
void CheckTableOpen(const platform::Status& s, const std::string& table);

// Refuses a field that holds no addresses: when fewer than half of the
// non-empty values the run would convert are address texts, the user
// picked the wrong field, and converting it would wipe the column. Reads
// the table from its first row; `id` is the "ID" field when rows with the
// marker are skipped, else -1. The first row that is no address is named.
void CheckAddressContent(dbase::Table& table, int address, int id, const std::string& field_shown);

}  // namespace engine
