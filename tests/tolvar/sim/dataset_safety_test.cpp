// Data sets against what happens to a file outside a save: a crash in the middle of one,
// another program's database, entries changed by hand, a user without HOME.
#include <gtest/gtest.h>
#include <pwd.h>
#include <signal.h>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>
#include <iterator>
#include <random>

#include "sim_test_support.h"
#include "tolvar/sim/dataset_database.h"

namespace simtest {
namespace {

using tolvar::sim::DataSetDatabase;
using tolvar::sim::kStatusDatabase;

std::string fileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// Runs SQL on a database as another program would; returns the first column of the last row.
std::string sql(const std::filesystem::path& path, const std::string& text) {
  sqlite3* db = nullptr;
  EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
  std::string last;
  auto cb = [](void* out, int n, char** values, char**) {
    *static_cast<std::string*>(out) = n > 0 && values[0] ? values[0] : "";
    return 0;
  };
  char* err = nullptr;
  EXPECT_EQ(sqlite3_exec(db, text.c_str(), cb, &last, &err), SQLITE_OK) << (err ? err : "") << " in " << text;
  sqlite3_free(err);
  sqlite3_close(db);
  return last;
}

// A set of `n` items that all carry `round`, so a half-written set shows.
DataSetDatabase::Items roundSet(int round, int n = 40) {
  DataSetDatabase::Items items;
  for (int i = 0; i < n; ++i)
    items.emplace_back("item" + std::to_string(i), Variant(static_cast<double>(round)));
  items.emplace_back("label", Variant(std::string(2000, static_cast<char>('a' + round % 26))));
  return items;
}

class DataSetSafetyTest : public SessionTest {
 protected:
  int32_t frameCall(const char* op) {
    int32_t st = -1;
    auto f = session->createFrame();
    if (std::string(op) == "save")
      f->SaveToDatabase(0, st);
    else
      f->LoadFromDatabase(0, st);
    return st;
  }
  std::filesystem::path path() { return session->database().path(); }
};

// Entries changed by hand once loaded as plausible values (text as 0, 1e999 as infinity).
TEST_F(DataSetSafetyTest, ATamperedEntryMarksTheSetDamagedAndLoadsNothing) {
  struct Case {
    const char* item;
    const char* assignment;
    const char* why;
  };
  const Case cases[] = {
      {"DAMPING_VALUE", "value = 'abc'", "does not hold a number"},
      {"DAMPING_VALUE", "value = 1e999", "does not hold a finite number"},
      {"DAMPING_VALUE", "value = NULL", "does not hold a number"},
      {"DAMPING_VALUE", "kind = 'weird'", "has an unknown kind \"weird\""},
      {"TAG", "value = x'00ff'", "does not hold a text"},
      {"TAG", "value = 12", "does not hold a text"},
      // Entries that hold what their kind says, but not what their item can take.
      {"UNITS_QM", "value = 12345", "12345 is not one of its choices"},
      {"DAMPING_VALUE", "value = 1e300", "does not fit its item"},
      {"QMAX_METER_TUBE_VALUE", "value = 1e39", "does not fit its item"},
      {"MFR_ID", "value = 2.5", "a whole number is needed"},
      {"TAG", "value = replace(hex(zeroblob(500000)), '0', 'A')", "longer than the 8 characters"},
      {"TAG", "value = 'a~b'", "does not fit its item"},
      {"MP_REMARK", "kind = 'number', value = 12", "does not hold a text, as its item does"},
      {"UNITS_QM", "kind = 'text', value = '75'", "does not hold a number, as its item does"},
      {"DATE_ALL", "value = '2024-13-45'", "does not fit its item"},
  };
  session->store().set("DAMPING_VALUE", Variant(2.5));
  ASSERT_EQ(frameCall("save"), 0);
  const std::string pristine = fileBytes(path());
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.item) + ": " + c.assignment);
    { std::ofstream(path(), std::ios::binary | std::ios::trunc) << pristine; }
    sql(path(), std::string("UPDATE dataset_items SET ") + c.assignment + " WHERE name = '" + c.item + "'");
    session->store().set("DAMPING_VALUE", Variant(7.0));
    EXPECT_EQ(frameCall("load"), kStatusDatabase);
    auto messages = session->takeHostMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find("damaged"), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find(std::string("\"") + c.item + "\" "), std::string::npos) << messages[0];
    EXPECT_NE(messages[0].find(c.why), std::string::npos) << messages[0];
    EXPECT_LT(messages[0].size(), 1000u) << "the reason quotes no entry whole";
    EXPECT_EQ(value("DAMPING_VALUE"), 7.0) << "nothing of a damaged set is loaded";
  }
  // A Boolean and octets are checked too, straight on the database.
  DataSetDatabase db(dir / "other.sqlite");
  const auto saved = db.save(
      "s", "RQ4400", {{"flag", Variant(true)}, {"raw", Variant(platform::com::ByteArray{0, {1, 2}})}});
  ASSERT_TRUE(saved.ok()) << saved.text();
  sql(db.path(), "UPDATE dataset_items SET value = 2 WHERE name = 'flag'");
  auto items = db.load("s");
  ASSERT_FALSE(items.ok());
  EXPECT_EQ(items.reason(), tolvar::Reason::Database);
  EXPECT_NE(items.text().find("\"flag\" does not hold a Boolean"), std::string::npos) << items.text();
  sql(db.path(),
      "UPDATE dataset_items SET value = 1 WHERE name = 'flag';"
      "UPDATE dataset_items SET value = 'text' WHERE name = 'raw'");
  items = db.load("s");
  ASSERT_FALSE(items.ok());
  EXPECT_NE(items.text().find("\"raw\" does not hold octets"), std::string::npos) << items.text();
  sql(db.path(), "UPDATE dataset_items SET value = x'0102' WHERE name = 'raw'");
  items = db.load("s");
  ASSERT_TRUE(items.ok()) << items.text();
  EXPECT_EQ(items.value().size(), 2u);
}

// A set with nothing left to load is not found, whatever emptied it, and a load that fails
// gives the real reason.
TEST_F(DataSetSafetyTest, AnEmptyOrGuttedSetIsNotFoundAndLoadsNothing) {
  DataSetDatabase db(path());
  ASSERT_TRUE(db.save("empty", "RQ4400", {}).ok());
  const auto empty = db.load("empty");
  ASSERT_FALSE(empty.ok());
  EXPECT_EQ(empty.reason(), tolvar::Reason::NotFound);
  EXPECT_NE(empty.text().find("holds no entries"), std::string::npos) << empty.text();

  session->store().set("DAMPING_VALUE", Variant(2.5));
  ASSERT_EQ(frameCall("save"), 0);
  const std::string pristine = fileBytes(path());
  struct Case {
    const char* damage;
    const char* why;
  };
  const Case cases[] = {
      {"DELETE FROM dataset_items", "holds no entries"},
      {"DELETE FROM datasets", "there is no data set of that name"},
      {"DROP TABLE dataset_items", "no such table: dataset_items"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.damage);
    { std::ofstream(path(), std::ios::binary | std::ios::trunc) << pristine; }
    sql(path(), c.damage);
    session->store().set("DAMPING_VALUE", Variant(7.0));
    session->store().set("&&private&&CurrentSource", Variant(2.0));
    EXPECT_EQ(frameCall("load"), kStatusDatabase);
    const auto messages = session->takeHostMessages();
    ASSERT_EQ(messages.size(), 1u);
    EXPECT_NE(messages[0].find(c.why), std::string::npos) << messages[0];
    EXPECT_EQ(messages[0].find("not an error"), std::string::npos) << messages[0];
    EXPECT_EQ(value("DAMPING_VALUE"), 7.0);
    EXPECT_EQ(value("&&private&&CurrentSource"), 2.0) << "a failed load does not switch the source";
  }
}

TEST_F(DataSetSafetyTest, AnotherProgramsDatabaseIsRefusedAndLeftUntouched) {
  std::filesystem::create_directories(path().parent_path());
  sql(path(),
      "CREATE TABLE notes (id INTEGER PRIMARY KEY, body TEXT);"
      "INSERT INTO notes (body) VALUES ('keep me');");
  const std::string before = fileBytes(path());
  session->store().set("DAMPING_VALUE", Variant(3.0));
  EXPECT_EQ(frameCall("save"), kStatusDatabase);
  auto messages = session->takeHostMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("another program's database"), std::string::npos) << messages[0];
  EXPECT_NE(messages[0].find("Nothing stored there was changed"), std::string::npos) << messages[0];
  EXPECT_EQ(fileBytes(path()), before);
  EXPECT_EQ(sql(path(), "SELECT count(*) FROM sqlite_schema"), "1") << "no table of ours was added";
  EXPECT_FALSE(std::filesystem::exists(path().string() + "-journal"));

  // A file that says it belongs to another application is refused as well.
  sql(path(),
      "CREATE TABLE velumor_meta (key TEXT PRIMARY KEY, value TEXT NOT NULL);"
      "INSERT INTO velumor_meta VALUES ('application', 'someone-else')");
  const std::string before2 = fileBytes(path());
  EXPECT_EQ(frameCall("save"), kStatusDatabase);
  EXPECT_EQ(fileBytes(path()), before2);
}

// Starts a child that saves sets in a loop and reports each finished save on a pipe; the
// parent kills it at a random moment. Returns the last round the child reported done.
int saveUntilKilled(const std::filesystem::path& db, int firstRound, unsigned delayUs, int& started) {
  int fds[2];
  if (::pipe(fds) != 0) return -1;
  const pid_t pid = ::fork();
  if (pid == 0) {
    ::close(fds[0]);
    DataSetDatabase d(db);
    d.setBusyTimeoutMs(5000);
    for (int round = firstRound;; ++round) {
      if (!d.save("default", "RQ4400", roundSet(round)).ok()) ::_exit(3);
      if (::write(fds[1], &round, sizeof round) != sizeof round) ::_exit(4);
    }
  }
  ::close(fds[1]);
  // Wait for the first finished save, then let the next ones run for a random while.
  int done = -1;
  if (::read(fds[0], &done, sizeof done) != sizeof done) done = -1;
  ::usleep(delayUs);
  ::kill(pid, SIGKILL);
  int status = 0;
  ::waitpid(pid, &status, 0);
  int r;
  while (::read(fds[0], &r, sizeof r) == sizeof r) done = r;
  ::close(fds[0]);
  started = done + 1;
  return WIFSIGNALED(status) ? done : -2;
}

// A save killed at any moment leaves the last whole set, which the next load finds: it rolls
// back what the interrupted save left, where loads once opened the file read-only, failed with
// "read-only" and led the user to overwrite the set.
TEST(DataSetCrash, EveryKilledSaveLeavesExactlyOneWholeSet) {
  TempDir dir;
  const auto db = dir / "crash.sqlite";
  std::mt19937 random(20261209);
  int round = 0;
  int journalsFound = 0;
  for (int i = 0; i < 25; ++i) {
    SCOPED_TRACE("round " + std::to_string(i));
    int started = 0;
    const int done =
        saveUntilKilled(db, round, std::uniform_int_distribution<unsigned>(0, 4000)(random), started);
    ASSERT_GE(done, round) << "the child saved and was killed";
    if (std::filesystem::exists(db.string() + "-journal")) ++journalsFound;

    DataSetDatabase d(db);
    auto loaded = d.load("default");
    ASSERT_TRUE(loaded.ok()) << loaded.text();
    DataSetDatabase::Items& items = loaded.value();
    ASSERT_EQ(items.size(), roundSet(0).size());
    const double got = items[0].second.toDouble();
    EXPECT_GE(got, done) << "never older than the last save reported done";
    EXPECT_LE(got, started) << "a save that never started cannot be there";
    for (auto& [name, v] : items) {
      if (name == "label") {
        EXPECT_EQ(v.toString(), roundSet(static_cast<int>(got))[40].second.toString());
      } else {
        EXPECT_EQ(v.toDouble(), got) << name << ": a set mixed of two saves";
      }
    }
    EXPECT_EQ(sql(db, "PRAGMA integrity_check"), "ok");
    EXPECT_EQ(sql(db, "SELECT count(DISTINCT rowset) FROM dataset_items"), "1")
        << "rows of an old set are left";
    round = static_cast<int>(got) + 1;
  }
  (void)journalsFound;  // how many kills hit a save varies; each round checks the result
}

// A journal left by a killed save, produced on purpose: a load rolls it back and finds the set
// saved before; a file that really is read-only still says so.
TEST(DataSetCrash, AnInterruptedSaveIsRolledBackByTheNextLoad) {
  TempDir dir;
  const auto db = dir / "hot.sqlite";
  DataSetDatabase d(db);
  const auto first = d.save("default", "RQ4400", roundSet(1));
  ASSERT_TRUE(first.ok()) << first.text();
  const pid_t pid = ::fork();
  if (pid == 0) {
    sqlite3* c = nullptr;
    sqlite3_open(db.c_str(), &c);
    // A tiny cache makes the pager write changed pages into the file before the commit.
    sqlite3_exec(c,
                 "PRAGMA cache_size = 1; BEGIN; UPDATE dataset_items SET value = 99;"
                 " INSERT INTO dataset_items SELECT rowset + 1000, name, kind, lower_bound, value"
                 " FROM dataset_items;",
                 nullptr, nullptr, nullptr);
    ::kill(::getpid(), SIGKILL);
    ::_exit(1);
  }
  int status = 0;
  ::waitpid(pid, &status, 0);
  ASSERT_TRUE(WIFSIGNALED(status));
  ASSERT_TRUE(std::filesystem::exists(db.string() + "-journal")) << "the child left a journal";

  const auto items = d.load("default");
  ASSERT_TRUE(items.ok()) << items.text();
  EXPECT_EQ(items.value().front().second.toDouble(), 1.0);
  EXPECT_EQ(sql(db, "PRAGMA integrity_check"), "ok");

  std::filesystem::permissions(db, std::filesystem::perms::owner_read);
  if (::access(db.c_str(), W_OK) != 0) {  // root writes anyway
    const auto again = d.load("default");
    ASSERT_TRUE(again.ok()) << "a read-only file loads" << again.text();
    const auto refused = d.save("default", "RQ4400", roundSet(2));
    EXPECT_EQ(refused.reason(), tolvar::Reason::Database);
    EXPECT_NE(refused.text().find("read-only"), std::string::npos) << refused.text();
  }
  std::filesystem::permissions(db, std::filesystem::perms::owner_all);
}

TEST(DataSetPath, WithoutHomeTheUsersHomeFromThePasswordDatabase) {
  const char* oldHome = ::getenv("HOME");
  const char* oldXdg = ::getenv("XDG_DATA_HOME");
  const std::string home = oldHome ? oldHome : "", xdg = oldXdg ? oldXdg : "";
  ::unsetenv("XDG_DATA_HOME");
  ::unsetenv("HOME");
  const passwd* pw = ::getpwuid(::getuid());
  ASSERT_TRUE(pw && pw->pw_dir);
  EXPECT_EQ(DataSetDatabase::defaultPath(),
            std::filesystem::path(pw->pw_dir) / ".local/share/velumor/datasets.sqlite");
  ::setenv("HOME", "", 1);  // empty counts as unset
  EXPECT_EQ(DataSetDatabase::defaultPath(),
            std::filesystem::path(pw->pw_dir) / ".local/share/velumor/datasets.sqlite");
  if (oldHome)
    ::setenv("HOME", home.c_str(), 1);
  else
    ::unsetenv("HOME");
  if (oldXdg) ::setenv("XDG_DATA_HOME", xdg.c_str(), 1);
}

}  // namespace
}  // namespace simtest
