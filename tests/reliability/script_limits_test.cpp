// Script numbers out of range once overflowed the clock or were converted with undefined
// behaviour.
#include <limits>

#include "reliability_support.h"

namespace reliab {
namespace {

TEST_F(ScriptSession, OutOfRangeNumbersAreRefusedWithTheirLimits) {
  struct Case {
    const char* line;
    const char* message;
  };
  const Case cases[] = {
      {"run 9e18", "from 0 to 86400000 (one day)"},
      {"run 1e19", "from 0 to 86400000 (one day)"},
      {"run 86400001", "from 0 to 86400000 (one day)"},
      {"run -1", "from 0 to 86400000"},
      {"run 1e999", "from 0 to 86400000"},
      {"run 0,5", "from 0 to 86400000"},
      {"printdialog ok 1e20", "whole number of copies from 1 to 9999"},
      {"printdialog ok 0", "whole number of copies from 1 to 9999"},
      {"printdialog ok 2.5", "whole number of copies from 1 to 9999"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const int64_t before = platform::ui::EventLoop::instance().now();
    EXPECT_GE(run(c.line), 1);
    EXPECT_NE(output.find(c.message), std::string::npos) << output;
    EXPECT_EQ(platform::ui::EventLoop::instance().now(), before) << "a refused line does nothing";
  }
  // The largest run, connected and again disconnected: the clock moves two days, no overflow.
  const int64_t before = platform::ui::EventLoop::instance().now();
  EXPECT_EQ(run("frame Connect\nrun 86400000\nframe Disconnect\nrun 86400000\nprintdialog ok 9999\n"
                "printdialog cancel\n"),
            0)
      << output;
  EXPECT_EQ(platform::ui::EventLoop::instance().now() - before, 2 * 86'400'000LL);
}

TEST_F(ScriptSession, ResizeRefusesSizesNoWindowCanHave) {
  EXPECT_EQ(run("open GenericView.GenericViewClass g\nresize g 1e300 100\nresize g 100 -1e10\nresize g 6000 "
                "4000\n"),
            2)
      << output;
  EXPECT_NE(output.find("two numbers of twips"), std::string::npos) << output;
}

TEST(ClockLimit, TheClockNeverWraps) {
  auto& loop = platform::ui::EventLoop::instance();
  loop.useManualClock();
  const int64_t before = loop.now();
  EXPECT_THROW(loop.advance(std::numeric_limits<int64_t>::max()), std::out_of_range);
  EXPECT_EQ(loop.now(), before);
}

}  // namespace
}  // namespace reliab
