// Where the tool finds its GenICam module: the build tree's tool only in its
// own build tree, an installed one only beside its own folder; a module
// planted anywhere else, such as in a lib/visionaccess beside a build tree
// in a shared folder, is never loaded.
#include "ToolHarness.h"

#include <filesystem>

namespace {

namespace fs = std::filesystem;

const std::string kModuleFile = "libvisionaccess-genicam.so";
const std::string kMissing = " (cannot open shared object file: No such file or directory)\n";

class ModuleLookup : public ToolTest {
protected:
    void SetUp() override
    {
        ToolTest::SetUp();
        setEnv("XDG_CACHE_HOME", path("cache"));
        useConfig("camera 5\n");
        clearLookupTree();
    }
    void TearDown() override
    {
        clearLookupTree();
        ToolTest::TearDown();
    }

    // The build tree of LookupTreeTool with no module in it, and nothing
    // planted beside it.
    static void clearLookupTree()
    {
        fs::path tree = LOOKUP_TREE;
        fs::remove_all(tree / "genicam");
        fs::remove_all(tree.parent_path() / "lib");
    }

    // Copies a module to folder/libvisionaccess-genicam.so.
    static void putModule(const std::string &module, const fs::path &folder)
    {
        fs::create_directories(folder);
        fs::copy_file(module, folder / kModuleFile, fs::copy_options::overwrite_existing);
    }
};

TEST_F(ModuleLookup, OnlyTheToolsOwnPlaceIsSearched)
{
    const fs::path tree = LOOKUP_TREE;
    const fs::path installed = fs::canonical(dir_) / "prefix";
    const fs::path installedModule = installed / "lib/visionaccess" / kModuleFile;
    fs::create_directories(installed / "bin");
    fs::copy_file(VISIONACCESS_BINARY, installed / "bin/VisionAccess");
    ASSERT_EQ(std::string(GENICAM_MODULE_FROM_PROGRAM), "../lib/visionaccess");
    const struct {
        const char *name;
        std::string tool;
        std::vector<std::pair<std::string, fs::path>> modules;  // which module, in which folder
        std::string lines;
    } cases[] = {
        {"a build tree loads only its own module, never one beside it", tree / "VisionAccess",
         {{PLANTED_MODULE, tree.parent_path() / "lib/visionaccess"}},
         "        Could not read feature Width: the GenICam module cannot be loaded from the build tree's " +
             (tree / "genicam/module" / kModuleFile).string() + kMissing},
        {"a build tree with its module", tree / "VisionAccess",
         {{PLANTED_MODULE, tree.parent_path() / "lib/visionaccess"}, {GENICAM_MODULE, tree / "genicam/module"}},
         "        Feature Width read as 1920\n"},
        {"an installed tool loads only the installed module, never one of a build tree's layout",
         installed / "bin/VisionAccess", {{PLANTED_MODULE, installed / "bin/genicam/module"}},
         "        Could not read feature Width: the GenICam module cannot be loaded from " +
             installedModule.string() + kMissing},
        {"an installed tool with its module", installed / "bin/VisionAccess",
         {{PLANTED_MODULE, installed / "bin/genicam/module"}, {GENICAM_MODULE, installedModule.parent_path()}},
         "        Feature Width read as 1920\n"},
    };
    for (const auto &c : cases) {
        clearLookupTree();
        fs::remove_all(installed / "lib");
        for (const auto &module : c.modules)
            putModule(module.first, module.second);
        useBinary(c.tool);
        ToolRun result = run({"-r", "Width"});
        EXPECT_EQ(result.status, 0) << c.name;
        EXPECT_EQ(result.out, kStamp + "    Camera 5\n" + c.lines) << c.name;
        EXPECT_EQ(result.err, "") << c.name << ": the planted module must not be loaded";
    }
}

} // namespace
