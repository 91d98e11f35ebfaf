#include "tolvar/sim/dataset_database.h"

#include <pwd.h>
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <system_error>

#include "platform/com/text.h"
#include "tolvar/sim/item_values.h"

namespace tolvar::sim {

using platform::com::ByteArray;
using platform::com::Variant;
using platform::com::VarType;

namespace {

constexpr const char* kApplication = "velumor-datasets";
constexpr int kSchemaVersion = 1;

// Every failure of a database operation: the text says which set, which file and why.
Status failed(std::string text) {
  return Status::fail(Reason::Database, std::move(text));
}

// Why an SQLite call failed, in the words a user can act on.
std::string reason(int code, sqlite3* db) {
  switch (code & 0xFF) {
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
      return "the database is locked by another program; try again when it has finished";
    case SQLITE_NOTADB:
    case SQLITE_CORRUPT:
      return "the file is damaged or is not a data-set database";
    case SQLITE_READONLY:
    case SQLITE_PERM:
      return "the file cannot be written (it is read-only)";
    case SQLITE_CANTOPEN:
      return "the file cannot be opened (the folder is missing or not accessible)";
    case SQLITE_FULL:
      return "the disk is full";
    case SQLITE_IOERR:
      return "the file could not be read or written (input/output error)";
    default:
      return db ? sqlite3_errmsg(db) : sqlite3_errstr(code);
  }
}

class Connection {
 public:
  Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;
  ~Connection() {
    if (db_) sqlite3_close_v2(db_);
  }
  // Reading opens the file for writing too, where it may be written: a save that a crash
  // interrupted left a journal that only a writer can roll back, and until it is rolled back
  // nothing can be read. A file that cannot be written is opened read-only.
  Status open(const std::filesystem::path& path, bool write, int busyMs) {
    const int flags = write ? SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE : SQLITE_OPEN_READWRITE;
    const int rc = sqlite3_open_v2(path.c_str(), &db_, flags, nullptr);
    if (rc != SQLITE_OK) {
      sqlite3_close_v2(db_);
      db_ = nullptr;
      return failed(reason(rc, nullptr));
    }
    sqlite3_busy_timeout(db_, busyMs);
    sqlite3_extended_result_codes(db_, 1);
    return {};
  }
  sqlite3* db() const { return db_; }
  int exec(const char* sql) { return sqlite3_exec(db_, sql, nullptr, nullptr, nullptr); }

 private:
  sqlite3* db_ = nullptr;
};

class Statement {
 public:
  Statement(sqlite3* db, const char* sql) { rc_ = sqlite3_prepare_v2(db, sql, -1, &stmt_, nullptr); }
  ~Statement() { sqlite3_finalize(stmt_); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  int prepared() const { return rc_; }
  sqlite3_stmt* get() const { return stmt_; }
  int step() { return sqlite3_step(stmt_); }
  void reset() {
    sqlite3_reset(stmt_);
    sqlite3_clear_bindings(stmt_);
  }

 private:
  sqlite3_stmt* stmt_ = nullptr;
  int rc_ = SQLITE_OK;
};

// One step of an operation: done, or why SQLite failed. The words are taken at once: a
// rollback after it would replace the connection's message with "not an error".
Status sql(int rc, sqlite3* db, int ok = SQLITE_OK) {
  if (rc == ok) return {};
  return failed(reason(rc, db));
}

// Whether the file holds tables although none of them says it is ours: another program's
// database, which a save must leave untouched.
Result<bool> isForeign(sqlite3* db) {
  Statement st(db,
               "SELECT (SELECT count(*) FROM sqlite_schema),"
               " (SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = 'velumor_meta')");
  if (Status s = sql(st.prepared(), db); !s) return s;
  if (Status s = sql(st.step(), db, SQLITE_ROW); !s) return s;
  return sqlite3_column_int64(st.get(), 0) > 0 && sqlite3_column_int64(st.get(), 1) == 0;
}

// Creates the tables in an empty file and makes sure a file that has them is ours.
Status ensureSchema(sqlite3* db) {
  return sql(
      sqlite3_exec(db,
                   "CREATE TABLE IF NOT EXISTS velumor_meta (key TEXT PRIMARY KEY, value TEXT NOT NULL);"
                   "CREATE TABLE IF NOT EXISTS rowsets (id INTEGER PRIMARY KEY AUTOINCREMENT);"
                   "CREATE TABLE IF NOT EXISTS datasets (name TEXT PRIMARY KEY COLLATE NOCASE, device TEXT,"
                   " saved_at TEXT NOT NULL, rowset INTEGER NOT NULL);"
                   "CREATE TABLE IF NOT EXISTS dataset_items (rowset INTEGER NOT NULL, name TEXT NOT NULL,"
                   " kind TEXT NOT NULL, lower_bound INTEGER NOT NULL DEFAULT 0, value,"
                   " PRIMARY KEY (rowset, name));"
                   "INSERT OR IGNORE INTO velumor_meta VALUES ('application', 'velumor-datasets');"
                   "INSERT OR IGNORE INTO velumor_meta VALUES ('schema', '1');",
                   nullptr, nullptr, nullptr),
      db);
}

// Whether the file holds our tables: NotFound for a file without tables, a Database failure
// for a foreign file.
Status isOurs(sqlite3* db) {
  Statement st(db, "SELECT value FROM velumor_meta WHERE key = 'application'");
  if (const int rc = st.prepared(); rc != SQLITE_OK) {
    if ((rc & 0xFF) == SQLITE_ERROR)
      return Status::fail(Reason::NotFound, "no data set has been saved there yet");
    return failed(reason(rc, db));
  }
  const int rc = st.step();
  if (rc != SQLITE_ROW)
    return failed(rc == SQLITE_DONE ? "the file is not a data-set database" : reason(rc, db));
  const auto* app = reinterpret_cast<const char*>(sqlite3_column_text(st.get(), 0));
  if (!app || std::string(app) != kApplication) return failed("the file is not a data-set database");
  return {};
}

void bindValue(sqlite3_stmt* st, const Variant& v, int kindCol, int lbCol, int valueCol) {
  auto text = [&](int col, const std::string& s) {
    sqlite3_bind_text(st, col, s.data(), static_cast<int>(s.size()), SQLITE_TRANSIENT);
  };
  switch (v.type()) {
    case VarType::Empty:
    case VarType::Null:
      text(kindCol, "empty");
      sqlite3_bind_null(st, valueCol);
      break;
    case VarType::Boolean:
      text(kindCol, "bool");
      sqlite3_bind_int(st, valueCol, v.toBool() ? 1 : 0);
      break;
    case VarType::String:
      // Texts may hold NUL characters; they are stored whole.
      text(kindCol, "text");
      text(valueCol, v.toString());
      break;
    case VarType::ByteArray: {
      const ByteArray& a = v.byteArray();
      text(kindCol, "bytes");
      sqlite3_bind_int(st, lbCol, a.lowerBound);
      sqlite3_bind_blob(st, valueCol, a.data.data(), static_cast<int>(a.data.size()), SQLITE_TRANSIENT);
      break;
    }
    default:
      text(kindCol, "number");
      sqlite3_bind_double(st, valueCol, v.toDouble());
      break;
  }
}

// What is wrong with an entry of a set, said after its name.
Status damaged(std::string what) {
  return Status::fail(Reason::BadFile, std::move(what));
}

// Reads one entry. An entry whose value does not hold what its kind says was changed by
// something else than a save; it must not load as a plausible value (text as 0, 1e999 as
// infinity), so it says why it is damaged instead.
Result<Variant> readValue(sqlite3_stmt* st, int kindCol, int lbCol, int valueCol) {
  const auto* k = reinterpret_cast<const char*>(sqlite3_column_text(st, kindCol));
  const std::string kind = k ? k : "";
  const int type = sqlite3_column_type(st, valueCol);
  if (kind == "empty") {
    if (type != SQLITE_NULL) return damaged("holds a value although it is empty");
    return Variant();
  }
  if (kind == "bool") {
    const sqlite3_int64 b = sqlite3_column_int64(st, valueCol);
    if (type != SQLITE_INTEGER || (b != 0 && b != 1)) return damaged("does not hold a Boolean");
    return Variant(b != 0);
  }
  if (kind == "number") {
    if (type != SQLITE_FLOAT && type != SQLITE_INTEGER) return damaged("does not hold a number");
    const double d = sqlite3_column_double(st, valueCol);
    if (!std::isfinite(d)) return damaged("does not hold a finite number");
    return Variant(d);
  }
  if (kind == "text") {
    if (type != SQLITE_TEXT) return damaged("does not hold a text");
    const auto* p = reinterpret_cast<const char*>(sqlite3_column_text(st, valueCol));
    const int n = sqlite3_column_bytes(st, valueCol);
    return Variant(std::string(p ? p : "", static_cast<size_t>(n)));
  }
  if (kind == "bytes") {
    // No octets are stored as NULL.
    if (type != SQLITE_BLOB && type != SQLITE_NULL) return damaged("does not hold octets");
    const sqlite3_int64 lb = sqlite3_column_int64(st, lbCol);
    if (sqlite3_column_type(st, lbCol) != SQLITE_INTEGER || lb < INT32_MIN || lb > INT32_MAX)
      return damaged("has a lower bound that is not a whole number");
    const auto* p = static_cast<const uint8_t*>(sqlite3_column_blob(st, valueCol));
    const int n = sqlite3_column_bytes(st, valueCol);
    ByteArray a;
    a.lowerBound = static_cast<int32_t>(lb);
    if (p && n > 0) a.data.assign(p, p + n);
    return Variant(std::move(a));
  }
  return damaged("has an unknown kind \"" + kind + "\"");
}

// Whether an entry can be the value of its item, else why not. An edited file must not hand
// the device a choice it lacks, a float it cannot hold or a tag of a megabyte.
Status fits(const dd::DeviceData& data, const dd::VariableDef& def, const Variant& v) {
  using dd::ValueType;
  switch (def.type) {
    case ValueType::Bool:
      if (v.type() == VarType::Boolean) return {};
      return damaged("does not hold a Boolean, as its item does");
    case ValueType::Float:
    case ValueType::Double:
    case ValueType::Int:
    case ValueType::Enum:
    case ValueType::BitEnum:
      if (!v.isNumeric() || v.type() == VarType::Boolean)
        return damaged("does not hold a number, as its item does");
      if (const Result<Variant> given = valueFromUserNumber(data, def, v.toDouble()); !given)
        return damaged("does not fit its item (" + given.text() + ")");
      return {};
    case ValueType::String:
    case ValueType::PackedAscii:
    case ValueType::Date: {
      if (v.type() != VarType::String) return damaged("does not hold a text, as its item does");
      const std::string& text = v.toString();
      // The length first, so that the reason never quotes a text of any size.
      if (def.length > 0 && platform::com::codePointCount(text) > static_cast<size_t>(def.length))
        return damaged("is longer than the " + std::to_string(def.length) + " characters its item holds");
      if (def.type == ValueType::Date && text.size() > 10) return damaged("does not hold a date");
      if (def.type == ValueType::String) return {};
      if (const Result<Variant> given = valueFromUserText(data, def, text); !given)
        return damaged("does not fit its item (" + given.text() + ")");
      return {};
    }
    case ValueType::Bytes: {
      if (v.type() != VarType::ByteArray) return damaged("does not hold octets, as its item does");
      const ByteArray& a = v.byteArray();
      if (def.octets > 0 && a.data.size() != static_cast<size_t>(def.octets))
        return damaged("holds " + std::to_string(a.data.size()) + " octets, its item " +
                       std::to_string(def.octets));
      if (a.lowerBound != def.firstOctet)
        return damaged("starts at octet " + std::to_string(a.lowerBound) + ", its item at " +
                       std::to_string(def.firstOctet));
      return {};
    }
  }
  return damaged("has an item of an unknown type");
}

std::string where(const std::filesystem::path& path) {
  return "\"" + path.string() + "\"";
}

}  // namespace

std::filesystem::path DataSetDatabase::defaultPath() {
  if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && *xdg)
    return std::filesystem::path(xdg) / "velumor" / "datasets.sqlite";
  // Without HOME (a service, `env -i`) the user's home comes from the password database, as
  // for the registry: data sets must not land in whatever folder the host was started from.
  std::string home;
  if (const char* h = std::getenv("HOME"); h && *h) home = h;
  if (home.empty())
    if (const passwd* pw = ::getpwuid(::getuid()); pw && pw->pw_dir) home = pw->pw_dir;
  if (home.empty()) home = ".";
  return std::filesystem::path(home) / ".local" / "share" / "velumor" / "datasets.sqlite";
}

DataSetDatabase::DataSetDatabase(std::filesystem::path path) : path_(std::move(path)) {}

namespace {

// The rows of a save inside its transaction: the items under a new row set, then the name
// pointed at it; the old rows go only once that is settled.
Status writeRows(sqlite3* db, const std::string& setName, const std::string& device,
                 const DataSetDatabase::Items& items) {
  if (Status s = sql(sqlite3_exec(db, "INSERT INTO rowsets DEFAULT VALUES", nullptr, nullptr, nullptr), db);
      !s)
    return s;
  const sqlite3_int64 rowset = sqlite3_last_insert_rowid(db);
  {
    Statement ins(
        db, "INSERT INTO dataset_items (rowset, name, kind, lower_bound, value) VALUES (?, ?, ?, ?, ?)");
    if (Status s = sql(ins.prepared(), db); !s) return s;
    for (const auto& [name, value] : items) {
      sqlite3_bind_int64(ins.get(), 1, rowset);
      sqlite3_bind_text(ins.get(), 2, name.data(), static_cast<int>(name.size()), SQLITE_TRANSIENT);
      sqlite3_bind_int(ins.get(), 4, 0);
      bindValue(ins.get(), value, 3, 4, 5);
      if (Status s = sql(ins.step(), db, SQLITE_DONE); !s) return s;
      ins.reset();
    }
  }
  sqlite3_int64 old = -1;
  {
    Statement sel(db, "SELECT rowset FROM datasets WHERE name = ?");
    if (Status s = sql(sel.prepared(), db); !s) return s;
    sqlite3_bind_text(sel.get(), 1, setName.data(), static_cast<int>(setName.size()), SQLITE_TRANSIENT);
    const int rc = sel.step();
    if (rc == SQLITE_ROW)
      old = sqlite3_column_int64(sel.get(), 0);
    else if (Status s = sql(rc, db, SQLITE_DONE); !s)
      return s;
  }
  {
    Statement put(db,
                  "INSERT INTO datasets (name, device, saved_at, rowset) VALUES (?, ?, datetime('now'), ?)"
                  " ON CONFLICT(name) DO UPDATE SET device = excluded.device, saved_at = excluded.saved_at,"
                  " rowset = excluded.rowset");
    if (Status s = sql(put.prepared(), db); !s) return s;
    sqlite3_bind_text(put.get(), 1, setName.data(), static_cast<int>(setName.size()), SQLITE_TRANSIENT);
    sqlite3_bind_text(put.get(), 2, device.data(), static_cast<int>(device.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int64(put.get(), 3, rowset);
    if (Status s = sql(put.step(), db, SQLITE_DONE); !s) return s;
  }
  if (old < 0) return {};
  for (const char* del : {"DELETE FROM dataset_items WHERE rowset = ?", "DELETE FROM rowsets WHERE id = ?"}) {
    Statement st(db, del);
    if (Status s = sql(st.prepared(), db); !s) return s;
    sqlite3_bind_int64(st.get(), 1, old);
    if (Status s = sql(st.step(), db, SQLITE_DONE); !s) return s;
  }
  return {};
}

// The entries of the set, read in the load's transaction; a damaged entry names itself.
Result<DataSetDatabase::Items> readRows(sqlite3* db, const std::string& setName,
                                        const dd::DeviceData* description) {
  Statement sel(db,
                "SELECT i.name, i.kind, i.lower_bound, i.value FROM datasets d"
                " JOIN dataset_items i ON i.rowset = d.rowset WHERE d.name = ? ORDER BY i.name");
  if (Status s = sql(sel.prepared(), db); !s) return s;
  sqlite3_bind_text(sel.get(), 1, setName.data(), static_cast<int>(setName.size()), SQLITE_TRANSIENT);
  DataSetDatabase::Items items;
  for (;;) {
    const int rc = sel.step();
    if (rc == SQLITE_DONE) break;
    if (Status s = sql(rc, db, SQLITE_ROW); !s) return s;
    const auto* n = reinterpret_cast<const char*>(sqlite3_column_text(sel.get(), 0));
    Result<Variant> v = n ? readValue(sel.get(), 1, 2, 3) : damaged("has no name");
    Status entry = v.error();
    if (entry && description)
      if (const dd::VariableDef* def = description->findVariable(n)) entry = fits(*description, *def, *v);
    if (!entry)
      return damaged("the set is damaged: the entry \"" + std::string(n ? n : "") + "\" " + entry.text() +
                     "; nothing of the set was loaded");
    items.emplace_back(n, std::move(v).value());
  }
  return items;
}

}  // namespace

Status DataSetDatabase::save(const std::string& setName, const std::string& device, const Items& items) {
  const std::string what = "The data set \"" + setName + "\" could not be saved to " + where(path_) + ": ";
  const std::string tail = ". Nothing stored there was changed.";
  std::error_code ec;
  if (path_.has_parent_path()) std::filesystem::create_directories(path_.parent_path(), ec);
  if (ec) {
    return failed(what + "the folder cannot be created (" + ec.message() + ")" + tail);
  }
  if (std::filesystem::is_directory(path_, ec)) {
    return failed(what + "it is a folder, not a file" + tail);
  }
  Connection c;
  if (const Status opened = c.open(path_, true, busyTimeoutMs_); !opened)
    return failed(what + opened.text() + tail);
  sqlite3* db = c.db();
  // Takes the write lock first, so the schema check and the writes see one state of the file.
  if (const Status begun = sql(c.exec("BEGIN IMMEDIATE"), db); !begun)
    return failed(what + begun.text() + tail);
  const Result<bool> foreign = isForeign(db);
  Status done = foreign.error();
  if (done && *foreign) done = failed("the file is another program's database, not a data-set database");
  if (done) done = ensureSchema(db);
  if (done) done = isOurs(db);
  if (done) done = writeRows(db, setName, device, items);
  if (done) done = sql(c.exec("COMMIT"), db);
  if (!done) {
    c.exec("ROLLBACK");
    return failed(what + done.text() + tail);
  }
  return {};
}

Result<DataSetDatabase::Items> DataSetDatabase::load(const std::string& setName,
                                                     const dd::DeviceData* description) {
  const std::string what = "The data set \"" + setName + "\" could not be loaded from " + where(path_) + ": ";
  std::error_code ec;
  if (!std::filesystem::exists(path_, ec)) {
    return failed(what + "the file does not exist (no data set has been saved yet)");
  }
  Connection c;
  if (const Status opened = c.open(path_, false, busyTimeoutMs_); !opened)
    return failed(what + opened.text());
  sqlite3* db = c.db();
  // One read transaction: the set is read as one state of the file.
  if (const Status begun = sql(c.exec("BEGIN"), db); !begun) return failed(what + begun.text());
  const Status ours = isOurs(db);
  Result<Items> items = ours ? readRows(db, setName, description) : ours;
  if (!items) {
    c.exec("ROLLBACK");
    return failed(what + items.text());
  }
  c.exec("COMMIT");
  if (items->empty()) {
    // A name whose entries are all gone has nothing to load either; the two are told apart.
    const auto found = exists(setName);
    if (!found) return found.error();
    return Status::fail(Reason::NotFound, what + (found.value() ? "the set holds no entries"
                                                                : "there is no data set of that name"));
  }
  return items;
}

Result<std::vector<std::string>> DataSetDatabase::list() {
  std::vector<std::string> names;
  std::error_code ec;
  if (!std::filesystem::exists(path_, ec)) return names;  // nothing saved yet
  Connection c;
  const std::string what = "The data sets in " + where(path_) + " could not be listed: ";
  if (const Status opened = c.open(path_, false, busyTimeoutMs_); !opened)
    return failed(what + opened.text());
  if (const Status ours = isOurs(c.db()); !ours) {
    if (ours.reason() == Reason::NotFound) return names;
    return failed(what + ours.text());
  }
  Statement sel(c.db(), "SELECT name FROM datasets ORDER BY name COLLATE NOCASE");
  if (sel.prepared() != SQLITE_OK) {
    return failed(what + reason(sel.prepared(), c.db()));
  }
  for (;;) {
    const int rc = sel.step();
    if (rc == SQLITE_DONE) break;
    if (rc != SQLITE_ROW) {
      return failed(what + reason(rc, c.db()));
    }
    const auto* n = reinterpret_cast<const char*>(sqlite3_column_text(sel.get(), 0));
    if (n) names.emplace_back(n);
  }
  return names;
}

Result<bool> DataSetDatabase::exists(const std::string& setName) {
  bool found = false;
  auto names = list();
  if (!names) return names.error();
  for (const auto& n : names.value()) {
    if (n.size() == setName.size() && std::equal(n.begin(), n.end(), setName.begin(), [](char a, char b) {
          return std::tolower(a) == std::tolower(b);
        }))
      found = true;
  }
  return found;
}

}  // namespace tolvar::sim
