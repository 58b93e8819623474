// SPDX-License-Identifier: GPL-2.0-or-later
#include "tests/device/AnnouncingOutputs.h"

#include <condition_variable>
#include <gst/gst.h>
#include <mutex>
#include <thread>
#include <utility>

namespace {

struct Shared {
    std::mutex lock;
    std::condition_variable changed;
    std::string toAnnounce;
    bool holdUntilStop = false;
    bool held = false;
    bool stopping = false;
    bool quit = false;
};

Shared& Common() {
    static Shared shared;
    return shared;
}

// The output: a GstDevice with the sound server's "internal-name".
struct TestOutput {
    GstDevice parent;
    gchar* name;
};
struct TestOutputClass {
    GstDeviceClass parent;
};
G_DEFINE_TYPE(TestOutput, test_output, GST_TYPE_DEVICE)

enum { PropName = 1 };

void OutputGetProperty(GObject* object, guint id, GValue* value, GParamSpec* pspec) {
    if (id != PropName) {
        G_OBJECT_WARN_INVALID_PROPERTY_ID(object, id, pspec);
        return;
    }
    Shared& shared = Common();
    std::unique_lock guard(shared.lock);
    if (std::exchange(shared.holdUntilStop, false)) {
        shared.held = true;
        shared.changed.notify_all();
        shared.changed.wait_for(guard, std::chrono::seconds(3), [&] { return shared.stopping; });
    }
    g_value_set_string(value, reinterpret_cast<TestOutput*>(object)->name);
}

void OutputFinalize(GObject* object) {
    g_free(reinterpret_cast<TestOutput*>(object)->name);
    G_OBJECT_CLASS(test_output_parent_class)->finalize(object);
}

void test_output_init(TestOutput*) {}

void test_output_class_init(TestOutputClass* klass) {
    GObjectClass* objectClass = G_OBJECT_CLASS(klass);
    objectClass->get_property = OutputGetProperty;
    objectClass->finalize = OutputFinalize;
    g_object_class_install_property(
        objectClass, PropName,
        g_param_spec_string("internal-name", "Internal name", "The server's name of the output", "",
                            static_cast<GParamFlags>(G_PARAM_READABLE | G_PARAM_STATIC_STRINGS)));
}

// The provider, with its thread.
struct TestProvider {
    GstDeviceProvider parent;
    std::thread* thread;
};
struct TestProviderClass {
    GstDeviceProviderClass parent;
};
G_DEFINE_TYPE(TestProvider, test_provider, GST_TYPE_DEVICE_PROVIDER)

void Announcer(GstDeviceProvider* provider) {
    Shared& shared = Common();
    for (;;) {
        std::string name;
        {
            std::unique_lock guard(shared.lock);
            shared.changed.wait(guard, [&] { return shared.quit || !shared.toAnnounce.empty(); });
            if (shared.quit) {
                return;
            }
            name = std::exchange(shared.toAnnounce, {});
        }
        GstCaps* caps = gst_caps_new_empty_simple("audio/x-raw");
        auto* output =
            static_cast<TestOutput*>(g_object_new(test_output_get_type(), "display-name", name.c_str(),
                                                  "device-class", "Audio/Sink", "caps", caps, nullptr));
        gst_caps_unref(caps);
        output->name = g_strdup(name.c_str());
        gst_device_provider_device_add(provider, GST_DEVICE(output));
    }
}

gboolean ProviderStart(GstDeviceProvider* provider) {
    Shared& shared = Common();
    {
        std::lock_guard guard(shared.lock);
        shared.quit = false;
        shared.stopping = false;
    }
    reinterpret_cast<TestProvider*>(provider)->thread = new std::thread(Announcer, provider);
    return TRUE;
}

void ProviderStop(GstDeviceProvider* provider) {
    Shared& shared = Common();
    {
        std::lock_guard guard(shared.lock);
        shared.stopping = true;
        shared.quit = true;
        shared.changed.notify_all();
    }
    auto*& thread = reinterpret_cast<TestProvider*>(provider)->thread;
    thread->join();
    delete thread;
    thread = nullptr;
}

GList* ProviderProbe(GstDeviceProvider*) {
    return nullptr;
}

void test_provider_init(TestProvider* self) {
    self->thread = nullptr;
}

void test_provider_class_init(TestProviderClass* klass) {
    GstDeviceProviderClass* providerClass = GST_DEVICE_PROVIDER_CLASS(klass);
    providerClass->start = ProviderStart;
    providerClass->stop = ProviderStop;
    providerClass->probe = ProviderProbe;
    gst_device_provider_class_set_static_metadata(providerClass, "Announcing outputs", "Sink/Audio",
                                                  "Sound outputs that announce themselves", "Tarnwick tests");
}

} // namespace

namespace AnnouncingOutputs {

bool Register() {
    static const bool registered =
        gst_device_provider_register(nullptr, "tarnwickannouncingoutputs", GST_RANK_PRIMARY + 1,
                                     test_provider_get_type()) != FALSE;
    return registered;
}

void Announce(const std::string& name, bool holdUntilStop) {
    Shared& shared = Common();
    std::lock_guard guard(shared.lock);
    shared.toAnnounce = name;
    shared.holdUntilStop = holdUntilStop;
    shared.held = false;
    shared.changed.notify_all();
}

bool AnnouncementHeld(std::chrono::milliseconds deadline) {
    Shared& shared = Common();
    std::unique_lock guard(shared.lock);
    return shared.changed.wait_for(guard, deadline, [&] { return shared.held; });
}

} // namespace AnnouncingOutputs
