// Live mode's section map (the sync library's, as capture reads it) and transport: a damaged or
// overlapping map line is named and skipped, a name that is
// not UTF-8 is made readable, the keys never take the row below 0 or past the last section's
// start, and a loop to the last row keeps the playhead.
#include "live/fw_Live.h"
#include "live/fw_LiveTransport.h"
#include "log_capture.h"
#include "res/fw_Paths.h"
#include "sync/fw_Clock.h"
#include "sync/fw_ShowSections.h"
#include "sync/fw_Sync.h"

#include <platform/win32.h>

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <climits>
#include <fstream>

TEST(LiveTransport, SectionMapSkipsBadLinesByNameAndLine) {
  const auto path = boost::filesystem::temp_directory_path() / boost::filesystem::unique_path("sections-%%%%%%");
  std::ofstream(path.string()) << "# name first last\nintro 0 255\nbuild 256\ndrop 768 1279 # comment\n"
                                  "back 700 800\nend 1280 1300\n";
  LogCapture log;
  const std::vector<sync::Section> sections = fw_ReadSectionMap(path.string());
  boost::filesystem::remove(path);
  ASSERT_EQ(sections.size(), 3u);
  EXPECT_EQ(sections[1].name, "drop");
  EXPECT_TRUE(log.contains(path.string() + ":3:"));  // a row missing
  EXPECT_TRUE(log.contains(path.string() + ":5:"));  // overlaps the section before
  EXPECT_EQ(sync::sectionAt(sections, 767.5f), nullptr);  // between sections
  EXPECT_EQ(sync::sectionAt(sections, 1279.9f)->name, "drop");
  EXPECT_TRUE(fw_ReadSectionMap(path.string()).empty());  // gone: no sections
}

TEST(LiveTransport, KeysStayInsideTheShow) {
  const std::vector<sync::Section> sections{{"intro", 0, 255}, {"build", 256, 767}};
  EXPECT_EQ(fw_LiveSeekTarget(VK_LEFT, true, 20.0f, sections), 0.0f);
  EXPECT_EQ(fw_LiveSeekTarget(VK_RIGHT, false, 99.6f, sections), 108.0f);  // from the nearest row
  EXPECT_EQ(fw_LiveSeekTarget(VK_PRIOR, false, 300.0f, sections), 256.0f);
  EXPECT_EQ(fw_LiveSeekTarget(VK_PRIOR, false, 260.0f, sections), 0.0f);  // just in: the one before
  EXPECT_EQ(fw_LiveSeekTarget(VK_NEXT, false, 400.0f, sections), 400.0f);  // past the last start
  EXPECT_EQ(fw_LiveSeekTarget('Q', false, 400.0f, sections), -1.0f);
  EXPECT_EQ(fw_LiveStatusLine("show", 1412.7f, {{"breakdown", 1280, 1791}}, 12.4f, {0.55f, 4}, true),
            "show \xc2\xb7 row 1412 \xc2\xb7 bar 45.1 \xc2\xb7 breakdown \xc2\xb7 12 fps \xc2\xb7 0.55 \xc3\x97 4 "
            "\xc2\xb7 paused");
}

// A section map with a name that is not UTF-8 (a Latin-1 "outré"): warned about, kept with the
// stray byte replaced, so the title and the timeline page's JSON take it.
TEST(LiveTransport, ASectionNameThatIsNotUtf8IsWarnedAboutAndKeptReadable) {
  const auto path = boost::filesystem::temp_directory_path() / boost::filesystem::unique_path("sections-%%%%%%");
  std::ofstream(path.string(), std::ios::binary) << "intro 0 255\noutr\xe9 256 511\n";
  LogCapture log;
  const std::vector<sync::Section> sections = fw_ReadSectionMap(path.string());
  boost::filesystem::remove(path);
  ASSERT_EQ(sections.size(), 2u);
  EXPECT_EQ(sections[1].name, "outr\xef\xbf\xbd");
  EXPECT_EQ(sections[1].lastRow, 511u);
  EXPECT_TRUE(log.contains(path.string() + ":2: the section's name is not UTF-8", 1));
}

// A loop to the last row there is: its end is one past INT_MAX, which must not wrap to below 0
// and throw the playhead to the loop's start on every frame.
TEST(LiveTransport, ALoopToTheLastRowKeepsThePlayheadWhereItIs) {
  const sync::Section all{"all", 50, INT_MAX};
  EXPECT_TRUE(sync::rowInSection(all, 100.0f));
  EXPECT_TRUE(sync::rowInSection(all, 2.1e9f));
  EXPECT_FALSE(sync::rowInSection(all, 49.9f));
  EXPECT_FALSE(sync::rowInSection({"one", 8, 8}, 9.0f));
  EXPECT_TRUE(sync::rowInSection({"one", 8, 8}, 8.99f));

  const auto root = boost::filesystem::temp_directory_path() / boost::filesystem::unique_path("live-loop-%%%%%%");
  boost::filesystem::create_directories(root);
  fw_SetRoots(root.string(), root.string());
  fw_CreateClocks();
  fw_StartSync((root / "sync").string().c_str(), true);
  ASSERT_TRUE(fw_LiveStart(nullptr, "show", ""));
  fw_LiveSeek(100.0f);
  fw_LiveSetLoop(std::make_pair(50, INT_MAX));
  EXPECT_EQ(fw_GetSyncRow(), 100.0f);
  fw_LiveBeginFrame();
  EXPECT_EQ(fw_GetSyncRow(), 100.0f);
  fw_LiveSetLoop(std::make_pair(200, INT_MAX));  // elsewhere: the playhead goes to its start
  EXPECT_EQ(fw_GetSyncRow(), 200.0f);
  fw_LiveStop();
  fw_StopSync();
  fw_DestroyClocks();
  boost::filesystem::remove_all(root);
}
