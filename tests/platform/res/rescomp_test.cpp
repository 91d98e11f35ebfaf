#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/res/resource_module.h"
#include "tools/rescomp/block_writer.h"
#include "tools/rescomp/string_source.h"

namespace rescomp {
namespace {

using Severity = Diagnostic::Severity;

struct Parsed {
  std::optional<SourceFile> source;
  std::vector<Diagnostic> diagnostics;
};

Parsed parse(std::string_view content, std::string_view name = "t.txt") {
  Parsed p;
  p.source = parseSource(name, content, p.diagnostics);
  return p;
}

// The one error a source produces.
Diagnostic onlyError(std::string_view content) {
  Parsed p = parse(content);
  EXPECT_EQ(p.diagnostics.size(), 1u);
  if (p.diagnostics.empty()) return {};
  EXPECT_EQ(p.diagnostics[0].severity, Severity::Error);
  return p.diagnostics[0];
}

TEST(RescompParse, ReadsLanguageEntriesAndEscapes) {
  Parsed p = parse("# comment\n\nLANGUAGE 1031\n7 \"a\\\"b\\\\c\\nd\\re\\tf\"\n8\t\"G\xC3\xA4rt \"\n");
  ASSERT_TRUE(p.source);
  EXPECT_TRUE(p.diagnostics.empty());
  EXPECT_EQ(p.source->langId, 1031);
  ASSERT_EQ(p.source->entries.size(), 2u);
  EXPECT_EQ(p.source->entries[0].id, 7);
  EXPECT_EQ(p.source->entries[0].text, u"a\"b\\c\nd\re\tf");
  EXPECT_EQ(p.source->entries[0].where.line, 4);
  EXPECT_EQ(p.source->entries[1].text, u"G\u00E4rt ") << "tab separator, umlaut, trailing blank kept";
}

TEST(RescompParse, CrLfLinesIndentedCommentsAndByteOrderMarkAreAccepted) {
  Parsed p = parse("\xEF\xBB\xBFLANGUAGE 1033\r\n  # note\r\n\r\n0 \"x\"  \r\n65535 \"\"\r\n");
  ASSERT_TRUE(p.source);
  EXPECT_TRUE(p.diagnostics.empty());
  ASSERT_EQ(p.source->entries.size(), 2u);
  EXPECT_EQ(p.source->entries[0].text, u"x");
  EXPECT_EQ(p.source->entries[1].id, 65535);
  EXPECT_EQ(p.source->entries[1].where.line, 5);
}

TEST(RescompParse, MalformedLinesAreReportedWithTheirLineNumber) {
  const char* head = "LANGUAGE 1033\n# c\n1 \"ok\"\n";
  struct Case {
    const char* line;
    const char* needle;
  } cases[] = {
      {"12 text", "double-quoted"},
      {"12  \"two blanks\"", "double-quoted"},
      {"12\"no blank\"", "one blank"},
      {"x12 \"id\"", "expected an id"},
      {" 12 \"indented\"", "expected an id"},
      {"12 \"open", "closing double quote"},
      {"12 \"a\" b", "after the closing"},
      {"12 \"a\"b\"", "after the closing"},
      {"12 \"bad \\x\"", "unknown escape \\x"},
      {"12 \"ends in \\", "closing double quote"},
      {"12 \"raw\ttab\"", "control character"},
      {"65536 \"big\"", "out of range"},
      {"99999999999999999999 \"big\"", "out of range"},
      {"LANGUAGE 1031", "expected an id"},
      {"12 \"\xC3\"", "not valid UTF-8"},
  };
  for (const Case& c : cases) {
    const Diagnostic d = onlyError(std::string(head) + c.line + "\n5 \"after\"\n");
    EXPECT_EQ(d.where.line, 4) << c.line;
    EXPECT_NE(d.message.find(c.needle), std::string::npos) << c.line << " -> " << d.message;
    EXPECT_EQ(d.format().rfind("t.txt:4: error: ", 0), 0u) << d.format();
  }
}

TEST(RescompParse, LanguageMustBeDeclaredFirst) {
  EXPECT_NE(onlyError("1 \"x\"\nLANGUAGE 1033\n").message.find("declare the language"), std::string::npos);
  EXPECT_NE(onlyError("LANGUAGE\n").message.find("malformed language"), std::string::npos);
  EXPECT_NE(onlyError("LANGUAGE 70000\n").message.find("malformed language"), std::string::npos);
  EXPECT_NE(onlyError("LANGUAGE1033\n").message.find("malformed language"), std::string::npos);
  const Diagnostic d = onlyError("# only a comment\n");
  EXPECT_EQ(d.format(), "t.txt: error: the file declares no language (LANGUAGE 1033)");
  Parsed neutral = parse("LANGUAGE 0\n");
  ASSERT_TRUE(neutral.source);
  EXPECT_EQ(neutral.source->langId, 0);
}

std::vector<LanguageTable> merge(std::initializer_list<std::pair<const char*, const char*>> files,
                                 std::vector<Diagnostic>& diagnostics) {
  std::vector<SourceFile> sources;
  for (const auto& [name, content] : files) {
    auto source = parseSource(name, content, diagnostics);
    if (source) sources.push_back(*source);
  }
  return mergeSources(sources, diagnostics);
}

TEST(RescompMerge, IdDefinedTwiceInOneLanguageFailsNamingBothLines) {
  std::vector<Diagnostic> diagnostics;
  merge({{"de.txt", "LANGUAGE 1031\n5 \"a\"\n6 \"b\"\n5 \"c\"\n"}}, diagnostics);
  ASSERT_EQ(diagnostics.size(), 1u);
  EXPECT_EQ(diagnostics[0].format(),
            "de.txt:4: error: string 5 is defined twice in language 1031; first defined at de.txt:2");
}

TEST(RescompMerge, SameLanguageInTwoFilesCountsAsOneTable) {
  std::vector<Diagnostic> diagnostics;
  merge({{"a.txt", "LANGUAGE 1031\n5 \"a\"\n"}, {"b.txt", "LANGUAGE 1031\n# x\n5 \"a\"\n"}}, diagnostics);
  ASSERT_EQ(diagnostics.size(), 1u);
  EXPECT_EQ(diagnostics[0].where.file, "b.txt");
  EXPECT_EQ(diagnostics[0].where.line, 3);
}

TEST(RescompMerge, SameIdInDifferentLanguagesIsFine) {
  std::vector<Diagnostic> diagnostics;
  auto tables =
      merge({{"en.txt", "LANGUAGE 1033\n5 \"a\"\n"}, {"de.txt", "LANGUAGE 1031\n5 \"b\"\n"}}, diagnostics);
  EXPECT_TRUE(diagnostics.empty());
  ASSERT_EQ(tables.size(), 2u);
  EXPECT_EQ(tables[0].langId, 1031) << "tables come ordered by language";
  EXPECT_EQ(tables[1].strings.at(5).text, u"a");
}

TEST(RescompCoverage, IdsOneLanguageLacksAreWarnedUnlessAllowed) {
  std::vector<Diagnostic> diagnostics;
  auto tables = merge({{"de.txt", "LANGUAGE 1031\n1 \"a\"\n2 \"nur deutsch\"\n3 \"\"\n"},
                       {"en.txt", "LANGUAGE 1033\n1 \"a\"\n4 \"english only\"\n"}},
                      diagnostics);
  ASSERT_TRUE(diagnostics.empty());

  checkLanguageCoverage(tables, {}, diagnostics);
  ASSERT_EQ(diagnostics.size(), 3u);
  for (const Diagnostic& d : diagnostics) EXPECT_EQ(d.severity, Severity::Warning);
  EXPECT_EQ(diagnostics[0].format(),
            "de.txt:3: warning: string 2 is defined in language 1031 only, not in 1033");
  EXPECT_EQ(diagnostics[1].where.line, 4) << "an empty text still counts as defined";
  EXPECT_EQ(diagnostics[2].format(),
            "en.txt:3: warning: string 4 is defined in language 1033 only, not in 1031");

  diagnostics.clear();
  std::vector<Diagnostic> allowErrors;
  const AllowList allowed = parseAllowList("ok.txt", "# ids\n2\n 3  # empty in German\n\n4\n", allowErrors);
  ASSERT_TRUE(allowErrors.empty());
  checkLanguageCoverage(tables, allowed, diagnostics);
  EXPECT_TRUE(diagnostics.empty());
}

TEST(RescompCoverage, StaleAllowEntryIsWarnedAndNeutralTableIsNotCompared) {
  std::vector<Diagnostic> diagnostics;
  auto tables = merge({{"de.txt", "LANGUAGE 1031\n1 \"a\"\n"},
                       {"en.txt", "LANGUAGE 1033\n1 \"a\"\n"},
                       {"neutral.txt", "LANGUAGE 0\n9 \"x\"\n"}},
                      diagnostics);
  std::vector<Diagnostic> allowErrors;
  const AllowList allowed = parseAllowList("ok.txt", "1\n", allowErrors);
  checkLanguageCoverage(tables, allowed, diagnostics);
  ASSERT_EQ(diagnostics.size(), 1u);
  EXPECT_EQ(diagnostics[0].format(),
            "ok.txt:1: warning: string 1 is listed as one-language but is not missing from any language");
}

TEST(RescompCoverage, AllowListFaultsAreErrorsWithLines) {
  std::vector<Diagnostic> diagnostics;
  parseAllowList("ok.txt", "1\n2 3\nabc\n70000\n", diagnostics);
  ASSERT_EQ(diagnostics.size(), 3u);
  EXPECT_EQ(diagnostics[0].where.line, 2);
  EXPECT_EQ(diagnostics[1].where.line, 3);
  EXPECT_EQ(diagnostics[2].where.line, 4);
  EXPECT_TRUE(hasErrors(diagnostics));
}

// Compiles sources into blocks and wraps them as the platform reads them.
struct Compiled {
  std::vector<Block> blocks;
  std::vector<platform::res::StringBlockData> data;
};

Compiled compile(std::initializer_list<std::pair<const char*, const char*>> files) {
  std::vector<Diagnostic> diagnostics;
  Compiled c;
  c.blocks = buildBlocks(merge(files, diagnostics));
  EXPECT_TRUE(diagnostics.empty());
  for (const Block& b : c.blocks) c.data.push_back({b.langId, b.blockNumber, b.units.data(), b.units.size()});
  return c;
}

TEST(RescompBlocks, CompiledBlocksReadBackThroughTheResourceModule) {
  Compiled c =
      compile({{"en.txt", "LANGUAGE 1033\n0 \"zero\"\n3 \"three\"\n15 \"fifteen\"\n16 \"x\"\n31 \"\"\n"},
               {"de.txt", "LANGUAGE 1031\n3 \"drei\"\n"}});
  ASSERT_EQ(c.blocks.size(), 3u);
  const platform::res::ResourceModule module(c.data);
  EXPECT_EQ(module.readString(1033, 0), u"zero");
  EXPECT_EQ(module.readString(1033, 3), u"three");
  EXPECT_EQ(module.readString(1033, 15), u"fifteen");
  EXPECT_EQ(module.readString(1033, 16), u"x");
  EXPECT_EQ(module.readString(1033, 1), u"");
  EXPECT_EQ(module.readString(1031, 3), u"drei");
  EXPECT_EQ(module.readString(1031, 0), u"") << "German block 1 exists, id 0 undefined in it";
  EXPECT_FALSE(module.readString(1031, 16));
  EXPECT_FALSE(module.readString(1033, 32));
}

TEST(RescompBlocks, DefinedEmptyTextCreatesTheBlockAnUndefinedIdDoesNot) {
  Compiled defined = compile({{"en.txt", "LANGUAGE 1033\n20 \"\"\n"}});
  ASSERT_EQ(defined.blocks.size(), 1u);
  EXPECT_EQ(defined.blocks[0].blockNumber, 2u);
  EXPECT_EQ(defined.blocks[0].units, std::vector<char16_t>(16, 0));
  EXPECT_EQ(platform::res::ResourceModule(defined.data).readString(1033, 20), u"");

  EXPECT_TRUE(compile({{"en.txt", "LANGUAGE 1033\n"}}).blocks.empty());
}

TEST(RescompBlocks, LongAndNonAsciiTextsKeepTheirUnits) {
  const std::string longText(70000 - 4, 'a');
  std::vector<Diagnostic> diagnostics;
  parseSource("t.txt", "LANGUAGE 1033\n1 \"" + longText + "\"\n", diagnostics);
  ASSERT_EQ(diagnostics.size(), 1u);
  EXPECT_NE(diagnostics[0].message.find("longer than 65535"), std::string::npos);

  Compiled c = compile({{"de.txt", "LANGUAGE 1031\n1 \"\xC3\x9C\xF0\x9F\x98\x80\"\n"}});
  EXPECT_EQ(c.blocks[0].units,
            (std::vector<char16_t>{0, 3, 0x00DC, 0xD83D, 0xDE00, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
}

TEST(RescompGenerate, SymbolsMayCarryNamespaces) {
  EXPECT_TRUE(isValidSymbol("stringTables"));
  EXPECT_TRUE(isValidSymbol("velumor::resources::stringTables"));
  EXPECT_TRUE(isValidSymbol("_x1"));
  for (const char* bad : {"", "1x", "::x", "x::", "a:b", "a::::b", "a-b", "a b"})
    EXPECT_FALSE(isValidSymbol(bad)) << bad;
}

TEST(RescompGenerate, SourceDefinesTheFunctionInItsNamespace) {
  Compiled c = compile({{"en.txt", "LANGUAGE 1033\n17 \"A\"\n"}});
  const std::string text = generateSource("velumor::res::strings", c.blocks, {"en.txt"});
  EXPECT_NE(text.find("namespace velumor::res {"), std::string::npos);
  EXPECT_NE(text.find("std::span<const platform::res::StringBlockData> strings() {"), std::string::npos);
  EXPECT_NE(text.find("{1033, 2, kUnits_1033_2, 17}"), std::string::npos);
  EXPECT_NE(text.find("0x0000, 0x0001, 0x0041,"), std::string::npos);

  const std::string empty = generateSource("strings", {}, {});
  EXPECT_EQ(empty.find("namespace"), std::string::npos);
  EXPECT_NE(empty.find("return {};"), std::string::npos);
}

}  // namespace
}  // namespace rescomp
