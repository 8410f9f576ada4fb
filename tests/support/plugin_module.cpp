// The plug-in's exceptions: thrown and caught by its own C++ runtime.
#include "support/plugin_module.h"

#include <stdexcept>

namespace {

// Out of line, so that each throw goes through the runtime.
[[gnu::noinline]] void ThrowOwn(int n_which) {
    if (n_which % 2) throw std::runtime_error("plug-in");
    throw n_which;
}

} // namespace

int ct_PluginCatchesOwn(int n_times) {
    int n_caught = 0;
    for (int i = 0; i < n_times; ++i) {
        try {
            try {
                ThrowOwn(i);
            } catch (...) {
                ++n_caught;
                throw; // passed on to the outer handler, still in the plug-in
            }
        } catch (const std::runtime_error &) {
        } catch (int) {
        }
    }
    return n_caught;
}

void ct_PluginThrows(int n_value) { throw n_value; }
