// SPDX-License-Identifier: GPL-2.0-or-later
// Finding the device's plugin and what its element shows before any data flows.

#include "graph/gst/PluginFolder.h"
#include "tests/device/DevicePipeline.h"
#include "tests/support/TempDir.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

class DevicePluginsTest : public ::testing::Test {
protected:
    void SetUp() override { gst_init(nullptr, nullptr); }
};

TEST_F(DevicePluginsTest, LoadsTheRendererFromThePluginsFolderBesideTheExecutable) {
    std::filesystem::path executable = std::filesystem::read_symlink("/proc/self/exe");
    EXPECT_EQ(PluginFolderBesideExecutable(), (executable.parent_path() / "plugins").string());

    std::vector<std::string> problems;
    EXPECT_EQ(LoadPluginsFrom(PluginFolderBesideExecutable(), &problems), 1);
    EXPECT_TRUE(problems.empty()) << problems.front();
    // Loading again (the program may start its graph twice) keeps the one plugin.
    EXPECT_EQ(LoadPluginsFrom(PluginFolderBesideExecutable(), &problems), 1);

    GstElementFactory* factory = gst_element_factory_find("halvionrenderer");
    ASSERT_NE(factory, nullptr);
    EXPECT_STREQ(gst_element_factory_get_metadata(factory, GST_ELEMENT_METADATA_LONGNAME),
                 "Morrick Halvion Renderer Filter");
    GstPlugin* plugin = gst_plugin_feature_get_plugin(GST_PLUGIN_FEATURE(factory));
    ASSERT_NE(plugin, nullptr);
    EXPECT_EQ(std::filesystem::path(gst_plugin_get_filename(plugin)),
              std::filesystem::path(PluginFolderBesideExecutable()) / "libgsthalvion.so");
    gst_object_unref(plugin);
    gst_object_unref(factory);
}

TEST_F(DevicePluginsTest, AFolderWithoutPluginsLoadsNothingAndABrokenFileIsReported) {
    TempDir dir;
    std::vector<std::string> problems;
    EXPECT_EQ(LoadPluginsFrom(dir.Path(), &problems), 0);
    EXPECT_EQ(LoadPluginsFrom(dir / "missing", &problems), 0);
    EXPECT_EQ(LoadPluginsFrom("", &problems), 0);
    EXPECT_TRUE(problems.empty());

    dir.WriteFile("libgstbroken.so", "not a shared object");
    dir.WriteFile("notes.txt", "ignored");
    dir.MakeFolder("libgstfolder.so");
    EXPECT_EQ(LoadPluginsFrom(dir.Path(), &problems), 0);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("libgstbroken.so: "), std::string::npos) << problems[0];
}

// The program matches decoded streams to the device's inputs by asking the pads for their caps
// before anything is linked to them.
TEST_F(DevicePluginsTest, TheInputsAreAlwaysThereAndAnswerWithTheirTemplateCaps) {
    LoadTheDevicePlugin();
    GstElement* device = gst_element_factory_make("halvionrenderer", nullptr);
    ASSERT_NE(device, nullptr);
    gst_object_ref_sink(device);
    struct Input {
        const char* name;
        const char* caps;
    };
    for (Input input : {Input{"Video-In", "video/x-raw"}, Input{"Audio-In", "audio/x-raw"}}) {
        SCOPED_TRACE(input.name);
        GstPad* pad = gst_element_get_static_pad(device, input.name);
        ASSERT_NE(pad, nullptr);
        EXPECT_EQ(gst_pad_get_direction(pad), GST_PAD_SINK);
        EXPECT_EQ(GST_PAD_TEMPLATE_PRESENCE(GST_PAD_PAD_TEMPLATE(pad)), GST_PAD_ALWAYS);
        GstCaps* answered = gst_pad_query_caps(pad, nullptr);
        GstCaps* expected = gst_caps_from_string(input.caps);
        EXPECT_TRUE(gst_caps_is_equal(answered, expected));
        gst_caps_unref(expected);
        gst_caps_unref(answered);
        gst_object_unref(pad);
    }
    // Nothing behind the pads yet, so the device is not a sink that the pipeline waits for.
    EXPECT_EQ(GST_BIN_NUMCHILDREN(device), 0);
    EXPECT_FALSE(GST_OBJECT_FLAG_IS_SET(device, GST_ELEMENT_FLAG_SINK));
    gst_object_unref(device);
}

} // namespace
