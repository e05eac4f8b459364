#include "media/soundoutputs.h"

#include <pulse/pulseaudio.h>

#include <memory>

namespace ringvale {

namespace {

enum class Kind { Outputs, Inputs };

struct Listing {
    pa_mainloop* loop = nullptr;
    std::vector<SoundDevice> devices;
    bool done = false;
};

// Each sink or source the server tells of, then the end of its list.
template <typename Info> void add(pa_context*, const Info* info, int last, void* data) {
    auto& listing = *static_cast<Listing*>(data);
    if (last || !info) {
        listing.done = true;
        return;
    }
    listing.devices.push_back({info->name ? info->name : "", info->description ? info->description : ""});
}

std::vector<SoundDevice> list(Kind kind) {
    const std::unique_ptr<pa_mainloop, void (*)(pa_mainloop*)> loop(pa_mainloop_new(), pa_mainloop_free);
    if (!loop)
        return {};
    pa_context* context = pa_context_new(pa_mainloop_get_api(loop.get()), "Ringvale");
    if (!context)
        return {};
    Listing listing{loop.get()};
    if (pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        pa_operation* asked = nullptr;
        for (;;) {
            const pa_context_state_t state = pa_context_get_state(context);
            if (!PA_CONTEXT_IS_GOOD(state) || listing.done)
                break;
            if (state == PA_CONTEXT_READY && !asked) {
                asked = kind == Kind::Outputs
                            ? pa_context_get_sink_info_list(context, add<pa_sink_info>, &listing)
                            : pa_context_get_source_info_list(context, add<pa_source_info>, &listing);
                if (!asked)
                    break;
            }
            if (pa_mainloop_iterate(loop.get(), 1, nullptr) < 0)
                break;
        }
        if (asked)
            pa_operation_unref(asked);
        pa_context_disconnect(context);
    }
    pa_context_unref(context);
    return listing.done ? listing.devices : std::vector<SoundDevice>{};
}

} // namespace

std::vector<SoundDevice> listSoundOutputs() {
    return list(Kind::Outputs);
}

std::vector<SoundDevice> listSoundInputs() {
    return list(Kind::Inputs);
}

} // namespace ringvale
