// Where a data set went must be said: without HOME it is not where a user would look.
#include "reliability_support.h"

namespace reliab {
namespace {

TEST_F(ScriptSession, ASaveSaysWhereTheSetWent) {
  EXPECT_EQ(run("frame SaveToDatabase\n"), 0) << output;
  EXPECT_NE(output.find("data set \"default\" saved to " + (dir / "data.sqlite").string()), std::string::npos)
      << output;
}

}  // namespace
}  // namespace reliab
