// Data sets in the database: the round trip of every data-set item, and the failures that must
// lose nothing (a damaged file, a path that cannot be written, a database locked by another).
#include "tolvar/sim/dataset_database.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

#include <fstream>
#include <iterator>

#include "sim_test_support.h"
#include "tolvar/sim/item_store.h"

namespace simtest {
namespace {

using platform::com::ByteArray;
using tolvar::sim::DataSetDatabase;
using tolvar::sim::kStatusDatabase;

std::string fileBytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

class DataSetTest : public SessionTest {
 protected:
  // Every data-set item with its value now.
  std::vector<std::pair<std::string, Variant>> dataSet() {
    std::vector<std::pair<std::string, Variant>> out;
    auto& store = session->store();
    for (int32_t i = 0; i < store.itemCount(); ++i)
      if (store.def(i).dataSet) out.emplace_back(store.name(i), store.value(i));
    return out;
  }
  void expectSameValues(const std::vector<std::pair<std::string, Variant>>& a,
                        const std::vector<std::pair<std::string, Variant>>& b) {
    ASSERT_EQ(a.size(), b.size());
    for (size_t i = 0; i < a.size(); ++i) {
      EXPECT_EQ(a[i].first, b[i].first);
      EXPECT_TRUE(a[i].second.identical(b[i].second))
          << a[i].first << ": " << a[i].second.debugString() << " vs " << b[i].second.debugString();
    }
  }
  // Gives many data-set items values other than their defaults, each one its item can hold.
  void editEverything() {
    auto& store = session->store();
    int n = 0;
    for (int32_t i = 0; i < store.itemCount(); ++i) {
      const auto& def = store.def(i);
      if (!def.dataSet) continue;
      ++n;
      using tolvar::dd::ValueType;
      switch (def.type) {
        case ValueType::String:
          store.set(i, Variant(std::string("x\0y", 3) + std::to_string(n)));
          break;
        case ValueType::PackedAscii:
          store.set(i, Variant("TAG " + std::to_string(n)));
          break;
        case ValueType::Date:
          store.set(i, Variant(std::string("2031-12-0") + std::to_string(1 + n % 9)));
          break;
        case ValueType::Bytes:
          store.set(i, Variant(ByteArray{def.firstOctet,
                                         std::vector<uint8_t>(def.octets, static_cast<uint8_t>(n))}));
          break;
        case ValueType::Bool:
          store.set(i, Variant(n % 2 == 0));
          break;
        case ValueType::Enum: {
          const auto& entries = store.data().enumerationOf(def)->entries;
          store.set(i, Variant(static_cast<double>(entries[static_cast<size_t>(n) % entries.size()].value)));
          break;
        }
        default: {
          const double step = def.type == ValueType::Float || def.type == ValueType::Double ? 0.125 : 1.0;
          const double edited = store.value(i).toDouble() + step * n;
          store.set(i, Variant(def.maximum && edited > *def.maximum ? *def.maximum : edited));
        }
      }
    }
  }
  int32_t save() {
    int32_t st = -1;
    frame()->SaveToDatabase(0, st);
    return st;
  }
  int32_t load() {
    int32_t st = -1;
    frame()->LoadFromDatabase(0, st);
    return st;
  }
  Ptr<tolvar::HostFrame> frame() { return session->createFrame(); }
  void setDirtyByView() {
    const tolvar::Status written = session->itemAccess()->setItemFromText("DAMPING_VALUE", "9");
    ASSERT_TRUE(written.ok()) << written.text();
  }
};

TEST_F(DataSetTest, SaveAndLoadKeepEveryItemOfTheDataSet) {
  editEverything();
  setDirtyByView();
  const auto saved = dataSet();
  ASSERT_EQ(save(), 0) << (session->hostMessages().empty() ? "" : session->hostMessages().back());
  EXPECT_EQ(value("&&private&&Dirty"), 0.0) << "saved: nothing left to save";

  // Another session on the same database starts from the defaults and loads the set.
  session = std::make_unique<tolvar::sim::HostSession>(testOptions(dir));
  const auto defaults = dataSet();
  ASSERT_EQ(load(), 0);
  expectSameValues(dataSet(), saved);
  EXPECT_EQ(value("&&private&&CurrentSource"), 1.0);
  EXPECT_EQ(value("&&private&&Dirty"), 0.0);
  EXPECT_NE(session->itemValue("&&private_PM&&FileName")->toString().find("default"), std::string::npos);

  // Saving again replaces the set; nothing of the old rows is left to find.
  session->store().set("DAMPING_VALUE", Variant(0.5));
  ASSERT_EQ(save(), 0);
  session->store().set("DAMPING_VALUE", Variant(7.0));
  ASSERT_EQ(load(), 0);
  EXPECT_EQ(value("DAMPING_VALUE"), 0.5);
  (void)defaults;
}

TEST_F(DataSetTest, NamedSetsAreKeptApart) {
  std::vector<std::string> asked;
  session->setDataSetChooser([&asked](bool forSave, const std::vector<std::string>& existing,
                                      const std::string& current) -> std::optional<std::string> {
    asked.push_back(current);
    if (forSave) return std::string("line 2");
    EXPECT_EQ(existing, (std::vector<std::string>{"default", "line 2"}));
    return std::string("LINE 2");  // names match without regard to case
  });
  session->store().set("DAMPING_VALUE", Variant(2.0));
  ASSERT_EQ(save(), 0);
  session->store().set("DAMPING_VALUE", Variant(3.0));
  ASSERT_EQ(frame()->call("SaveAsToDatabase").toLong(), 0);
  EXPECT_EQ(session->currentDataSet(), "line 2");
  session->store().set("DAMPING_VALUE", Variant(4.0));
  ASSERT_EQ(frame()->call("OpenFromDatabase").toLong(), 0);
  EXPECT_EQ(value("DAMPING_VALUE"), 3.0);
  EXPECT_EQ(asked, (std::vector<std::string>{"default", "line 2"})) << "each offers the current set";
  session->setDataSetChooser(
      [](bool, const std::vector<std::string>&, const std::string&) { return std::optional<std::string>(); });
  EXPECT_EQ(frame()->call("OpenFromDatabase").toLong(), tolvar::sim::kStatusCancelled);
  EXPECT_EQ(value("DAMPING_VALUE"), 3.0);
}

TEST_F(DataSetTest, ADamagedFileIsReportedAndLeftAsItWas) {
  const auto path = session->database().path();
  std::filesystem::create_directories(path.parent_path());
  {
    std::ofstream out(path, std::ios::binary);
    out << "this is no database, but a user's notes that must survive\n";
    for (int i = 0; i < 200; ++i) out << "line " << i << "\n";
  }
  const std::string before = fileBytes(path);
  setDirtyByView();
  const auto items = dataSet();
  EXPECT_EQ(save(), kStatusDatabase);
  auto messages = session->takeHostMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("damaged"), std::string::npos) << messages[0];
  EXPECT_NE(messages[0].find(path.string()), std::string::npos) << "names the file";
  EXPECT_EQ(fileBytes(path), before);
  EXPECT_EQ(value("&&private&&Dirty"), -1.0) << "still unsaved";

  EXPECT_EQ(load(), kStatusDatabase);
  messages = session->takeHostMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("damaged"), std::string::npos) << messages[0];
  expectSameValues(dataSet(), items);
  EXPECT_EQ(fileBytes(path), before);
}

TEST_F(DataSetTest, AnUnwritablePathIsReported) {
  std::ofstream(dir / "plainfile") << "x";
  auto options = testOptions(dir);
  options.databaseFile = dir / "plainfile" / "datasets.sqlite";  // its folder is a file
  session = std::make_unique<tolvar::sim::HostSession>(options);
  EXPECT_EQ(save(), kStatusDatabase);
  auto messages = session->takeHostMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("could not be saved"), std::string::npos) << messages[0];
  EXPECT_EQ(fileBytes(dir / "plainfile"), "x");
  EXPECT_EQ(load(), kStatusDatabase);
  EXPECT_EQ(session->takeHostMessages().size(), 1u);
}

TEST_F(DataSetTest, ALockedDatabaseRefusesAndLosesNothing) {
  session->store().set("DAMPING_VALUE", Variant(2.0));
  ASSERT_EQ(save(), 0);
  const auto path = session->database().path();

  sqlite3* other = nullptr;
  ASSERT_EQ(sqlite3_open(path.c_str(), &other), SQLITE_OK);
  ASSERT_EQ(sqlite3_exec(other, "BEGIN EXCLUSIVE", nullptr, nullptr, nullptr), SQLITE_OK);
  session->store().set("DAMPING_VALUE", Variant(3.0));
  EXPECT_EQ(save(), kStatusDatabase);
  auto messages = session->takeHostMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("locked"), std::string::npos) << messages[0];
  EXPECT_EQ(load(), kStatusDatabase);
  EXPECT_EQ(value("DAMPING_VALUE"), 3.0) << "a failed load changes nothing";
  sqlite3_exec(other, "ROLLBACK", nullptr, nullptr, nullptr);
  sqlite3_close(other);

  ASSERT_EQ(load(), 0);
  EXPECT_EQ(value("DAMPING_VALUE"), 2.0) << "the set saved before the lock is whole";
}

TEST_F(DataSetTest, LoadingBeforeAnythingWasSavedSaysSo) {
  EXPECT_EQ(load(), kStatusDatabase);
  auto messages = session->takeHostMessages();
  ASSERT_EQ(messages.size(), 1u);
  EXPECT_NE(messages[0].find("no data set"), std::string::npos) << messages[0];
  DataSetDatabase db(session->database().path());
  const auto names = db.list();
  ASSERT_TRUE(names.ok()) << names.text();
  EXPECT_TRUE(names.value().empty());
}

TEST_F(DataSetTest, ASetNameThatDoesNotExistIsReported) {
  ASSERT_EQ(save(), 0);
  DataSetDatabase db(session->database().path());
  const auto missing = db.load("nobody");
  ASSERT_FALSE(missing.ok());
  EXPECT_EQ(missing.reason(), tolvar::Reason::NotFound);
  EXPECT_NE(missing.text().find("The data set \"nobody\" could not be loaded from"), std::string::npos)
      << missing.text();
  EXPECT_NE(missing.text().find("no data set of that name"), std::string::npos) << missing.text();
  const auto items = db.load("DEFAULT");
  ASSERT_TRUE(items.ok()) << items.text();
  EXPECT_FALSE(items.value().empty());
}

TEST(DataSetPath, FollowsTheUsersDataFolder) {
  const char* old = ::getenv("XDG_DATA_HOME");
  const std::string saved = old ? old : "";
  ::setenv("XDG_DATA_HOME", "/tmp/xdg-data", 1);
  EXPECT_EQ(DataSetDatabase::defaultPath(), std::filesystem::path("/tmp/xdg-data/velumor/datasets.sqlite"));
  ::unsetenv("XDG_DATA_HOME");
  const char* home = ::getenv("HOME");
  if (home && *home) {
    EXPECT_EQ(DataSetDatabase::defaultPath(),
              std::filesystem::path(home) / ".local/share/velumor/datasets.sqlite");
  }
  if (old) ::setenv("XDG_DATA_HOME", saved.c_str(), 1);
}

}  // namespace
}  // namespace simtest
