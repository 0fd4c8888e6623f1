#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <utility>
#include <vector>

#include "ChildProcess.h"
#include "UsersCard.h"
#include "config/FileOpenModel.h"
#include "support/TestSupport.h"

namespace kivu {
namespace {

using test::TempDir;
using test::WriteFile;
using Listing = std::vector<std::pair<std::string, EntryKind>>;

Listing ListingOf(const FileBrowser& browser) {
  Listing listing;
  for (const FolderEntry& entry : browser.Entries())
    listing.emplace_back(entry.name, entry.kind);
  return listing;
}

std::vector<std::pair<std::string, std::string>> PairsOf(const std::vector<FileType>& types) {
  std::vector<std::pair<std::string, std::string>> pairs;
  for (const FileType& type : types)
    pairs.emplace_back(type.description, type.pattern);
  return pairs;
}

TEST(FileFilter, PairsSplitAtBarsAndARunOfBarsCountsAsOne) {
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(PairsOf(ParseFileFilter("*.exe|*.exe|*.*|*.*||")), (Pairs{{"*.exe", "*.exe"}, {"*.*", "*.*"}}));
  EXPECT_EQ(PairsOf(ParseFileFilter("Maps||*.map|||All|*.*|")), (Pairs{{"Maps", "*.map"}, {"All", "*.*"}}));
  EXPECT_EQ(PairsOf(ParseFileFilter("|*.txt|")), (Pairs{{"", "*.txt"}}));
}

TEST(FileFilter, ADescriptionWithoutItsPatternGetsAnEmptyOneAndBarlessTextNothing) {
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(PairsOf(ParseFileFilter("Programs|*")), (Pairs{{"Programs", ""}}));
  EXPECT_TRUE(ParseFileFilter("").empty());
  EXPECT_TRUE(ParseFileFilter("*.exe").empty());
}

TEST(FileFilter, TheNavigatorFilterOffersProgramsFirst) {
  using Pairs = std::vector<std::pair<std::string, std::string>>;
  EXPECT_EQ(PairsOf(ParseFileFilter(kNavigatorFilter)),
            (Pairs{{"Programs", "+x"}, {"*.exe", "*.exe"}, {"*.*", "*.*"}}));
}

TEST(FileFilter, TypeKeyIsTheLastExtensionLowerCasedAndOnlyTheFileSideIsLowered) {
  EXPECT_EQ(FileTypeKey("A.EXE"), "*.exe");
  EXPECT_EQ(FileTypeKey("maps.tar.GZ"), "*.gz");
  EXPECT_EQ(FileTypeKey(".profile"), "*.profile");
  EXPECT_EQ(FileTypeKey("navit"), "*");
  EXPECT_EQ(FileTypeKey("exe"), "*");
  EXPECT_EQ(FileTypeKey("odd."), "*.");
  EXPECT_TRUE(PatternAccepts("*.exe", "*.exe"));
  EXPECT_TRUE(PatternAccepts("*.*", "*"));
  EXPECT_TRUE(PatternAccepts("*", "*"));
  EXPECT_FALSE(PatternAccepts("*.EXE", "*.exe"));
  EXPECT_FALSE(PatternAccepts("*", "*.exe"));
  EXPECT_FALSE(PatternAccepts("", "*"));
  EXPECT_TRUE(PatternAccepts("+x", "*.sh", true));
  EXPECT_FALSE(PatternAccepts("+x", "*", false));
  EXPECT_FALSE(PatternAccepts("*.exe", "*.exe", false) != PatternAccepts("*.exe", "*.exe", true));
}

TEST(FileFilter, NamesSortWithoutRegardToCaseThenByByte) {
  EXPECT_TRUE(NameLess("apple", "Banana"));
  EXPECT_TRUE(NameLess("Maps", "navit"));
  EXPECT_TRUE(NameLess("README", "readme"));  // same letters: 'R' (0x52) before 'r'
  EXPECT_FALSE(NameLess("readme", "README"));
  EXPECT_FALSE(NameLess("same", "same"));
  EXPECT_TRUE(NameLess("map", "maps"));
}

// A folder as a user's card might hold it: two programs named the Windows way, a text file, a folder, a
// Linux program without extension, a file named 'exe', a hidden file, a README and a pipe.
class BrowseTree : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = dir_.Path().substr(0, dir_.Path().size() - 1);
    test::MakeUsersCard(dir_, {"A.EXE", "b.exe", "c.txt", "exe", ".hidden", "README"});
  }

  FileBrowser Browser(int type, std::uint32_t mask = kBrowseAttributeMask) {
    FileBrowser browser(mask, kNavigatorFilter);
    browser.SetTypeIndex(type);
    return browser;
  }

  TempDir dir_;
  std::string root_;  // the folder without its trailing '/'
};

TEST_F(BrowseTree, ProgramsAreTheFilesWithAnExecuteBitWhateverTheirNameListedWithTheFolders) {
  for (const char* name : {"nav.sh", "Maps.AppImage"}) {
    WriteFile(dir_ / name, "#!/bin/sh\n");
    ASSERT_EQ(chmod((dir_ / name).c_str(), 0711), 0);
  }
  FileBrowser browser = Browser(0);
  EXPECT_EQ(browser.TypeIndex(), 0);
  EXPECT_EQ(browser.ListFolder(root_), 0);
  EXPECT_EQ(ListingOf(browser), (Listing{{"Maps", EntryKind::Folder},
                                         {"Maps.AppImage", EntryKind::Program},
                                         {"nav.sh", EntryKind::Program},
                                         {"navit", EntryKind::Program}}));
}

TEST_F(BrowseTree, ExeTypeListsBothCasesAndTheFolderAndEverythingTypeListsAllButThePipe) {
  FileBrowser exe = Browser(1);
  EXPECT_EQ(exe.ListFolder(root_), 0);
  EXPECT_EQ(
      ListingOf(exe),
      (Listing{{"A.EXE", EntryKind::Program}, {"b.exe", EntryKind::Program}, {"Maps", EntryKind::Folder}}));
  FileBrowser all = Browser(2);
  EXPECT_EQ(all.ListFolder(root_), 0);
  EXPECT_EQ(ListingOf(all), (Listing{{".hidden", EntryKind::File},
                                     {"A.EXE", EntryKind::Program},
                                     {"b.exe", EntryKind::Program},
                                     {"c.txt", EntryKind::File},
                                     {"exe", EntryKind::File},
                                     {"Maps", EntryKind::Folder},
                                     {"navit", EntryKind::Program},
                                     {"README", EntryKind::File}}));
}

TEST_F(BrowseTree, ACapitalPatternMatchesNoFile) {
  FileBrowser browser(kBrowseAttributeMask, "*.EXE|*.EXE||");
  EXPECT_EQ(browser.ListFolder(root_), 0);
  EXPECT_EQ(ListingOf(browser), (Listing{{"Maps", EntryKind::Folder}}));
}

TEST_F(BrowseTree, TheMaskDecidesOverPipesAndHiddenFilesAndNoTypeListsEveryFile) {
  FileBrowser open(0, "");
  EXPECT_EQ(open.TypeIndex(), -1);
  EXPECT_EQ(open.ListFolder(root_), 0);
  ASSERT_EQ(open.Entries().size(), 9u);
  EXPECT_EQ(open.Entries()[5].name, "gps.pipe");
  EXPECT_EQ(open.Entries()[5].kind, EntryKind::File);

  FileBrowser noHidden = Browser(2, kAttributeHidden | kAttributeSystem);
  noHidden.ListFolder(root_);
  EXPECT_EQ(noHidden.Entries().size(), 7u);
  EXPECT_EQ(noHidden.Entries().front().name, "A.EXE");

  FileBrowser noFolders = Browser(2, kAttributeFolder);
  noFolders.ListFolder(root_);
  for (const FolderEntry& entry : noFolders.Entries())
    EXPECT_NE(entry.kind, EntryKind::Folder) << entry.name;
}

TEST_F(BrowseTree, DeviceFilesCountAsSystemEntries) {
  FileBrowser masked = Browser(2);
  ASSERT_EQ(masked.ListFolder("/dev"), 0);
  for (const FolderEntry& entry : masked.Entries())
    EXPECT_NE(entry.name, "null");
  FileBrowser open = Browser(2, 0);
  ASSERT_EQ(open.ListFolder("/dev"), 0);
  bool sawNull = false;
  for (const FolderEntry& entry : open.Entries())
    sawNull |= entry.name == "null";
  EXPECT_TRUE(sawNull);
}

TEST_F(BrowseTree, MissingEmptyAndFileFoldersGiveTheirErrorsAndAnEmptyList) {
  FileBrowser browser = Browser(2);
  ASSERT_EQ(browser.ListFolder(root_), 0);
  EXPECT_EQ(browser.ListFolder(root_ + "/none"), kErrorPathNotFound);
  EXPECT_TRUE(browser.Entries().empty());
  ASSERT_EQ(browser.ListFolder(root_), 0);
  EXPECT_EQ(browser.ListFolder(root_ + "/c.txt"), kErrorPathNotFound);
  EXPECT_TRUE(browser.Entries().empty());
  ASSERT_EQ(mkdir((dir_ / "empty").c_str(), 0755), 0);
  EXPECT_EQ(browser.ListFolder(root_ + "/empty"), kErrorFileNotFound);
  // Entries the type hides still make the folder a readable one.
  FileBrowser exe = Browser(1);
  EXPECT_EQ(exe.ListFolder(root_ + "/Maps"), 0);
  EXPECT_TRUE(exe.Entries().empty());
}

TEST_F(BrowseTree, AnUnreadableFolderIsAccessDeniedAndStillBecomesCurrent) {
  ASSERT_EQ(mkdir((dir_ / "locked").c_str(), 0311), 0);
  ASSERT_EQ(chmod(dir_.Path().c_str(), 0755), 0);
  test::ChildOutcome child = test::RunUnprivileged([this] {
    FileBrowser browser(kBrowseAttributeMask, kNavigatorFilter);
    if (!browser.Start(root_)) return 10;
    if (browser.ListFolder(root_ + "/locked") != kErrorAccessDenied) return 11;
    if (!browser.EnterFolder("locked") || browser.CurrentFolder() != root_ + "/locked") return 12;
    return browser.Entries().empty() ? 0 : 13;
  });
  chmod(dir_.Path().c_str(), 0700);
  KIVU_EXPECT_UNPRIVILEGED_SUCCESS(child);
}

TEST_F(BrowseTree, LinksThatLeadNowhereAreListedAsFilesAndCannotBeEntered) {
  ASSERT_EQ(symlink("loop", (dir_ / "loop").c_str()), 0);
  ASSERT_EQ(symlink("gone", (dir_ / "dangling").c_str()), 0);
  ASSERT_EQ(symlink("Maps", (dir_ / "maps-link").c_str()), 0);
  FileBrowser browser = Browser(2);
  ASSERT_TRUE(browser.Start(root_));
  ASSERT_EQ(browser.ListFolder(root_), 0);
  Listing before = ListingOf(browser);
  EXPECT_EQ(before.size(), 11u);
  EXPECT_EQ(before[4], (std::pair<std::string, EntryKind>{"dangling", EntryKind::File}));
  EXPECT_EQ(before[6], (std::pair<std::string, EntryKind>{"loop", EntryKind::File}));
  EXPECT_EQ(before[8], (std::pair<std::string, EntryKind>{"maps-link", EntryKind::Folder}));
  EXPECT_FALSE(browser.EnterFolder("loop"));
  EXPECT_EQ(browser.CurrentFolder(), root_);
  EXPECT_EQ(ListingOf(browser), before);
  EXPECT_TRUE(browser.EnterFolder("maps-link"));
  EXPECT_EQ(ListingOf(browser), (Listing{{"europe.map", EntryKind::File}}));
}

TEST_F(BrowseTree, NamesKeepTheirExactBytes) {
  const std::string odd = "\xff\xfe nav\n.EXE";
  WriteFile(dir_ / odd, "x");
  FileBrowser browser = Browser(1);
  ASSERT_TRUE(browser.Start(root_));
  ASSERT_EQ(browser.ListFolder(root_), 0);
  ASSERT_EQ(browser.Entries().size(), 4u);
  const FolderEntry& last = browser.Entries().back();  // 0xff sorts after every letter
  EXPECT_EQ(last.name, odd);
  EXPECT_EQ(last.kind, EntryKind::Program);
  browser.PickEntry(last);
  EXPECT_EQ(browser.GetPathName(), dir_ / odd);
}

TEST_F(BrowseTree, EnteringAndUpWalkTheTreeUpToTheRoot) {
  FileBrowser browser = Browser(2);
  ASSERT_TRUE(browser.Start(dir_.Path() + "//"));
  EXPECT_EQ(browser.CurrentFolder(), root_);
  EXPECT_TRUE(browser.EnterFolder("Maps"));
  EXPECT_EQ(browser.CurrentFolder(), root_ + "/Maps");
  EXPECT_EQ(ListingOf(browser), (Listing{{"europe.map", EntryKind::File}}));
  EXPECT_TRUE(browser.Up());
  EXPECT_EQ(browser.CurrentFolder(), root_);
  EXPECT_EQ(browser.Entries().size(), 8u);

  FileBrowser top = Browser(2);
  ASSERT_TRUE(top.Start("/tmp"));
  EXPECT_TRUE(top.Up());
  EXPECT_EQ(top.CurrentFolder(), "");
  EXPECT_EQ(top.ListFolder(""), 0);
  EXPECT_FALSE(top.Up());
  EXPECT_EQ(top.CurrentFolder(), "");
}

TEST_F(BrowseTree, EnteringAFileKeepsTheFolderAndItsList) {
  FileBrowser browser = Browser(2);
  ASSERT_TRUE(browser.Start(root_));
  ASSERT_EQ(browser.ListFolder(root_), 0);
  EXPECT_FALSE(browser.EnterFolder("c.txt"));
  EXPECT_EQ(browser.CurrentFolder(), root_);
  EXPECT_EQ(browser.Entries().size(), 8u);
}

TEST_F(BrowseTree, AMissingStartFolderMeansTheRootWhereEnteringGivesATopLevelPath) {
  FileBrowser browser = Browser(2);
  EXPECT_FALSE(browser.Start(root_ + "/SDMMC"));
  EXPECT_FALSE(browser.Start(root_ + "/c.txt"));
  EXPECT_EQ(browser.CurrentFolder(), "");
  EXPECT_EQ(browser.ListFolder(""), 0);
  EXPECT_TRUE(browser.EnterFolder("tmp"));
  EXPECT_EQ(browser.CurrentFolder(), "/tmp");
  EXPECT_TRUE(FileBrowser(0, "").Start("/"));
}

TEST_F(BrowseTree, ThePathIsTheFolderAndThePickedOrTypedName) {
  FileBrowser browser = Browser(2);
  ASSERT_TRUE(browser.Start(root_));
  EXPECT_EQ(browser.GetPathName(), root_ + "/");
  browser.PickEntry({"navit", EntryKind::Program});
  EXPECT_EQ(browser.GetPathName(), root_ + "/navit");
  browser.PickEntry({"Maps", EntryKind::Folder});
  EXPECT_EQ(browser.PickedName(), "");
  browser.TypeName("x.exe");
  EXPECT_EQ(browser.GetPathName(), root_ + "/x.exe");
  browser.TypeName("/usr/bin/navit");
  EXPECT_EQ(browser.GetPathName(), "/usr/bin/navit");

  FileBrowser atRoot = Browser(2);
  atRoot.PickEntry({"navit", EntryKind::Program});
  EXPECT_EQ(atRoot.GetPathName(), "/navit");
}

TEST_F(BrowseTree, BrowsingStartsInTheNavigatorsFolderElseOnTheCard) {
  EXPECT_EQ(BrowseStartFolder(root_ + "/Maps/navit"), root_ + "/Maps");
  EXPECT_EQ(BrowseStartFolder(root_ + "/Nowhere/navit"), "/SDMMC");
  EXPECT_EQ(BrowseStartFolder(root_ + "/c.txt/navit"), "/SDMMC");
  EXPECT_EQ(BrowseStartFolder("navit"), "/SDMMC");
  EXPECT_EQ(BrowseStartFolder("Maps/navit"), "/SDMMC");
  EXPECT_EQ(BrowseStartFolder(""), "/SDMMC");
  EXPECT_EQ(BrowseStartFolder("/navit"), "");
}

}  // namespace
}  // namespace kivu
