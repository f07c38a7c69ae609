// Input for a headless Wayland compositor, whose seat has no devices of its
// own: through the wlroots virtual pointer (sway) or KWin's fake input. It
// reads commands from standard input, one a line, does each, and answers
// "ok" once the compositor has handled it; the devices stay on the seat until
// standard input ends, as real ones would:
//   move X Y          the pointer to (X, Y) on the first output
//   press BUTTON      BUTTON: left, right or middle
//   release BUTTON
//   click BUTTON      press and release
//   scroll STEPS      the wheel, down when STEPS > 0
//   key CODE...       press and release each key, by its evdev code (KWin only)

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <wayland-client.h>

#include "fake-input-client-protocol.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

static struct wl_seat* seat;
static struct zwlr_virtual_pointer_manager_v1* wlr_manager;
static struct org_kde_kwin_fake_input* kwin;
static int32_t width, height;

static void mode(void* data, struct wl_output* output, uint32_t flags, int32_t w, int32_t h,
                 int32_t refresh) {
    (void)data, (void)output, (void)refresh;
    if ((flags & WL_OUTPUT_MODE_CURRENT) && width == 0) width = w, height = h;
}
static void geometry(void* data, struct wl_output* output, int32_t x, int32_t y, int32_t pw,
                     int32_t ph, int32_t subpixel, const char* make, const char* model,
                     int32_t transform) {
    (void)data, (void)output, (void)x, (void)y, (void)pw, (void)ph, (void)subpixel, (void)make,
        (void)model, (void)transform;
}
static void done(void* data, struct wl_output* output) { (void)data, (void)output; }
static void scale(void* data, struct wl_output* output, int32_t factor) {
    (void)data, (void)output, (void)factor;
}
static const struct wl_output_listener output_listener = {
    .geometry = geometry, .mode = mode, .done = done, .scale = scale};

static void global(void* data, struct wl_registry* registry, uint32_t name, const char* interface,
                   uint32_t version) {
    (void)data;
    if (strcmp(interface, wl_seat_interface.name) == 0 && !seat) {
        seat = wl_registry_bind(registry, name, &wl_seat_interface, 1);
    } else if (strcmp(interface, wl_output_interface.name) == 0) {
        struct wl_output* output = wl_registry_bind(registry, name, &wl_output_interface, 1);
        wl_output_add_listener(output, &output_listener, NULL);
    } else if (strcmp(interface, zwlr_virtual_pointer_manager_v1_interface.name) == 0) {
        wlr_manager = wl_registry_bind(registry, name, &zwlr_virtual_pointer_manager_v1_interface, 1);
    } else if (strcmp(interface, org_kde_kwin_fake_input_interface.name) == 0) {
        kwin = wl_registry_bind(registry, name, &org_kde_kwin_fake_input_interface,
                                version < 4 ? version : 4);
    }
}
static void global_remove(void* data, struct wl_registry* registry, uint32_t name) {
    (void)data, (void)registry, (void)name;
}
static const struct wl_registry_listener registry_listener = {global, global_remove};

static uint32_t now(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (uint32_t)(ts.tv_sec * 1000 + ts.tv_nsec / 1000000);
}

static int button_code(const char* name) {
    if (strcmp(name, "left") == 0) return 272;  // BTN_LEFT
    if (strcmp(name, "right") == 0) return 273;
    if (strcmp(name, "middle") == 0) return 274;
    return -1;
}

static struct zwlr_virtual_pointer_v1* pointer;

static void motion(int x, int y) {
    if (kwin) {
        org_kde_kwin_fake_input_pointer_motion_absolute(kwin, wl_fixed_from_int(x),
                                                        wl_fixed_from_int(y));
    } else {
        zwlr_virtual_pointer_v1_motion_absolute(pointer, now(), (uint32_t)x, (uint32_t)y,
                                                (uint32_t)width, (uint32_t)height);
        zwlr_virtual_pointer_v1_frame(pointer);
    }
}

static void button(int code, int pressed) {
    if (kwin) {
        org_kde_kwin_fake_input_button(kwin, (uint32_t)code, (uint32_t)pressed);
    } else {
        zwlr_virtual_pointer_v1_button(pointer, now(), (uint32_t)code, (uint32_t)pressed);
        zwlr_virtual_pointer_v1_frame(pointer);
    }
}

static void wheel(int step) {
    if (kwin) {
        org_kde_kwin_fake_input_axis(kwin, 0, wl_fixed_from_int(step * 15));
    } else {
        zwlr_virtual_pointer_v1_axis_discrete(pointer, now(), 0, wl_fixed_from_int(step * 15),
                                              step);
        zwlr_virtual_pointer_v1_frame(pointer);
    }
}

// Does one command; returns 0 when it cannot.
static int run(struct wl_display* display, char* line) {
    char verb[16] = "";
    int x = 0, y = 0, n = 0;
    char arg[16] = "";
    if (sscanf(line, "%15s%n", verb, &n) != 1) return 0;
    const char* rest = line + n;
    if (strcmp(verb, "move") == 0 && sscanf(rest, "%d %d", &x, &y) == 2) {
        motion(x, y);
    } else if (strcmp(verb, "scroll") == 0 && sscanf(rest, "%d", &x) == 1) {
        for (int i = 0; i < abs(x); ++i) wheel(x > 0 ? 1 : -1);
    } else if (strcmp(verb, "key") == 0 && kwin) {
        while (sscanf(rest, "%d%n", &x, &n) == 1) {
            org_kde_kwin_fake_input_keyboard_key(kwin, (uint32_t)x, 1);
            wl_display_roundtrip(display);
            org_kde_kwin_fake_input_keyboard_key(kwin, (uint32_t)x, 0);
            wl_display_roundtrip(display);
            rest += n;
        }
    } else if (sscanf(rest, "%15s", arg) == 1 && button_code(arg) > 0) {
        const int code = button_code(arg);
        if (strcmp(verb, "press") == 0 || strcmp(verb, "click") == 0) {
            button(code, 1);
            wl_display_roundtrip(display);
        }
        if (strcmp(verb, "release") == 0 || strcmp(verb, "click") == 0) button(code, 0);
    } else {
        return 0;
    }
    wl_display_roundtrip(display);
    return 1;
}

int main(void) {
    struct wl_display* display = wl_display_connect(NULL);
    if (!display) {
        fprintf(stderr, "wl_input: no Wayland display\n");
        return 1;
    }
    struct wl_registry* registry = wl_display_get_registry(display);
    wl_registry_add_listener(registry, &registry_listener, NULL);
    wl_display_roundtrip(display);
    wl_display_roundtrip(display);
    if (kwin) {
        org_kde_kwin_fake_input_authenticate(kwin, "Orbek tests", "end-to-end tests");
    } else if (wlr_manager && seat && width > 0) {
        pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(wlr_manager, seat);
    } else {
        fprintf(stderr, "wl_input: the compositor offers no input for tests\n");
        return 1;
    }
    wl_display_roundtrip(display);
    setvbuf(stdout, NULL, _IOLBF, 0);
    char line[256];
    while (fgets(line, sizeof line, stdin)) {
        if (run(display, line)) {
            printf("ok\n");
        } else {
            printf("cannot do: %s", line);
        }
    }
    if (pointer) zwlr_virtual_pointer_v1_destroy(pointer);
    wl_display_roundtrip(display);
    wl_display_disconnect(display);
    return 0;
}
