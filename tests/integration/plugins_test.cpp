// The plug-in loader with real modules: the family's name order and its
// three slots, plain and underscored names, consent, unusable modules,
// texts without an end, the release order, and that modules come from the
// given folder only.
#include "integration/plugins.h"

#include <gtest/gtest.h>

#include <cstdlib>

#include "support/plugin_modules.h"
#include "support/temp_dir.h"

namespace morvex {
namespace {

using test::InstallModule;
using test::TempDir;

TEST(Plugins, NameOrderSlotsNamingConsentAndRelease) {
    TempDir dir;
    // mvread is absent: mvread1 takes the first slot. mvread2 lacks its
    // path entry and is skipped; the underscored mvread3 is used like a
    // plain one. Five simulation modules exist under the four names the
    // program tries: the first three accepted get slots.
    ASSERT_TRUE(InstallModule(dir.Dir(), "probe_plain", "mvread1"));
    ASSERT_TRUE(InstallModule(dir.Dir(), "probe_unusable", "mvread2"));
    ASSERT_TRUE(InstallModule(dir.Dir(), "probe_underscored", "mvread3"));
    for (const char* name : {"mvsim", "mvsim1", "mvsim2", "mvsim3"}) {
        ASSERT_TRUE(InstallModule(dir.Dir(), "probe_plain", name));
    }
    ASSERT_TRUE(InstallModule(dir.Dir(), "probe_declines", "mvload"));  // no loader entries: not a loader

    PluginSet set;
    LoadPlugins(set, dir.Dir());
    ASSERT_EQ(set.readers.size(), 2u);
    EXPECT_EQ(set.readers[0].module.name, "mvread1");
    EXPECT_FALSE(set.readers[0].module.underscored);
    EXPECT_EQ(set.readers[1].module.name, "mvread3");
    EXPECT_TRUE(set.readers[1].module.underscored);
    EXPECT_NE(set.readers[1].entry.path, nullptr);
    EXPECT_EQ(set.readers[0].suffix, ".PRB");
    ASSERT_EQ(set.sims.size(), 3u);
    EXPECT_EQ(set.sims[2].module.name, "mvsim2");
    EXPECT_TRUE(set.loaders.empty());
    EXPECT_EQ(ReaderForFile(set, "/a/b/part.prb"), &set.readers[0]);
    EXPECT_EQ(ReaderForFile(set, "/a/b/part.nc"), nullptr);

    InitPlugins(set, 1);
    EXPECT_EQ(set.readers[0].kind, "Probe files");
    EXPECT_EQ(set.sims[0].menuText, "Probe cut or F8");
    EXPECT_EQ(set.sims[1].menuText, "Probe cut or F9");
    EXPECT_EQ(set.sims[2].menuText, "Probe cut");

    const std::string log = dir.Path("free.log");
    ::setenv("MORVEX_PROBE_LOG", log.c_str(), 1);
    ReleasePlugins(set);
    ::unsetenv("MORVEX_PROBE_LOG");
    EXPECT_EQ(TempDir::Read(log), "read:.PRB\nread:.PRB\nsim:.PRB\nsim:.PRB\nsim:.PRB\n");
    EXPECT_TRUE(set.readers.empty());
    EXPECT_TRUE(set.sims.empty());
}

TEST(Plugins, DecliningModulesAndTextsWithoutAnEnd) {
    TempDir dir;
    ASSERT_TRUE(InstallModule(dir.Dir(), "probe_declines", "mvread"));
    ASSERT_TRUE(InstallModule(dir.Dir(), "probe_endless", "mvread1"));
    ASSERT_TRUE(InstallModule(dir.Dir(), "probe_plain", "mvsim"));
    PluginSet set;
    LoadPlugins(set, dir.Dir());
    ASSERT_EQ(set.readers.size(), 2u);
    // The suffix buffer was filled to its end: cut to nine bytes and noted.
    EXPECT_EQ(set.readers[1].suffix, "SSSSSSSSS");
    InitPlugins(set, 0);
    ASSERT_EQ(set.readers.size(), 1u);  // the declining one is gone
    EXPECT_EQ(set.readers[0].module.name, "mvread1");
    EXPECT_EQ(set.readers[0].kind, std::string(MV_TEXT_SIZE - 1, 'K'));
    EXPECT_EQ(set.notes.size(), 2u);
    EXPECT_EQ(set.sims[0].menuText, "probe cut or F8キー");
    ReleasePlugins(set);
}

TEST(Plugins, ModulesComeOnlyFromTheGivenFolder) {
    TempDir dir, elsewhere;
    ASSERT_TRUE(InstallModule(elsewhere.Dir(), "probe_plain", "mvread"));
    // Neither the search path nor the current directory is looked at.
    ::setenv("LD_LIBRARY_PATH", elsewhere.Dir().c_str(), 1);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(elsewhere.Dir());
    PluginSet set;
    LoadPlugins(set, dir.Dir());
    EXPECT_TRUE(set.readers.empty());
    LoadPlugins(set, "");  // no program folder known: nothing at all
    LoadPlugins(set, "."); // a relative folder is refused
    EXPECT_TRUE(set.readers.empty());
    std::filesystem::current_path(before);
    ::unsetenv("LD_LIBRARY_PATH");

    EXPECT_EQ(PluginText("abc\0def", 8), "abc");
    EXPECT_TRUE(EndsWithPluginSuffix("x.hlx", ".HLX"));
    EXPECT_TRUE(EndsWithPluginSuffix("x.data", "long.DATA"));  // last four characters
    EXPECT_FALSE(EndsWithPluginSuffix("x.hlx", ""));
    EXPECT_FALSE(EndsWithPluginSuffix("lx", ".HLX"));
}

}  // namespace
}  // namespace morvex
