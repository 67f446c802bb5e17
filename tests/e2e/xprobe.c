/* A small X client for the end-to-end tests:
 *   xprobe close WINDOW     asks the window to close, as a window manager's close button does
 *   xprobe cursor           prints 1 when the pointer's cursor has a visible pixel, else 0
 */
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/Xfixes.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

static int close_window(Display* d, Window w) {
    XEvent e;
    memset(&e, 0, sizeof e);
    e.xclient.type = ClientMessage;
    e.xclient.window = w;
    e.xclient.message_type = XInternAtom(d, "WM_PROTOCOLS", False);
    e.xclient.format = 32;
    e.xclient.data.l[0] = (long)XInternAtom(d, "WM_DELETE_WINDOW", False);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, w, False, NoEventMask, &e);
    XFlush(d);
    return 0;
}

static int cursor_visible(Display* d) {
    int event_base, error_base;
    if (!XFixesQueryExtension(d, &event_base, &error_base)) return 2;
    XFixesCursorImage* img = XFixesGetCursorImage(d);
    if (!img) return 2;
    int visible = 0;
    for (int i = 0; i < img->width * img->height; ++i)
        if ((img->pixels[i] >> 24) & 0xff) visible = 1;
    XFree(img);
    printf("%d\n", visible);
    return 0;
}

int main(int argc, char** argv) {
    Display* d = XOpenDisplay(NULL);
    if (!d || argc < 2) return 2;
    int rc = 2;
    if (strcmp(argv[1], "close") == 0 && argc == 3)
        rc = close_window(d, (Window)strtoul(argv[2], NULL, 0));
    else if (strcmp(argv[1], "cursor") == 0)
        rc = cursor_visible(d);
    XCloseDisplay(d);
    return rc;
}
