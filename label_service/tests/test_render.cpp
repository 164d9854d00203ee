// Rendering of spool records through the label design.
#include <gtest/gtest.h>

#include <vector>

#include "label_service/LabelRenderer.h"

namespace {

// A spool record with the given lines set; every other line is empty.
std::vector<String> Record(std::initializer_list<std::pair<int, String>> lines) {
  std::vector<String> rec(SpoolRecordLines);
  for (const auto& [index, text] : lines) rec[index] = text;
  return rec;
}

std::vector<String> SampleRecord() {
  return Record({{0, "Smith"},
                 {1, "Delivery"},
                 {2, "Anna"},
                 {3, "Order 42"},
                 {4, "Total:12345.67"},
                 {5, "time: 12:30 PM"},
                 {6, "3 labels"},
                 {7, "12 Elm Street"},
                 {8, "Springfield"},
                 {9, "555-0100"},
                 {10, "Map: K7"},
                 {11, "Back door"},
                 {20, "  Pizza Margherita  "},
                 {21, "extra cheese"},
                 {22, "no basil"}});
}

struct RenderRun {
  TStringList spool;
  TStringList labels;
  int designLoads = 0;
  int incompatible = 0;
};

void Render(RenderRun& run, const std::vector<std::vector<String>>& records, const String& design) {
  for (const auto& rec : records)
    for (const auto& line : rec) run.spool.Add(line);
  TLabelRenderer renderer;
  renderer.LoadDesign = [&](TStringList& list) {
    ++run.designLoads;
    list.SetText(design);
  };
  renderer.OnIncompatible = [&] { ++run.incompatible; };
  renderer.Render(run.spool, run.labels);
}

}  // namespace

TEST(LabelRender, EveryTagTakesItsLineAndParsedTagsLoseTheirCaptionInAnyCase) {
  RenderRun run;
  Render(run, {SampleRecord()},
         "<Reference>|<Revenue Center>|<Employee>|<Transaction Description>\r\n"
         "<Total Text>|<Order Total>|<Order Time>|<Order Time (Parsed)>\r\n"
         "<Label Header>|<Label Header (Parsed)>|<Address>|<City and Town>|<Phone>\r\n"
         "<Map Code>|<Map Code (Parsed)>|<Directions>|<Item Name>\r\n");
  ASSERT_EQ(run.labels.Count(), 4);
  EXPECT_EQ(run.labels.Strings(0), "Smith|Delivery|Anna|Order 42");
  EXPECT_EQ(run.labels.Strings(1), "Total:12345.67|12345.67|time: 12:30 PM|12:30 PM");
  EXPECT_EQ(run.labels.Strings(2), "3 labels|3|12 Elm Street|Springfield|555-0100");
  EXPECT_EQ(run.labels.Strings(3), "Map: K7|K7|Back door|Pizza Margherita");
  EXPECT_EQ(run.incompatible, 0);
}

TEST(LabelRender, TagsAreFoundWithoutRegardToCase) {
  RenderRun run;
  Render(run, {SampleRecord()}, "<ITEM NAME>/<reference>/<item mod[2]>/<Map CODE (parsed)>\r\n");
  ASSERT_EQ(run.labels.Count(), 1);
  EXPECT_EQ(run.labels.Strings(0), "Pizza Margherita/Smith/no basil/K7");
}

TEST(LabelRender, ApostrophesAreEscapedInEveryTagAndInTheSpoolLines) {
  RenderRun run;
  auto rec = SampleRecord();
  rec[0] = "O'Brien";
  rec[10] = "Map: 'K7'";
  rec[20] = "Chef's special";
  rec[21] = "don't cut";
  Render(run, {rec}, "<Reference> <Map Code (Parsed)> <Item Name> <Item Mod[1]>\r\n");
  ASSERT_EQ(run.labels.Count(), 1);
  EXPECT_EQ(run.labels.Strings(0), "O\\'Brien \\'K7\\' Chef\\'s special don\\'t cut");
  EXPECT_EQ(run.spool.Strings(0), "O\\'Brien");
  EXPECT_EQ(run.spool.Count(), SpoolRecordLines);
}

TEST(LabelRender, ModifiersRunFromTheItemLineToTheFirstEmptyLine) {
  // Item at line 25 after five empty lines, ten modifiers, an empty line, then
  // a line that must not count as a modifier.
  auto rec = SampleRecord();
  for (int i = 20; i < 25; ++i) rec[i] = "";
  rec[25] = "Burger";
  for (int n = 1; n <= 10; ++n) rec[25 + n] = " mod" + std::to_string(n) + " ";
  rec[36] = "";
  rec[37] = "not a modifier";
  RenderRun run;
  Render(run, {rec},
         "<Item Name>:<Item Mod[1]>,<Item Mod[10]>,<Item Mod[11]>,<Item Mod[100]>,<Item Mod[101]>\r\n");
  ASSERT_EQ(run.labels.Count(), 1);
  EXPECT_EQ(run.labels.Strings(0), "Burger:mod1,mod10,,,<Item Mod[101]>");
}

TEST(LabelRender, ALineOfBlanksIsAModifierAndTheRecordEndsTheModifiers) {
  auto rec = Record({{97, "Last item"}, {98, "   "}, {99, "after blanks"}});
  auto next = Record({{0, "next record"}});
  RenderRun run;
  Render(run, {rec, next}, "[<Item Name>][<Item Mod[1]>][<Item Mod[2]>][<Item Mod[3]>]\r\n");
  ASSERT_EQ(run.labels.Count(), 2);
  // Mod[3] would be line 100, the next record's first line: it stays empty.
  EXPECT_EQ(run.labels.Strings(0), "[Last item][][after blanks][]");
}

TEST(LabelRender, ARecordWithoutItemLineGetsAnEmptyItemAndNoModifiers) {
  RenderRun run;
  Render(run, {Record({{0, "Ref"}})}, "<Reference>:<Item Name>:<Item Mod[1]>:\r\n");
  ASSERT_EQ(run.labels.Count(), 1);
  EXPECT_EQ(run.labels.Strings(0), "Ref:::");
}

TEST(LabelRender, EveryRecordGetsAFreshDesign) {
  auto first = SampleRecord();
  auto second = SampleRecord();
  second[0] = "Jones";
  second[20] = "Salad";
  second[21] = "";
  RenderRun run;
  Render(run, {first, second}, "Label for <Reference>\r\n<Item Name> <Item Mod[1]>\r\n");
  EXPECT_EQ(run.designLoads, 2);
  ASSERT_EQ(run.labels.Count(), 4);
  EXPECT_EQ(run.labels.Strings(0), "Label for Smith");
  EXPECT_EQ(run.labels.Strings(1), "Pizza Margherita extra cheese");
  EXPECT_EQ(run.labels.Strings(2), "Label for Jones");
  EXPECT_EQ(run.labels.Strings(3), "Salad ");
}

TEST(LabelRender, AValueHoldingALaterTagHasThatTagFilledButAnEarlierTagStays) {
  // The tags are replaced one after another in the whole text, so a value
  // that brings a tag along is filled too when that tag comes later.
  auto rec = SampleRecord();
  rec[0] = "for <Employee>";         // <Employee> comes after <Reference>
  rec[2] = "<Reference> itself";     // <Reference> is done by then
  rec[20] = "Pizza <Item Mod[1]>";   // the modifiers come after the item
  rec[21] = "extra cheese";
  rec[22] = "<Item Mod[7]>";         // no seventh modifier: cleaned up
  RenderRun run;
  Render(run, {rec}, "<Reference>|<Employee>|<Item Name>|<Item Mod[2]>\r\n");
  ASSERT_EQ(run.labels.Count(), 1);
  EXPECT_EQ(run.labels.Strings(0), "for <Reference> itself|<Reference> itself|Pizza extra cheese|");
}

TEST(LabelRender, ADesignWithoutTagsIsCopiedOncePerRecord) {
  auto second = SampleRecord();
  second[0] = "Jones";
  RenderRun run;
  Render(run, {SampleRecord(), second, SampleRecord()}, "Fresh from the kitchen\r\n  <no tag> [x]\r\n");
  EXPECT_EQ(run.designLoads, 3);
  ASSERT_EQ(run.labels.Count(), 6);
  for (int i = 0; i < 6; i += 2) {
    EXPECT_EQ(run.labels.Strings(i), "Fresh from the kitchen");
    EXPECT_EQ(run.labels.Strings(i + 1), "  <no tag> [x]");
  }
}

TEST(LabelRender, LineCountsThatAreNotWholeRecordsRenderNothing) {
  RenderRun partial;
  auto rec = SampleRecord();
  rec.resize(50);
  Render(partial, {SampleRecord(), rec}, "<Reference>\r\n");
  EXPECT_EQ(partial.incompatible, 1);
  EXPECT_EQ(partial.labels.Count(), 0);
  EXPECT_EQ(partial.designLoads, 0);

  RenderRun empty;
  Render(empty, {}, "<Reference>\r\n");
  EXPECT_EQ(empty.incompatible, 0);
  EXPECT_EQ(empty.labels.Count(), 0);
}

