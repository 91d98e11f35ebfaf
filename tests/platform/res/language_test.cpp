#include "platform/res/language.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace platform::res {
namespace {

// Clears the variables the language comes from and puts them back afterwards.
class UserLanguage : public ::testing::Test {
 protected:
  static constexpr const char* kNames[] = {"VELUMOR_LANG", "LC_ALL", "LC_MESSAGES", "LANG"};

  void SetUp() override {
    for (const char* name : kNames) {
      const char* value = std::getenv(name);
      saved_.push_back(value ? std::optional<std::string>(value) : std::nullopt);
      unsetenv(name);
    }
    userLanguageChanged();
  }
  void TearDown() override {
    for (std::size_t i = 0; i < std::size(kNames); ++i) {
      if (saved_[i])
        setenv(kNames[i], saved_[i]->c_str(), 1);
      else
        unsetenv(kNames[i]);
    }
    userLanguageChanged();
  }
  static void set(const char* name, const char* value) {
    setenv(name, value, 1);
    userLanguageChanged();
  }

 private:
  std::vector<std::optional<std::string>> saved_;
};

TEST_F(UserLanguage, NothingSetGivesEnglish) {
  EXPECT_EQ(userDefaultLangId(), 1033);
}

// The language is read once: a change of the variables counts from the moment it is told.
TEST_F(UserLanguage, IsKeptUntilTheVariablesAreSaidToHaveChanged) {
  set("VELUMOR_LANG", "de");
  EXPECT_EQ(userDefaultLangId(), 1031);
  setenv("VELUMOR_LANG", "fr", 1);
  setenv("LC_ALL", "it_IT.UTF-8", 1);
  EXPECT_EQ(userDefaultLangId(), 1031) << "not told yet";
  userLanguageChanged();
  EXPECT_EQ(userDefaultLangId(), 1036);
  unsetenv("VELUMOR_LANG");
  EXPECT_EQ(userDefaultLangId(), 1036) << "not told yet";
  userLanguageChanged();
  EXPECT_EQ(userDefaultLangId(), 1040);
}

TEST_F(UserLanguage, OverrideTakesShortNamesLocaleNamesAndIds) {
  set("LC_ALL", "fr_FR.UTF-8");
  set("VELUMOR_LANG", "de");
  EXPECT_EQ(userDefaultLangId(), 1031);
  set("VELUMOR_LANG", "en");
  EXPECT_EQ(userDefaultLangId(), 1033);
  set("VELUMOR_LANG", "fr");
  EXPECT_EQ(userDefaultLangId(), 1036);
  set("VELUMOR_LANG", "de_AT.UTF-8");
  EXPECT_EQ(userDefaultLangId(), 3079);
  set("VELUMOR_LANG", "2055");
  EXPECT_EQ(userDefaultLangId(), 2055);
}

TEST_F(UserLanguage, UnreadableOverrideIsPassedOver) {
  set("LANG", "de_DE.UTF-8");
  for (const char* value : {"", "klingon", "70000", "-5", "10 33"}) {
    set("VELUMOR_LANG", value);
    EXPECT_EQ(userDefaultLangId(), 1031) << "VELUMOR_LANG=\"" << value << "\"";
  }
}

TEST_F(UserLanguage, LcAllComesBeforeLcMessagesAndLang) {
  set("LANG", "en_GB.UTF-8");
  EXPECT_EQ(userDefaultLangId(), 2057);
  set("LC_MESSAGES", "it_IT.UTF-8");
  EXPECT_EQ(userDefaultLangId(), 1040);
  set("LC_ALL", "de_DE.UTF-8");
  EXPECT_EQ(userDefaultLangId(), 1031);
}

TEST_F(UserLanguage, EmptyVariablesAreSkipped) {
  set("LC_ALL", "");
  set("LC_MESSAGES", "");
  set("LANG", "fr_FR.UTF-8");
  EXPECT_EQ(userDefaultLangId(), 1036);
}

TEST_F(UserLanguage, CLocaleGivesEnglishEvenWhenLangSaysOtherwise) {
  set("LANG", "de_DE.UTF-8");
  set("LC_ALL", "C");
  EXPECT_EQ(userDefaultLangId(), 1033);
  set("LC_ALL", "POSIX");
  EXPECT_EQ(userDefaultLangId(), 1033);
  set("LC_ALL", "C.UTF-8");
  EXPECT_EQ(userDefaultLangId(), 1033);
}

TEST(LocaleName, RegionsMapToTheirIds) {
  EXPECT_EQ(langIdFromLocaleName("de_DE"), 1031);
  EXPECT_EQ(langIdFromLocaleName("de_AT"), 3079);
  EXPECT_EQ(langIdFromLocaleName("de_CH"), 2055);
  EXPECT_EQ(langIdFromLocaleName("en_US"), 1033);
  EXPECT_EQ(langIdFromLocaleName("en_GB"), 2057);
  EXPECT_EQ(langIdFromLocaleName("fr_FR"), 1036);
  EXPECT_EQ(langIdFromLocaleName("it_IT"), 1040);
  EXPECT_EQ(langIdFromLocaleName("es_ES"), 3082);
  EXPECT_EQ(langIdFromLocaleName("nl_NL"), 1043);
  EXPECT_EQ(langIdFromLocaleName("pt_BR"), 1046);
  EXPECT_EQ(langIdFromLocaleName("pt_PT"), 2070);
  EXPECT_EQ(langIdFromLocaleName("zh_TW"), 1028);
}

TEST(LocaleName, CodesetModifierSeparatorAndCaseDoNotMatter) {
  EXPECT_EQ(langIdFromLocaleName("de_CH.UTF-8"), 2055);
  EXPECT_EQ(langIdFromLocaleName("de_CH.ISO-8859-1@euro"), 2055);
  EXPECT_EQ(langIdFromLocaleName("it_IT@euro"), 1040);
  EXPECT_EQ(langIdFromLocaleName("de-CH"), 2055);
  EXPECT_EQ(langIdFromLocaleName("EN_gb"), 2057);
}

TEST(LocaleName, LanguageAloneOrUnknownRegionGivesTheMainId) {
  EXPECT_EQ(langIdFromLocaleName("de"), 1031);
  EXPECT_EQ(langIdFromLocaleName("fr"), 1036);
  EXPECT_EQ(langIdFromLocaleName("es"), 3082);
  EXPECT_EQ(langIdFromLocaleName("de_BE"), 1031);
  EXPECT_EQ(langIdFromLocaleName("fr_CM.UTF-8"), 1036);
}

TEST(LocaleName, UnknownOrPortableNamesGiveEnglish) {
  EXPECT_EQ(langIdFromLocaleName(""), 1033);
  EXPECT_EQ(langIdFromLocaleName("C"), 1033);
  EXPECT_EQ(langIdFromLocaleName("POSIX"), 1033);
  EXPECT_EQ(langIdFromLocaleName("xx_YY.UTF-8"), 1033);
  EXPECT_EQ(langIdFromLocaleName("_DE"), 1033);
}

TEST(LocaleName, PrimaryLanguageIsTheLowTenBits) {
  EXPECT_EQ(primaryLanguage(1031), 7);
  EXPECT_EQ(primaryLanguage(2055), 7);
  EXPECT_EQ(primaryLanguage(3079), 7);
  EXPECT_EQ(primaryLanguage(1033), 9);
  EXPECT_EQ(primaryLanguage(2057), 9);
  EXPECT_EQ(primaryLanguage(0), 0);
  EXPECT_EQ(primaryLanguage(0xFFFF), 0x3FF);
}

}  // namespace
}  // namespace platform::res
