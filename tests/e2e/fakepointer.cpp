// Moves the pointer of a KDE Plasma compositor a little, as a user would: through its fake-input
// protocol, for compositors that take no other input from outside. Exit status 0 when sent.

#include <wayland-client.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "fake-input-client-protocol.h"

namespace {

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t)
{
    if (std::strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0)
        *static_cast<org_kde_kwin_fake_input**>(data) = static_cast<org_kde_kwin_fake_input*>(
            wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface, 1));
}
void OnGlobalRemove(void*, wl_registry*, std::uint32_t)
{
}
const wl_registry_listener kRegistry = {OnGlobal, OnGlobalRemove};

}  // namespace

int main()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "fake pointer: no Wayland compositor\n");
        return 1;
    }
    org_kde_kwin_fake_input* input = nullptr;
    wl_registry_add_listener(wl_display_get_registry(display), &kRegistry, &input);
    wl_display_roundtrip(display);
    if (!input) {
        std::fprintf(stderr, "fake pointer: the compositor offers no fake input\n");
        return 1;
    }
    org_kde_kwin_fake_input_authenticate(input, "QelSaver tests", "moves the pointer as a user would");
    org_kde_kwin_fake_input_pointer_motion(input, wl_fixed_from_int(15), wl_fixed_from_int(10));
    const bool sent = wl_display_roundtrip(display) >= 0;
    wl_display_disconnect(display);
    return sent ? 0 : 1;
}
