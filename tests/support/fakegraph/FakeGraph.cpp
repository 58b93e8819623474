// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/support/fakegraph/FakeGraph.h"

#include "graph/FilterName.h"

#include <algorithm>
#include <cstdio>

namespace {

std::string Number(long long value) {
    return std::to_string(value);
}

// The graph's filters one at a time, as the graph held them when the enumerator was made or last reset.
class FakeEnumFilters : public IEnumFilters {
public:
    FakeEnumFilters(std::shared_ptr<FakeScript> script, std::shared_ptr<FakeGraph> graph)
        : script_(std::move(script)), graph_(std::move(graph)), version_(graph_->Version) {
        ++script_->OpenFilterEnumerators;
    }
    ~FakeEnumFilters() override { --script_->OpenFilterEnumerators; }

    HRESULT Next(std::shared_ptr<IBaseFilter>& filter) override {
        filter.reset();
        if (const HRESULT failure = script_->Enter("EnumFilters.Next"); Failed(failure)) {
            return failure;
        }
        if (version_ != graph_->Version) {
            return VFW_E_ENUM_OUT_OF_SYNC;
        }
        if (next_ >= graph_->Filters().size()) {
            return S_FALSE;
        }
        filter = graph_->Filters()[next_++];
        return S_OK;
    }
    HRESULT Skip(std::uint32_t count) override {
        if (const HRESULT failure = script_->Enter("EnumFilters.Skip", Number(count)); Failed(failure)) {
            return failure;
        }
        if (version_ != graph_->Version) {
            return VFW_E_ENUM_OUT_OF_SYNC;
        }
        const std::size_t left = graph_->Filters().size() - next_;
        next_ += std::min<std::size_t>(count, left);
        return count <= left ? S_OK : S_FALSE;
    }
    HRESULT Reset() override {
        if (const HRESULT failure = script_->Enter("EnumFilters.Reset"); Failed(failure)) {
            return failure;
        }
        next_ = 0;
        version_ = graph_->Version;
        return S_OK;
    }

private:
    std::shared_ptr<FakeScript> script_;
    std::shared_ptr<FakeGraph> graph_;
    int version_;
    std::size_t next_ = 0;
};

std::shared_ptr<FakePin> AsFakePin(const std::shared_ptr<IPin>& pin) {
    return std::dynamic_pointer_cast<FakePin>(pin);
}

std::string Hex(std::int32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    return text;
}

} // namespace

FakeGraph::FakeGraph(std::shared_ptr<FakeScript> script) : script_(std::move(script)) {}

FakeGraph::~FakeGraph() {
    for (const auto& filter : filters_) {
        filter->Graph = nullptr;
    }
    script_->Note("FilterGraph released");
}

HRESULT FakeGraph::QueryInterface(std::shared_ptr<IMediaControl>& facet) {
    facet.reset();
    const HRESULT failure = script_->Enter("QueryInterface", "IMediaControl");
    if (Succeeded(failure)) {
        facet = shared_from_this();
    }
    return failure;
}

HRESULT FakeGraph::QueryInterface(std::shared_ptr<IMediaSeeking>& facet) {
    facet.reset();
    const HRESULT failure = script_->Enter("QueryInterface", "IMediaSeeking");
    if (Succeeded(failure)) {
        facet = shared_from_this();
    }
    return failure;
}

HRESULT FakeGraph::QueryInterface(std::shared_ptr<IBasicVideo>& facet) {
    facet.reset();
    const HRESULT failure = script_->Enter("QueryInterface", "IBasicVideo");
    if (Succeeded(failure)) {
        facet = shared_from_this();
    }
    return failure;
}

HRESULT FakeGraph::QueryInterface(std::shared_ptr<IVideoWindow>& facet) {
    facet.reset();
    const HRESULT failure = script_->Enter("QueryInterface", "IVideoWindow");
    if (Succeeded(failure)) {
        facet = shared_from_this();
    }
    return failure;
}

// The fake carries no sound; a test of the volume runs on the real graph.
HRESULT FakeGraph::QueryInterface(std::shared_ptr<IBasicAudio>& facet) {
    facet.reset();
    return E_NOINTERFACE;
}

std::shared_ptr<FakeFilter> FakeGraph::NewFilter(const std::string& name) {
    return std::make_shared<FakeFilter>(script_, name);
}

// Names are unique in a graph: a taken name gets a number, as "Video Renderer 0001".
void FakeGraph::Insert(const std::shared_ptr<FakeFilter>& filter, const std::string& name) {
    filter->SetName(
        UniqueFilterName(name, [this](const std::string& taken) { return FindFilter(taken) != nullptr; }));
    filter->Graph = this;
    filters_.push_back(filter);
    ++Version;
}

bool FakeGraph::Holds(const FakeFilter& filter) const {
    return filter.Graph == this;
}

std::shared_ptr<FakeFilter> FakeGraph::PlaceFilter(const std::string& name) {
    auto filter = NewFilter(name);
    filter->SetName(name);
    filter->Graph = this;
    filters_.push_back(filter);
    ++Version;
    return filter;
}

std::vector<std::string> FakeGraph::FilterNames() const {
    std::vector<std::string> names;
    for (const auto& filter : filters_) {
        names.push_back(filter->Name());
    }
    return names;
}

std::shared_ptr<FakeFilter> FakeGraph::FindFilter(const std::string& name) const {
    for (const auto& filter : filters_) {
        if (filter->Name() == name) {
            return filter;
        }
    }
    return nullptr;
}

HRESULT FakeGraph::AddFilter(const std::shared_ptr<IBaseFilter>& filter, const std::string& name) {
    if (const HRESULT failure = script_->Enter("AddFilter", name); Failed(failure)) {
        return failure;
    }
    const auto fake = std::dynamic_pointer_cast<FakeFilter>(filter);
    if (!fake) {
        return E_POINTER;
    }
    if (fake->Graph) {
        return E_INVALIDARG;
    }
    Insert(fake, name);
    return fake->Name() == name ? S_OK : VFW_S_DUPLICATE_NAME;
}

HRESULT FakeGraph::RemoveFilter(const std::shared_ptr<IBaseFilter>& filter) {
    const auto fake = std::dynamic_pointer_cast<FakeFilter>(filter);
    if (const HRESULT failure = script_->Enter("RemoveFilter", fake ? fake->Name() : "?"); Failed(failure)) {
        return failure;
    }
    if (!fake) {
        return E_POINTER;
    }
    const auto found = std::find(filters_.begin(), filters_.end(), fake);
    if (found == filters_.end()) {
        return VFW_E_NOT_FOUND;
    }
    if (script_->OpenFilterEnumerators > 0) {
        script_->Note("RemoveFilter while a filter enumerator is open");
    }
    for (const auto& pin : fake->Pins()) {
        pin->Unlink();
    }
    fake->Graph = nullptr;
    filters_.erase(found);
    ++Version;
    return S_OK;
}

HRESULT FakeGraph::EnumFilters(std::shared_ptr<IEnumFilters>& filters) {
    filters.reset();
    if (const HRESULT failure = script_->Enter("EnumFilters"); Failed(failure)) {
        return failure;
    }
    filters = std::make_shared<FakeEnumFilters>(script_, shared_from_this());
    return S_OK;
}

HRESULT FakeGraph::ConnectPins(const std::shared_ptr<FakePin>& output, const std::shared_ptr<FakePin>& input,
                               bool mayAddConverter) {
    if (output->Direction() != PinDirection::Output || input->Direction() != PinDirection::Input) {
        return E_INVALIDARG;
    }
    if (output->IsConnected() || input->IsConnected()) {
        return VFW_E_ALREADY_CONNECTED;
    }
    const bool video = input->MediaType() == FakeMediaType::Video;
    const bool raw = video || input->MediaType() == FakeMediaType::Audio;
    if (output->MediaType() == input->MediaType()) {
        if (!(mayAddConverter && ConnectInsertsConverter && raw)) {
            FakePin::Link(output, input);
            return S_OK;
        }
        auto converter = NewFilter(video ? "Color Space Converter" : "Audio Converter");
        auto in = converter->AddPin("Input", PinDirection::Input, input->MediaType());
        auto out = converter->AddPin("Output", PinDirection::Output, input->MediaType());
        Insert(converter, converter->Name());
        FakePin::Link(output, in);
        FakePin::Link(out, input);
        return S_OK;
    }
    if (output->MediaType() == input->MediaType() + "/compressed") {
        auto decoder = NewFilter(video ? "Video Decoder" : "Audio Decoder");
        auto in = decoder->AddPin("In", PinDirection::Input, output->MediaType());
        auto out = decoder->AddPin("Out", PinDirection::Output, input->MediaType());
        Insert(decoder, decoder->Name());
        FakePin::Link(output, in);
        FakePin::Link(out, input);
        return S_OK;
    }
    return VFW_E_CANNOT_CONNECT;
}

HRESULT FakeGraph::Connect(const std::shared_ptr<IPin>& output, const std::shared_ptr<IPin>& input) {
    const auto out = AsFakePin(output);
    const auto in = AsFakePin(input);
    const std::string arguments = (out ? out->Label() : "?") + "," + (in ? in->Label() : "?");
    if (const HRESULT failure = script_->Enter("Connect", arguments); Failed(failure)) {
        return failure;
    }
    if (!out || !in) {
        return E_POINTER;
    }
    const auto outOwner = out->Owner();
    const auto inOwner = in->Owner();
    if (!outOwner || !inOwner || !Holds(*outOwner) || !Holds(*inOwner)) {
        return VFW_E_NOT_IN_GRAPH;
    }
    return ConnectPins(out, in, true);
}

// The filter that takes a stream of this kind when nothing in the graph does.
std::shared_ptr<FakeFilter> FakeGraph::NextFilterFor(const FakePin& output) {
    const std::string& type = output.MediaType();
    if (type == FakeMediaType::Stream) {
        auto splitter = NewFilter("Splitter");
        splitter->AddPin("Input", PinDirection::Input, type);
        if (output.Media().Video) {
            splitter->AddPin("Video", PinDirection::Output, FakeMediaType::CompressedVideo);
        }
        if (output.Media().Audio) {
            splitter->AddPin("Audio", PinDirection::Output, FakeMediaType::CompressedAudio);
        }
        return splitter;
    }
    if (type == FakeMediaType::CompressedVideo || type == FakeMediaType::CompressedAudio) {
        const bool video = type == FakeMediaType::CompressedVideo;
        auto decoder = NewFilter(video ? "Video Decoder" : "Audio Decoder");
        decoder->AddPin("In", PinDirection::Input, type);
        decoder->AddPin("Out", PinDirection::Output, video ? FakeMediaType::Video : FakeMediaType::Audio);
        return decoder;
    }
    if (type == FakeMediaType::Video) {
        auto renderer = NewFilter("Video Renderer");
        renderer->AddPin("Input", PinDirection::Input, type);
        return renderer;
    }
    if (type == FakeMediaType::Audio) {
        auto renderer = NewFilter("Default DirectSound Device");
        renderer->AddPin("Audio Input pin (rendered)", PinDirection::Input, type);
        return renderer;
    }
    return nullptr;
}

HRESULT FakeGraph::RenderPin(const std::shared_ptr<FakePin>& output) {
    if (output->IsConnected()) {
        return VFW_E_ALREADY_CONNECTED;
    }
    const auto owner = output->Owner();
    // Free input pins of filters already in the graph come first.
    const auto present = filters_;
    for (const auto& filter : present) {
        if (filter == owner) {
            continue;
        }
        for (const auto& input : filter->Pins()) {
            if (input->Direction() == PinDirection::Input && !input->IsConnected() &&
                Succeeded(ConnectPins(output, input, false))) {
                return RenderOutputsOf(*filter);
            }
        }
    }
    const auto next = NextFilterFor(*output);
    if (!next) {
        return VFW_E_CANNOT_RENDER;
    }
    Insert(next, next->Name());
    FakePin::Link(output, next->Pins().front());
    return RenderOutputsOf(*next);
}

HRESULT FakeGraph::RenderOutputsOf(const FakeFilter& filter) {
    int rendered = 0;
    int failed = 0;
    for (const auto& pin : filter.Pins()) {
        if (pin->Direction() == PinDirection::Output && !pin->IsConnected()) {
            (Succeeded(RenderPin(pin)) ? rendered : failed)++;
        }
    }
    if (failed == 0) {
        return S_OK;
    }
    return rendered > 0 ? VFW_S_PARTIAL_RENDER : VFW_E_CANNOT_RENDER;
}

HRESULT FakeGraph::Render(const std::shared_ptr<IPin>& output) {
    const auto out = AsFakePin(output);
    if (const HRESULT failure = script_->Enter("Render", out ? out->Label() : "?"); Failed(failure)) {
        return failure;
    }
    if (!out) {
        return E_POINTER;
    }
    const auto owner = out->Owner();
    if (!owner || !Holds(*owner)) {
        return VFW_E_NOT_IN_GRAPH;
    }
    if (out->Direction() != PinDirection::Output) {
        return E_INVALIDARG;
    }
    return RenderPin(out);
}

namespace {

std::shared_ptr<FakeFilter> MakeSource(const std::shared_ptr<FakeScript>& script, const FakeMedia& media) {
    auto source = std::make_shared<FakeFilter>(script, "");
    if (media.StreamsAtSource) {
        if (media.Video) {
            source->AddPin("Video", PinDirection::Output, FakeMediaType::CompressedVideo, media);
        }
        if (media.Audio) {
            source->AddPin("Audio", PinDirection::Output, FakeMediaType::CompressedAudio, media);
        }
    } else {
        source->AddPin("Output", PinDirection::Output, FakeMediaType::Stream, media);
    }
    return source;
}

} // namespace

HRESULT FakeGraph::RenderFile(const std::string& path) {
    if (const HRESULT failure = script_->Enter("RenderFile", path); Failed(failure)) {
        return failure;
    }
    const auto media = media_.find(path);
    if (media == media_.end()) {
        return VFW_E_NOT_FOUND;
    }
    if (BuildOnRenderFile) {
        BuildOnRenderFile(*this);
        return S_OK;
    }
    auto source = MakeSource(script_, media->second);
    Insert(source, path);
    return RenderOutputsOf(*source);
}

HRESULT FakeGraph::AddSourceFilter(const std::string& path, const std::string& name,
                                   std::shared_ptr<IBaseFilter>& filter) {
    filter.reset();
    if (const HRESULT failure = script_->Enter("AddSourceFilter", path + "," + name); Failed(failure)) {
        return failure;
    }
    const auto media = media_.find(path);
    if (media == media_.end()) {
        return VFW_E_NOT_FOUND;
    }
    auto source = MakeSource(script_, media->second);
    Insert(source, name);
    filter = source;
    return S_OK;
}

HRESULT FakeGraph::Run() {
    const HRESULT failure = script_->Enter("Run");
    if (Succeeded(failure)) {
        GraphState = State::Running;
    }
    return failure;
}

HRESULT FakeGraph::Pause() {
    const HRESULT failure = script_->Enter("Pause");
    if (Succeeded(failure)) {
        GraphState = State::Paused;
    }
    return failure;
}

HRESULT FakeGraph::Stop() {
    const HRESULT failure = script_->Enter("Stop");
    if (Succeeded(failure)) {
        GraphState = State::Stopped;
    }
    return failure;
}

HRESULT FakeGraph::SetTimeFormat(TimeFormat format) {
    return script_->Enter("SetTimeFormat", format == TimeFormat::MediaTime ? "MediaTime" : "?");
}

HRESULT FakeGraph::GetPositions(MediaTime& current, MediaTime& stop) {
    if (const HRESULT failure = script_->Enter("GetPositions"); Failed(failure)) {
        return failure;
    }
    current = Current;
    stop = StopPosition;
    return S_OK;
}

HRESULT FakeGraph::GetStopPosition(MediaTime& stop) {
    if (const HRESULT failure = script_->Enter("GetStopPosition"); Failed(failure)) {
        return failure;
    }
    stop = StopPosition;
    return S_OK;
}

// Like the real graph, a position outside the file is clamped to its start or end.
HRESULT FakeGraph::SetPositions(MediaTime current, std::uint32_t currentFlags, MediaTime stop,
                                std::uint32_t stopFlags) {
    const std::string arguments =
        Number(current) + "," + Number(currentFlags) + "," + Number(stop) + "," + Number(stopFlags);
    if (const HRESULT failure = script_->Enter("SetPositions", arguments); Failed(failure)) {
        return failure;
    }
    if ((stopFlags & 3) == AM_SEEKING_AbsolutePositioning) {
        StopPosition = stop;
    }
    if ((currentFlags & 3) == AM_SEEKING_AbsolutePositioning) {
        Current = std::clamp<MediaTime>(current, 0, StopPosition);
    }
    return S_OK;
}

HRESULT FakeGraph::get_SourceWidth(std::int32_t& width) {
    if (const HRESULT failure = script_->Enter("get_SourceWidth"); Failed(failure)) {
        return failure;
    }
    width = SourceWidth;
    return S_OK;
}

HRESULT FakeGraph::get_SourceHeight(std::int32_t& height) {
    if (const HRESULT failure = script_->Enter("get_SourceHeight"); Failed(failure)) {
        return failure;
    }
    height = SourceHeight;
    return S_OK;
}

HRESULT FakeGraph::put_Owner(WindowHandle owner) {
    if (const HRESULT failure = script_->Enter("put_Owner", Number(static_cast<long long>(owner)));
        Failed(failure)) {
        return failure;
    }
    Owner = owner;
    return S_OK;
}

HRESULT FakeGraph::put_WindowStyle(std::int32_t style) {
    if (const HRESULT failure = script_->Enter("put_WindowStyle", Hex(style)); Failed(failure)) {
        return failure;
    }
    WindowStyle = style;
    return S_OK;
}

HRESULT FakeGraph::SetWindowPosition(std::int32_t left, std::int32_t top, std::int32_t width,
                                     std::int32_t height) {
    const std::string arguments =
        Number(left) + "," + Number(top) + "," + Number(width) + "," + Number(height);
    if (const HRESULT failure = script_->Enter("SetWindowPosition", arguments); Failed(failure)) {
        return failure;
    }
    WindowRect = {left, top, width, height};
    return S_OK;
}

HRESULT FakeGraph::RemakeStillPicture() {
    return script_->Enter("RemakeStillPicture");
}
