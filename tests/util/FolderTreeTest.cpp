// CreateFolders and DeleteTree on real folders.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "tests/support/TempFolder.h"
#include "platform/Platform.h"
#include "util/Text.h"

namespace fs = std::filesystem;

static void Touch(const std::string& path) { std::ofstream(path) << "x"; }

TEST(FolderTree, CreatesEveryFolderAlongThePathButNotTheFile) {
    TempFolder tmp;
    std::u16string path = tmp.Wide() + u"/Card/_cache/Lumatray/Pics/a.jpg";
    CreateFolders(path.c_str());
    EXPECT_TRUE(fs::is_directory(tmp.Path() + "/Card/_cache/Lumatray/Pics"));
    EXPECT_FALSE(fs::exists(tmp.Path() + "/Card/_cache/Lumatray/Pics/a.jpg"));
    // existing folders are no failure, and a second call changes nothing
    CreateFolders(path.c_str());
    EXPECT_TRUE(fs::is_directory(tmp.Path() + "/Card/_cache/Lumatray/Pics"));
    CreateFolders(u"");
    CreateFolders(u"/");
    CreateFolders(nullptr);

    // As long as the longest cache name (root and picture path together):
    // every folder along it, up to the last, is made.
    std::string deep = tmp.Path();
    while (deep.size() + 201 + 100 < kLongPathUnits) deep += "/" + std::string(200, 'a');
    deep += "/" + std::string(kLongPathUnits - 1 - 2 - deep.size() - 1, 'b');
    std::u16string longest = TempFolder::Utf16(deep + "/f");
    ASSERT_EQ(longest.size(), (size_t)kLongPathUnits - 1);
    CreateFolders(longest.c_str());
    EXPECT_TRUE(fs::is_directory(deep));
}

TEST(FolderTree, DeletesNestedFoldersWithFilesButNeverFollowsLinks) {
    TempFolder tmp;
    std::string root = tmp.Path() + "/tree", outside = tmp.Path() + "/outside";
    fs::create_directories(root + "/a/b/c");
    fs::create_directories(root + "/empty");
    fs::create_directories(outside + "/keep");
    Touch(root + "/top.jpg");
    Touch(root + "/a/one.jpg");
    Touch(root + "/a/b/c/deep.jpg");
    Touch(outside + "/precious.jpg");
    Touch(outside + "/keep/more.jpg");
    fs::create_directory_symlink(outside, root + "/a/link");
    fs::create_symlink(outside + "/precious.jpg", root + "/filelink.jpg");

    DeleteTree(TempFolder::Utf16(root).c_str());
    EXPECT_FALSE(fs::exists(fs::symlink_status(root)));
    EXPECT_TRUE(fs::exists(outside + "/precious.jpg"));
    EXPECT_TRUE(fs::exists(outside + "/keep/more.jpg"));

    // A link given as the folder itself goes as a link too.
    fs::create_directory_symlink(outside, tmp.Path() + "/direct");
    DeleteTree(TempFolder::Utf16(tmp.Path() + "/direct").c_str());
    EXPECT_FALSE(fs::exists(fs::symlink_status(tmp.Path() + "/direct")));
    EXPECT_TRUE(fs::exists(outside + "/keep/more.jpg"));

    DeleteTree(u"");  // the root is never a candidate
    DeleteTree(TempFolder::Utf16(tmp.Path() + "/missing").c_str());
}
