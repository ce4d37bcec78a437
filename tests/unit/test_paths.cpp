#include "res/fw_Paths.h"

#include <gtest/gtest.h>

#include <boost/filesystem.hpp>

#include <fstream>
#include <set>

namespace fs = boost::filesystem;

namespace {
// A fake file system: the set of paths that exist, and a record of every question asked.
struct FakeTree {
  std::set<std::string> present;
  int questions = 0;
  std::function<bool(const std::string&)> exists() {
    return [this](const std::string& p) {
      ++questions;
      return present.count(p) > 0;
    };
  }
};
}  // namespace

TEST(RootSearch, StandaloneWhenSrcAndDataSitBesideAndNoSconsFile) {
  FakeTree tree;
  tree.present = {"/opt/show/src", "/opt/show/data"};
  fw_RootSearchResult r = fw_SearchRoots("/opt/show", "dusk", tree.exists());
  ASSERT_TRUE(r.found);
  EXPECT_TRUE(r.standalone);
  EXPECT_EQ(r.frameworkRoot, "/opt/show");
  EXPECT_EQ(r.projectRoot, "/opt/show");
}

TEST(RootSearch, SconsFileMeansDevelopmentTreeEvenWithSrcAndData) {
  FakeTree tree;
  tree.present = {"/w/repo/projects/dusk/dusk.scons", "/w/repo/projects/dusk/src", "/w/repo/projects/dusk/data",
                  "/w/repo/.top"};
  fw_RootSearchResult r = fw_SearchRoots("/w/repo/projects/dusk", "dusk", tree.exists());
  ASSERT_TRUE(r.found);
  EXPECT_FALSE(r.standalone);
  EXPECT_EQ(r.frameworkRoot, "/w/repo/libraries/fw");
  EXPECT_EQ(r.projectRoot, "/w/repo/projects/dusk");
}

TEST(RootSearch, OnlyOneOfSrcAndDataIsADevelopmentTree) {
  FakeTree tree;
  tree.present = {"/w/repo/sub/src", "/w/repo/.top"};
  fw_RootSearchResult r = fw_SearchRoots("/w/repo/sub/", "dusk", tree.exists());
  ASSERT_TRUE(r.found);
  EXPECT_EQ(r.projectRoot, "/w/repo/projects/dusk");
}

TEST(RootSearch, TopAtTheFileSystemRootAndMissingTopFailsWithoutHanging) {
  FakeTree atRoot;
  atRoot.present = {"/.top"};
  fw_RootSearchResult r = fw_SearchRoots("/a/b", "dusk", atRoot.exists());
  ASSERT_TRUE(r.found);
  EXPECT_EQ(r.frameworkRoot, "/libraries/fw");

  FakeTree none;
  r = fw_SearchRoots("/a/b/c", "dusk", none.exists());
  EXPECT_FALSE(r.found);
  EXPECT_NE(r.message.find("/a/b/c"), std::string::npos);
  EXPECT_NE(r.message.find(".top"), std::string::npos);
  EXPECT_LT(none.questions, 10);  // scons, src, then .top in /a/b/c, /a/b, /a and /

  EXPECT_FALSE(fw_SearchRoots("", "dusk", none.exists()).found);
  EXPECT_FALSE(fw_SearchRoots("relative", "dusk", none.exists()).found);
}

TEST(RootSearch, RealFileSystemTrees) {
  fs::path base = fs::temp_directory_path() / fs::unique_path("core-roots-%%%%%%");
  fs::create_directories(base / "tree/projects/dusk");
  std::ofstream((base / "tree/.top").string()).put('\n');
  std::ofstream((base / "tree/projects/dusk/dusk.scons").string()).put('\n');
  fs::create_directories(base / "standalone/src");
  fs::create_directories(base / "standalone/data");

  fw_RootSearchResult dev = fw_SearchRoots((base / "tree/projects/dusk").string(), "dusk");
  ASSERT_TRUE(dev.found);
  EXPECT_EQ(dev.frameworkRoot, (base / "tree/libraries/fw").string());
  fw_RootSearchResult alone = fw_SearchRoots((base / "standalone").string(), "dusk");
  ASSERT_TRUE(alone.found);
  EXPECT_TRUE(alone.standalone);
  // No .top anywhere above a temporary directory (unless the machine's root has one).
  if (!fw_PathExists("/.top") && !fw_PathExists(fs::temp_directory_path().string() + "/.top")) {
    EXPECT_FALSE(fw_SearchRoots((base / "standalone/src").string(), "dusk").found);
  }
  EXPECT_FALSE(fw_PathExists((base / "nothing").string()));
  fs::remove_all(base);
}

TEST(DataPath, FullPathsStayAndDataNamesGoBelowTheProjectRoot) {
  EXPECT_EQ(fw_DataPath("/p", "C:\\pics\\a.png"), "C:\\pics\\a.png");
  EXPECT_EQ(fw_DataPath("/p", "/abs/a.png"), "/abs/a.png");
  EXPECT_EQ(fw_DataPath("/p", "./data/a.png"), "/p/data/a.png");
  EXPECT_EQ(fw_DataPath("/p", "./data/scroller/grain.png"), "/p/data/scroller/grain.png");
  EXPECT_EQ(fw_DataPath("/p", "a.png"), "/p/data/a.png");
  EXPECT_EQ(fw_DataPath("/p", "./other/a.png"), "/p/data/./other/a.png");
  EXPECT_EQ(fw_DataPath("/p", "c"), "/p/data/c");
  EXPECT_EQ(fw_DataPath("/p", ""), "/p/data/");

  fw_SetRoots("/fw", "/proj");
  EXPECT_EQ(fw_DataPath("x.png"), "/proj/data/x.png");
  EXPECT_EQ(fw_GetFrameworkRoot(), "/fw");
}
