// A Wayland client that keeps the session from going idle, as a video player does: one small window
// (an inhibitor counts only while its surface can be seen) that holds an idle inhibitor until the
// program is killed. Prints "inhibiting" once the compositor has the inhibitor.

#include <sys/mman.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "idle-inhibit-unstable-v1-client-protocol.h"
#include "xdg-shell-client-protocol.h"

namespace {

struct Client {
    wl_compositor* compositor = nullptr;
    wl_shm* shm = nullptr;
    xdg_wm_base* wmBase = nullptr;
    zwp_idle_inhibit_manager_v1* inhibitManager = nullptr;
    bool configured = false;
};

void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface, std::uint32_t)
{
    auto* c = static_cast<Client*>(data);
    if (std::strcmp(interface, wl_compositor_interface.name) == 0)
        c->compositor = static_cast<wl_compositor*>(wl_registry_bind(registry, name, &wl_compositor_interface, 1));
    else if (std::strcmp(interface, wl_shm_interface.name) == 0)
        c->shm = static_cast<wl_shm*>(wl_registry_bind(registry, name, &wl_shm_interface, 1));
    else if (std::strcmp(interface, xdg_wm_base_interface.name) == 0)
        c->wmBase = static_cast<xdg_wm_base*>(wl_registry_bind(registry, name, &xdg_wm_base_interface, 1));
    else if (std::strcmp(interface, zwp_idle_inhibit_manager_v1_interface.name) == 0)
        c->inhibitManager = static_cast<zwp_idle_inhibit_manager_v1*>(
            wl_registry_bind(registry, name, &zwp_idle_inhibit_manager_v1_interface, 1));
}
void OnGlobalRemove(void*, wl_registry*, std::uint32_t)
{
}
const wl_registry_listener kRegistry = {OnGlobal, OnGlobalRemove};

void OnPing(void*, xdg_wm_base* base, std::uint32_t serial)
{
    xdg_wm_base_pong(base, serial);
}
const xdg_wm_base_listener kWmBase = {OnPing};

void OnSurfaceConfigure(void* data, xdg_surface* surface, std::uint32_t serial)
{
    xdg_surface_ack_configure(surface, serial);
    static_cast<Client*>(data)->configured = true;
}
const xdg_surface_listener kSurface = {OnSurfaceConfigure};

// A grey buffer of w×h in shared memory.
wl_buffer* GreyBuffer(wl_shm* shm, int w, int h)
{
    const int stride = w * 4;
    const int size = stride * h;
    const int fd = memfd_create("idle-inhibitor", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, size) != 0)
        return nullptr;
    void* pixels = mmap(nullptr, std::size_t(size), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (pixels == MAP_FAILED)
        return nullptr;
    std::memset(pixels, 0x80, std::size_t(size));
    munmap(pixels, std::size_t(size));
    wl_shm_pool* pool = wl_shm_create_pool(shm, fd, size);
    wl_buffer* buffer = wl_shm_pool_create_buffer(pool, 0, w, h, stride, WL_SHM_FORMAT_XRGB8888);
    wl_shm_pool_destroy(pool);
    close(fd);
    return buffer;
}

}  // namespace

int main()
{
    wl_display* display = wl_display_connect(nullptr);
    if (!display) {
        std::fprintf(stderr, "idle inhibitor: no Wayland compositor\n");
        return 1;
    }
    Client c;
    wl_registry_add_listener(wl_display_get_registry(display), &kRegistry, &c);
    wl_display_roundtrip(display);
    if (!c.compositor || !c.shm || !c.wmBase || !c.inhibitManager) {
        std::fprintf(stderr, "idle inhibitor: the compositor lacks a protocol it needs\n");
        return 1;
    }
    xdg_wm_base_add_listener(c.wmBase, &kWmBase, nullptr);
    wl_surface* surface = wl_compositor_create_surface(c.compositor);
    xdg_surface* xdgSurface = xdg_wm_base_get_xdg_surface(c.wmBase, surface);
    xdg_surface_add_listener(xdgSurface, &kSurface, &c);
    xdg_toplevel* toplevel = xdg_surface_get_toplevel(xdgSurface);
    xdg_toplevel_set_title(toplevel, "idle inhibitor");
    wl_surface_commit(surface);
    while (!c.configured)
        if (wl_display_dispatch(display) < 0)
            return 1;
    wl_buffer* buffer = GreyBuffer(c.shm, 64, 64);
    if (!buffer)
        return 1;
    wl_surface_attach(surface, buffer, 0, 0);
    wl_surface_commit(surface);
    zwp_idle_inhibit_manager_v1_create_inhibitor(c.inhibitManager, surface);
    wl_display_roundtrip(display);
    std::printf("inhibiting\n");
    std::fflush(stdout);
    while (wl_display_dispatch(display) >= 0) {}
    return 0;
}
