// `items FILE` and `dump NAME FILE` into a folder that does not exist passed and wrote nothing;
// a window with text that is not UTF-8 could not be dumped.
#include <fstream>
#include <iterator>

#include "reliability_support.h"

namespace reliab {
namespace {

TEST_F(ScriptSession, WritesThatFailFailTheLine) {
  EXPECT_EQ(run("items no-such-folder/items.json\n"), 1);
  EXPECT_NE(output.find("the folder does not exist"), std::string::npos) << output;
  EXPECT_EQ(run("open GenericView.GenericViewClass g\ndump g no-such-folder/g.json\n"), 1);
  EXPECT_NE(output.find("cannot write"), std::string::npos) << output;
  EXPECT_EQ(run("items items.json\n"), 0) << output;
  std::ifstream in(dir / "items.json");
  const std::string items(std::istreambuf_iterator<char>(in), {});
  EXPECT_NE(items.find("DAMPING_VALUE"), std::string::npos);
}

// A window that shows text with bytes that are not UTF-8 made `dump` fail; they are replaced.
TEST_F(ScriptSession, DumpReplacesInvalidBytes) {
  std::ostringstream out;
  host_core::ScriptRunner r(*host, out);
  ASSERT_TRUE(r.runLine("open GenericView.GenericViewClass g", 1)) << out.str();
  platform::ui::Form* f = r.resolveForm("g");
  ASSERT_NE(f, nullptr);
  f->setCaption("bad \xFF\xFE bytes");
  EXPECT_TRUE(r.runLine("dump g", 2)) << out.str();
  EXPECT_NE(out.str().find("bad \xEF\xBF\xBD\xEF\xBF\xBD bytes"), std::string::npos) << out.str();
  r.closeAll();
}

}  // namespace
}  // namespace reliab
