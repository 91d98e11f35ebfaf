// Under LANG=de_DE.UTF-8 the toolkit sets the C library's numeric locale. Numbers must still be
// read and written with a decimal point, or "1.5" turns into a text and a table mixes
// "12,000 mA" with "1.5".
#include <cstdio>

#include "reliability_support.h"
#include "tolvar/controls/scale.h"
#include "tolvar/sim/item_values.h"

namespace reliab {
namespace {

TEST_F(ScriptSession, ScriptNumbersIgnoreTheNumericLocale) {
  GermanLocale german;
  ASSERT_TRUE(german.ok) << "no de_DE.UTF-8 locale under " << VELUMOR_TEST_LOCPATH
                         << " (localedef, package locales)";
  char probe[16];
  std::snprintf(probe, sizeof probe, "%.1f", 1.5);
  ASSERT_STREQ(probe, "1,5") << "the locale is really German";

  EXPECT_EQ(run("set DAMPING_VALUE 1.5\nrun 0.5\nexpect-item DAMPING_VALUE 1.5\nresize x 1.5 2\n"), 1)
      << output;
  EXPECT_NE(output.find("no window 'x'"), std::string::npos) << "only the window is missing: " << output;
  auto v = session->itemValue("DAMPING_VALUE");
  ASSERT_TRUE(v);
  EXPECT_EQ(v->type(), platform::com::VarType::Double) << "stored as a number, not the text \"1.5\"";
  EXPECT_EQ(v->toDouble(), 1.5);
}

TEST_F(ScriptSession, ItemTextsAndDisplaysIgnoreTheNumericLocale) {
  GermanLocale german;
  ASSERT_TRUE(german.ok);
  const auto& data = session->deviceData();
  const auto* def = data.findVariable("DAMPING_VALUE");
  ASSERT_NE(def, nullptr);
  const std::string text = tolvar::sim::displayText(data, *def, platform::com::Variant(12.0));
  EXPECT_EQ(text.find(','), std::string::npos) << text;
  EXPECT_NE(text.find("12"), std::string::npos) << text;
  EXPECT_EQ(tolvar::controls::fitNumber("1234.5678", 1234.5678, 7), "1234.57");
  EXPECT_EQ(tolvar::controls::fitNumber("123456789.5", 123456789.5, 7), "1.2E+08");
  // The whole table of items the host prints: no decimal comma anywhere among the numbers.
  const std::string items = session->itemsJson();
  EXPECT_EQ(items.find("\"DAMPING_VALUE\": \""), std::string::npos) << "a number became a text";
}

}  // namespace
}  // namespace reliab
