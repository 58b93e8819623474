// SPDX-License-Identifier: GPL-2.0-or-later
// One contract, two graphs: the scripted fake that the playback object's tests run on, and the
// GStreamer graph of the program. Each case runs on both, so that the fake cannot drift from the real
// graph's rules without a test failing.

#include "graph/FilterName.h"
#include "graph/GraphNames.h"
#include "graph/gst/GstGraphSystem.h"
#include "tests/support/MediaGenerator.h"
#include "tests/support/fakegraph/FakeGraphSystem.h"

#include <algorithm>
#include <gtest/gtest.h>

namespace {

// The fake graph, told about one clip with a picture and sound, putting a converter on every Connect
// between raw pins as the real graph does.
struct FakeBackend {
    std::shared_ptr<FakeGraphSystem> system = std::make_shared<FakeGraphSystem>();
    const std::string clip = "/clips/contract.mkv";

    FakeBackend() {
        system->Graph().AddMedia(clip);
        system->Graph().ConnectInsertsConverter = true;
    }
    IGraphSystem& System() { return *system; }
    std::string Clip() const { return clip; }
};

// The GStreamer graph with the program's device plugin, and a real clip.
struct GstBackend {
    std::shared_ptr<GstGraphSystem> system = std::make_shared<GstGraphSystem>();

    IGraphSystem& System() { return *system; }
    static std::string Clip() {
        ClipSpec recipe;
        recipe.extension = ".mkv";
        recipe.seconds = 1.0;
        return GenerateClip(recipe);
    }
};

template <typename Backend> class GraphContractTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(Succeeded(backend.System().Initialize()));
        ASSERT_EQ(backend.System().CreateFilterGraph(graph), S_OK);
    }

    std::shared_ptr<IBaseFilter> Device() {
        std::shared_ptr<IBaseFilter> device;
        EXPECT_EQ(backend.System().CreateDeviceRenderer(device), S_OK);
        return device;
    }
    std::shared_ptr<IPin> Pin(const std::shared_ptr<IBaseFilter>& filter, const std::string& id) {
        std::shared_ptr<IPin> pin;
        EXPECT_EQ(filter->FindPin(id, pin), S_OK) << id;
        return pin;
    }
    std::shared_ptr<IPin> FirstOutput(const std::shared_ptr<IBaseFilter>& filter) {
        std::shared_ptr<IEnumPins> pins;
        filter->EnumPins(pins);
        for (std::shared_ptr<IPin> pin; pins->Next(pin) == S_OK; pin.reset()) {
            PinDirection direction = PinDirection::Input;
            pin->QueryDirection(direction);
            if (direction == PinDirection::Output) {
                return pin;
            }
        }
        return nullptr;
    }
    std::vector<std::shared_ptr<IBaseFilter>> Filters() {
        std::vector<std::shared_ptr<IBaseFilter>> filters;
        std::shared_ptr<IEnumFilters> all;
        graph->EnumFilters(all);
        for (std::shared_ptr<IBaseFilter> filter; all->Next(filter) == S_OK; filter.reset()) {
            filters.push_back(filter);
        }
        return filters;
    }
    std::vector<std::string> Names() {
        std::vector<std::string> names;
        for (const auto& filter : Filters()) {
            names.push_back(QueryFilterName(*filter).value_or("?"));
        }
        return names;
    }
    std::shared_ptr<IBaseFilter> Named(const std::string& name) {
        for (const auto& filter : Filters()) {
            if (QueryFilterName(*filter) == name) {
                return filter;
            }
        }
        return nullptr;
    }
    bool Connected(const std::shared_ptr<IPin>& pin) {
        std::shared_ptr<IPin> peer;
        return pin->ConnectedTo(peer) == S_OK && peer;
    }

    Backend backend;
    std::shared_ptr<IGraphBuilder> graph;
};

using Backends = ::testing::Types<FakeBackend, GstBackend>;
class BackendNames {
public:
    template <typename T> static std::string GetName(int) {
        return std::is_same_v<T, FakeBackend> ? "Fake" : "GStreamer";
    }
};
TYPED_TEST_SUITE(GraphContractTest, Backends, BackendNames);

TYPED_TEST(GraphContractTest, ATakenNameIsNumberedAndAFilterIsAddedOnce) {
    const auto first = this->Device();
    EXPECT_EQ(QueryFilterName(*first), "") << "a filter in no graph has no name yet";
    EXPECT_EQ(this->graph->AddFilter(first, DeviceRendererName), S_OK);
    EXPECT_EQ(this->graph->AddFilter(this->Device(), DeviceRendererName), VFW_S_DUPLICATE_NAME);
    EXPECT_EQ(this->graph->AddFilter(this->Device(), DeviceRendererName), VFW_S_DUPLICATE_NAME);
    const std::string name = DeviceRendererName;
    EXPECT_EQ(this->Names(), (std::vector<std::string>{name, name + " 0001", name + " 0002"}));
    EXPECT_TRUE(Failed(this->graph->AddFilter(first, "Again")));
}

TYPED_TEST(GraphContractTest, EnumeratorsCountSkipResetAndSeeAChange) {
    const auto device = this->Device();
    this->graph->AddFilter(device, "A");
    this->graph->AddFilter(this->Device(), "B");
    std::shared_ptr<IEnumFilters> filters;
    ASSERT_EQ(this->graph->EnumFilters(filters), S_OK);
    EXPECT_EQ(filters->Skip(1), S_OK);
    EXPECT_EQ(filters->Skip(1), S_OK);
    EXPECT_EQ(filters->Skip(1), S_FALSE);
    EXPECT_EQ(filters->Reset(), S_OK);
    std::shared_ptr<IBaseFilter> filter;
    EXPECT_EQ(filters->Next(filter), S_OK);
    EXPECT_EQ(this->graph->RemoveFilter(device), S_OK);
    EXPECT_EQ(filters->Next(filter), VFW_E_ENUM_OUT_OF_SYNC);
    EXPECT_EQ(filters->Reset(), S_OK);
    EXPECT_EQ(filters->Next(filter), S_OK);
    EXPECT_EQ(filters->Next(filter), S_FALSE);
}

TYPED_TEST(GraphContractTest, StatusCodesForFiltersOutsideTheGraphAndPinsAlreadyJoined) {
    const auto outside = this->Device();
    EXPECT_EQ(this->graph->RemoveFilter(outside), VFW_E_NOT_FOUND);
    const auto device = this->Device();
    ASSERT_EQ(this->graph->AddFilter(device, DeviceRendererName), S_OK);
    std::shared_ptr<IBaseFilter> source;
    ASSERT_TRUE(Succeeded(this->graph->AddSourceFilter(this->backend.Clip(), SourceFilterName, source)));
    const auto output = this->FirstOutput(source);
    ASSERT_TRUE(output);
    EXPECT_EQ(this->graph->Connect(output, this->Pin(outside, DeviceVideoPinId)), VFW_E_NOT_IN_GRAPH);
    // Two inputs cannot be joined.
    EXPECT_TRUE(Failed(
        this->graph->Connect(this->Pin(device, DeviceAudioPinId), this->Pin(device, DeviceVideoPinId))));
    EXPECT_TRUE(Succeeded(this->graph->Render(output)));
    EXPECT_EQ(this->graph->Render(output), VFW_E_ALREADY_CONNECTED);
    EXPECT_EQ(this->graph->RemoveFilter(device), S_OK);
    EXPECT_EQ(this->graph->RemoveFilter(device), VFW_E_NOT_FOUND);
}

// Rendering a source feeds the inputs of filters already in the graph before it adds renderers.
TYPED_TEST(GraphContractTest, RenderUsesFreeInputsOfFiltersAlreadyInTheGraph) {
    const auto device = this->Device();
    ASSERT_EQ(this->graph->AddFilter(device, DeviceRendererName), S_OK);
    std::shared_ptr<IBaseFilter> source;
    ASSERT_TRUE(Succeeded(this->graph->AddSourceFilter(this->backend.Clip(), SourceFilterName, source)));
    EXPECT_EQ(this->graph->Render(this->FirstOutput(source)), S_OK);
    EXPECT_TRUE(this->Connected(this->Pin(device, DeviceVideoPinId)));
    EXPECT_TRUE(this->Connected(this->Pin(device, DeviceAudioPinId)));
    const auto names = this->Names();
    EXPECT_EQ(std::count(names.begin(), names.end(), VideoRendererName), 0);
    EXPECT_EQ(std::count(names.begin(), names.end(), SoundRendererName), 0);
}

// A stream moved from a standard renderer to another input passes through a converter of its own.
TYPED_TEST(GraphContractTest, ConnectPutsAConverterBetweenRawPins) {
    ASSERT_TRUE(Succeeded(this->graph->RenderFile(this->backend.Clip())));
    const auto renderer = this->Named(VideoRendererName);
    ASSERT_TRUE(renderer);
    std::shared_ptr<IPin> upstream;
    ASSERT_EQ(this->Pin(renderer, "Input")->ConnectedTo(upstream), S_OK);
    ASSERT_EQ(this->graph->RemoveFilter(renderer), S_OK);
    const auto device = this->Device();
    ASSERT_EQ(this->graph->AddFilter(device, DeviceRendererName), S_OK);
    const std::size_t before = this->Filters().size();
    EXPECT_EQ(this->graph->Connect(upstream, this->Pin(device, DeviceVideoPinId)), S_OK);
    EXPECT_EQ(this->Filters().size(), before + 1) << "one converter joins the pins";
    std::shared_ptr<IPin> fed;
    ASSERT_EQ(this->Pin(device, DeviceVideoPinId)->ConnectedTo(fed), S_OK);
    EXPECT_NE(fed, nullptr);
    EXPECT_TRUE(this->Connected(upstream));
}

TYPED_TEST(GraphContractTest, AnEmptyGraphStandsAtItsEnd) {
    std::shared_ptr<IMediaSeeking> seeking;
    ASSERT_EQ(this->graph->QueryInterface(seeking), S_OK);
    MediaTime current = -1;
    MediaTime stop = -1;
    EXPECT_EQ(seeking->GetPositions(current, stop), S_OK);
    EXPECT_EQ(current, 0);
    EXPECT_EQ(stop, 0);
}

} // namespace
