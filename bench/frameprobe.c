/*
 * frameprobe: watches the X screen from outside a player and reports when the
 * benchmark clip first appears and which of its frames were ever shown.
 *
 * The clip carries a marker in its left 512 columns, the same in every row:
 * red, green and blue bands of 64 px each, then 12 bands of 24 px that are
 * white or black for the bits of the frame number (bit 0 leftmost), then 32 px
 * of black. Because the marker is constant down the frame, one screen row that
 * crosses the picture anywhere is enough to find it, measure its scale and read
 * the frame number, wherever the window was placed and however it was scaled.
 *
 *   frameprobe watch [--interval-us N] [--frames N]
 *       Prints "ready" once connected, then polls. Prints
 *       "first <monotonic ns> <frame> <x> <y> <scale>" when the marker is first
 *       seen, "scale ..." (same fields) whenever the picture's size on screen
 *       changes, and a "summary ..." and "missing ..." line when standard
 *       input closes (or on SIGTERM). The summary's scale is the last one.
 *   frameprobe show FRAME
 *       Opens a window showing the marker of FRAME at half scale until standard
 *       input closes: a known picture to check the reader against and to
 *       measure what polling costs the X server.
 *   frameprobe rows Y...
 *       Prints the mean brightness (0-255, R+G+B over 3) of each screen row Y
 *       right of the marker, one line "rows <mean> <mean> ...": enough to
 *       tell whether a translucent bar darkens a band of the screen.
 */
#define _GNU_SOURCE
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <errno.h>
#include <math.h>
#include <poll.h>
#include <signal.h>
#include <stdint.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

enum { kSignatureWidth = 192, kBitWidth = 24, kBits = 12, kMarkerWidth = 512 };
enum { kMaxFrames = 1 << kBits };
enum Class { OTHER, RED, GREEN, BLUE, WHITE, BLACK };

static volatile sig_atomic_t stopRequested = 0;

static void onTerm(int sig) {
    (void)sig;
    stopRequested = 1;
}

static int64_t nowNs(void) {
    struct timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return (int64_t)ts.tv_sec * 1000000000 + ts.tv_nsec;
}

/* Limits are loose on purpose: players convert limited-range YUV back to RGB
 * with different matrices and scale with different filters. */
static enum Class classify(unsigned r, unsigned g, unsigned b) {
    if (r > 150 && g < 100 && b < 100)
        return RED;
    if (g > 150 && r < 100 && b < 100)
        return GREEN;
    if (b > 150 && r < 100 && g < 100)
        return BLUE;
    if (r > 160 && g > 160 && b > 160)
        return WHITE;
    if (r < 90 && g < 90 && b < 90)
        return BLACK;
    return OTHER;
}

static int maskShift(unsigned long mask) {
    int shift = 0;
    while (mask && !(mask & 1)) {
        mask >>= 1;
        shift++;
    }
    return shift;
}

/* One row of the screen, classified pixel by pixel. */
typedef struct {
    int x0;
    int width;
    unsigned char cls[8192];
} Row;

static int grabRow(Display* dpy, Window root, int x, int y, int width, Row* row) {
    if (width > (int)sizeof row->cls)
        width = (int)sizeof row->cls;
    XImage* image = XGetImage(dpy, root, x, y, (unsigned)width, 1, AllPlanes, ZPixmap);
    if (!image)
        return 0;
    const int rs = maskShift(image->red_mask), gs = maskShift(image->green_mask),
              bs = maskShift(image->blue_mask);
    const unsigned long rm = image->red_mask >> rs, gm = image->green_mask >> gs,
                        bm = image->blue_mask >> bs;
    const int fast = image->bits_per_pixel == 32 && image->byte_order == LSBFirst && rm == 255 &&
                     gm == 255 && bm == 255;
    for (int i = 0; i < width; i++) {
        unsigned long p;
        if (fast) {
            const unsigned char* q = (const unsigned char*)image->data + 4 * i;
            p = (unsigned long)q[0] | (unsigned long)q[1] << 8 | (unsigned long)q[2] << 16 |
                (unsigned long)q[3] << 24;
        } else {
            p = XGetPixel(image, i, 0);
        }
        unsigned r = (unsigned)((p >> rs) & rm), g = (unsigned)((p >> gs) & gm),
                 b = (unsigned)((p >> bs) & bm);
        if (!fast) {
            r = (unsigned)(r * 255 / (rm ? rm : 1));
            g = (unsigned)(g * 255 / (gm ? gm : 1));
            b = (unsigned)(b * 255 / (bm ? bm : 1));
        }
        row->cls[i] = (unsigned char)classify(r, g, b);
    }
    row->x0 = x;
    row->width = width;
    XDestroyImage(image);
    return 1;
}

typedef struct {
    int found;
    int frame; /* -1 when the signature is there but a bit could not be read */
    int left;  /* screen x of the marker's left edge */
    double scale;
} Marker;

/* Finds the end of a run of class c starting at i. A scaler's ringing can
 * leave a stray pixel inside a band, so up to gap unclassified pixels between
 * two of class c still belong to the run. */
static int runEnd(const Row* row, int i, enum Class c, int gap) {
    int end = i;
    int unclassified = 0;
    while (i < row->width) {
        if (row->cls[i] == c) {
            end = i + 1;
            unclassified = 0;
        } else if (row->cls[i] != OTHER || ++unclassified > gap) {
            break;
        }
        i++;
    }
    return end;
}

/* Skips the few blended pixels a scaler leaves between two bands. */
static int skipBlend(const Row* row, int i, int limit) {
    int n = 0;
    while (i < row->width && row->cls[i] == OTHER && n < limit) {
        i++;
        n++;
    }
    return i;
}

static int near(int len, int ref) {
    return len * 10 >= ref * 6 && len * 10 <= ref * 14;
}

static Marker findMarker(const Row* row, int maxFrame) {
    Marker m = {0, -1, 0, 0.0};
    for (int i = 0; i < row->width; i++) {
        if (row->cls[i] != RED)
            continue;
        const int redStart = i;
        const int redEnd = runEnd(row, i, RED, 2);
        i = redEnd - 1;
        const int len = redEnd - redStart;
        if (len < 4)
            continue;
        const int blend = len / 8 + 2;
        const int greenStart = skipBlend(row, redEnd, blend);
        if (greenStart >= row->width || row->cls[greenStart] != GREEN)
            continue;
        const int greenEnd = runEnd(row, greenStart, GREEN, 2);
        if (!near(greenEnd - greenStart, len))
            continue;
        const int blueStart = skipBlend(row, greenEnd, blend);
        if (blueStart >= row->width || row->cls[blueStart] != BLUE)
            continue;
        const int blueEnd = runEnd(row, blueStart, BLUE, 2);
        if (!near(blueEnd - blueStart, len))
            continue;
        /* Band edges blur by about a pixel each way; the outer edges of red
         * and blue blur alike, so their distance is a fair measure. */
        const double scale = (double)(blueEnd - redStart) / kSignatureWidth;
        m.found = 1;
        m.left = row->x0 + redStart;
        m.scale = scale;
        int frame = 0;
        for (int bit = 0; bit < kBits && frame >= 0; bit++) {
            const double centre =
                redStart + (kSignatureWidth + kBitWidth * bit + kBitWidth / 2.0) * scale;
            const double spread = fmax(1.0, kBitWidth * scale / 4.0);
            int value = -1;
            for (int k = -1; k <= 1; k++) {
                const int x = (int)lround(centre + k * spread);
                if (x < 0 || x >= row->width) {
                    value = -2;
                    break;
                }
                const int v = row->cls[x] == WHITE ? 1 : row->cls[x] == BLACK ? 0 : -2;
                if (v < 0 || (value >= 0 && v != value)) {
                    value = -2;
                    break;
                }
                value = v;
            }
            if (value < 0)
                frame = -1;
            else
                frame |= value << bit;
        }
        m.frame = frame <= maxFrame ? frame : -1;
        return m;
    }
    return m;
}

typedef struct {
    Display* dpy;
    Window root;
    int screenWidth, screenHeight;
    int maxFrame;
    /* where the marker was last read */
    int trackY, trackLeft;
    double trackScale;
    int tracking;
    long searches; /* full searches, which cost the X server far more */
} Probe;

/* Rows to search, the middle of the screen first: a window is most likely to
 * cross it, and control bars sit at a window's top and bottom. */
static Marker search(Probe* p, Row* row, int* y) {
    static const int kRows = 17;
    p->searches++;
    for (int k = 0; k < kRows; k++) {
        const int step = (k + 1) / 2;
        const int sign = k % 2 ? -1 : 1;
        const int yy = p->screenHeight / 2 + sign * step * p->screenHeight / (kRows + 1);
        if (yy < 0 || yy >= p->screenHeight)
            continue;
        if (!grabRow(p->dpy, p->root, 0, yy, p->screenWidth, row))
            continue;
        Marker m = findMarker(row, p->maxFrame);
        if (m.found && m.frame >= 0) {
            *y = yy;
            return m;
        }
    }
    Marker none = {0, -1, 0, 0.0};
    return none;
}

static Marker sample(Probe* p, Row* row, int* y) {
    if (p->tracking) {
        const int margin = 8;
        int x = p->trackLeft - margin;
        if (x < 0)
            x = 0;
        int width = (int)(kMarkerWidth * p->trackScale) + 2 * margin;
        if (x + width > p->screenWidth)
            width = p->screenWidth - x;
        if (width > 0 && grabRow(p->dpy, p->root, x, p->trackY, width, row)) {
            Marker m = findMarker(row, p->maxFrame);
            if (m.found && m.frame >= 0) {
                *y = p->trackY;
                return m;
            }
        }
    }
    Marker m = search(p, row, y);
    p->tracking = m.found;
    if (m.found) {
        p->trackY = *y;
        p->trackLeft = m.left;
        p->trackScale = m.scale;
    }
    return m;
}

static int stdinClosed(int64_t waitNs) {
    struct pollfd fd = {0, POLLIN, 0};
    struct timespec ts = {waitNs / 1000000000, waitNs % 1000000000};
    if (waitNs < 0)
        ts.tv_sec = ts.tv_nsec = 0;
    int n = ppoll(&fd, 1, &ts, NULL);
    if (n <= 0)
        return 0;
    char buf[256];
    ssize_t got = read(0, buf, sizeof buf);
    return got == 0 || (got < 0 && errno != EINTR && errno != EAGAIN);
}

static void printMissing(const unsigned char* seen, int frames) {
    char line[600];
    int len = snprintf(line, sizeof line, "missing");
    int count = 0;
    for (int f = 0; f < frames; f++) {
        if (seen[f])
            continue;
        int g = f;
        while (g + 1 < frames && !seen[g + 1])
            g++;
        count += g - f + 1;
        if (len < (int)sizeof line - 40) {
            len += f == g ? snprintf(line + len, sizeof line - len, " %d", f)
                          : snprintf(line + len, sizeof line - len, " %d-%d", f, g);
        } else if (len < (int)sizeof line - 4) {
            len += snprintf(line + len, sizeof line - len, " ...");
        }
        f = g;
    }
    printf("%s\n", count ? line : "missing none");
}

static int watch(int argc, char** argv) {
    long intervalUs = 4000;
    int frames = kMaxFrames;
    for (int i = 0; i + 1 < argc; i += 2) {
        if (!strcmp(argv[i], "--interval-us"))
            intervalUs = strtol(argv[i + 1], NULL, 10);
        else if (!strcmp(argv[i], "--frames"))
            frames = (int)strtol(argv[i + 1], NULL, 10);
    }
    if (intervalUs < 500)
        intervalUs = 500;
    if (frames < 1 || frames > kMaxFrames)
        frames = kMaxFrames;

    Probe p = {0};
    p.dpy = XOpenDisplay(NULL);
    if (!p.dpy) {
        fprintf(stderr, "frameprobe: cannot open display\n");
        return 1;
    }
    p.root = DefaultRootWindow(p.dpy);
    p.screenWidth = DisplayWidth(p.dpy, DefaultScreen(p.dpy));
    p.screenHeight = DisplayHeight(p.dpy, DefaultScreen(p.dpy));
    p.maxFrame = frames - 1;

    static Row row;
    int y = 0;
    /* A marker already on screen would be taken for the next program's first
     * frame; say so, and let the caller wait for a clean screen. */
    printf(search(&p, &row, &y).found ? "ready stale\n" : "ready\n");
    fflush(stdout);
    p.searches = 0;

    unsigned char* seen = calloc((size_t)frames, 1);
    long samples = 0, valid = 0, backwards = 0;
    int last = -1, distinct = 0, minFrame = -1, maxFrame = -1, firstFrame = -1;
    int64_t firstNs = 0, lastChangeNs = 0, maxHoldNs = 0, lastNewNs = 0;
    double scale = 0.0;
    int64_t next = nowNs();
    while (!stopRequested) {
        Marker m = sample(&p, &row, &y);
        const int64_t t = nowNs();
        samples++;
        if (m.found && m.frame >= 0) {
            valid++;
            if (firstFrame < 0) {
                firstFrame = m.frame;
                firstNs = t;
                scale = m.scale;
                printf("first %lld %d %d %d %.4f\n", (long long)t, m.frame, m.left, y, m.scale);
                fflush(stdout);
            } else if (fabs(m.scale - scale) > 0.03 * scale) {
                /* The picture changed size on screen: a window resized or
                 * went fullscreen, or a frame was drawn unscaled. */
                scale = m.scale;
                printf("scale %lld %d %d %d %.4f\n", (long long)t, m.frame, m.left, y, m.scale);
                fflush(stdout);
            }
            if (m.frame != last) {
                if (last >= 0 && m.frame < last)
                    backwards++;
                if (last >= 0 && t - lastChangeNs > maxHoldNs)
                    maxHoldNs = t - lastChangeNs;
                lastChangeNs = t;
                last = m.frame;
            }
            if (!seen[m.frame]) {
                seen[m.frame] = 1;
                distinct++;
                lastNewNs = t;
            }
            if (minFrame < 0 || m.frame < minFrame)
                minFrame = m.frame;
            if (m.frame > maxFrame)
                maxFrame = m.frame;
        }
        next += intervalUs * 1000;
        const int64_t after = nowNs();
        if (next < after)
            next = after; /* fell behind: do not burst to catch up */
        if (stdinClosed(next - after))
            break;
    }
    printf("summary samples=%ld valid=%ld distinct=%d first=%d min=%d max=%d backwards=%ld "
           "searches=%ld maxhold_ms=%.1f span_ms=%.1f scale=%.4f\n",
           samples, valid, distinct, firstFrame, minFrame, maxFrame, backwards, p.searches,
           maxHoldNs / 1e6, firstFrame >= 0 ? (lastNewNs - firstNs) / 1e6 : 0.0, scale);
    printMissing(seen, frames);
    fflush(stdout);
    free(seen);
    XCloseDisplay(p.dpy);
    return 0;
}

static void paintMarker(Display* dpy, Window w, GC gc, int frame, double scale, int height) {
    static const unsigned long bands[3] = {0xff0000, 0x00ff00, 0x0000ff};
    for (int i = 0; i < 3; i++) {
        XSetForeground(dpy, gc, bands[i]);
        XFillRectangle(dpy, w, gc, (int)lround(64 * i * scale), 0, (unsigned)lround(64 * scale),
                       (unsigned)height);
    }
    for (int bit = 0; bit < kBits; bit++) {
        XSetForeground(dpy, gc, (frame >> bit) & 1 ? 0xffffff : 0x000000);
        XFillRectangle(dpy, w, gc, (int)lround((kSignatureWidth + kBitWidth * bit) * scale), 0,
                       (unsigned)lround(kBitWidth * scale), (unsigned)height);
    }
    XSetForeground(dpy, gc, 0x000000);
    XFillRectangle(dpy, w, gc, (int)lround((kSignatureWidth + kBitWidth * kBits) * scale), 0,
                   (unsigned)lround(32 * scale), (unsigned)height);
    XFlush(dpy);
}

static int show(int frame) {
    Display* dpy = XOpenDisplay(NULL);
    if (!dpy) {
        fprintf(stderr, "frameprobe: cannot open display\n");
        return 1;
    }
    const double scale = 0.5;
    const int width = (int)(kMarkerWidth * scale) + 64, height = 360;
    XSetWindowAttributes attrs;
    attrs.override_redirect = True; /* stays where it is put, undecorated */
    attrs.background_pixel = 0;
    attrs.event_mask = ExposureMask;
    Window w = XCreateWindow(dpy, DefaultRootWindow(dpy), 200, 300, (unsigned)width,
                             (unsigned)height, 0, CopyFromParent, InputOutput, CopyFromParent,
                             CWOverrideRedirect | CWBackPixel | CWEventMask, &attrs);
    GC gc = XCreateGC(dpy, w, 0, NULL);
    XMapRaised(dpy, w);
    XSync(dpy, False);
    paintMarker(dpy, w, gc, frame, scale, height);
    printf("shown\n");
    fflush(stdout);
    const int xfd = ConnectionNumber(dpy);
    for (;;) {
        while (XPending(dpy)) {
            XEvent e;
            XNextEvent(dpy, &e);
            if (e.type == Expose && e.xexpose.count == 0)
                paintMarker(dpy, w, gc, frame, scale, height);
        }
        struct pollfd fds[2] = {{0, POLLIN, 0}, {xfd, POLLIN, 0}};
        if (poll(fds, 2, -1) < 0 && errno != EINTR)
            break;
        if (fds[0].revents) {
            char buf[64];
            if (read(0, buf, sizeof buf) <= 0)
                break;
        }
    }
    XCloseDisplay(dpy);
    return 0;
}

static int rows(int argc, char** argv) {
    Display* dpy = XOpenDisplay(NULL);
    if (!dpy)
        return 1;
    const Window root = DefaultRootWindow(dpy);
    const int width = DisplayWidth(dpy, DefaultScreen(dpy)) - kMarkerWidth;
    printf("rows");
    for (int i = 0; i < argc; i++) {
        const int y = atoi(argv[i]);
        XImage* image = width > 0 ? XGetImage(dpy, root, kMarkerWidth, y, (unsigned)width, 1,
                                              AllPlanes, ZPixmap)
                                  : NULL;
        if (!image) {
            printf(" nan");
            continue;
        }
        const int rs = maskShift(image->red_mask), gs = maskShift(image->green_mask),
                  bs = maskShift(image->blue_mask);
        const unsigned long rm = image->red_mask >> rs, gm = image->green_mask >> gs,
                            bm = image->blue_mask >> bs;
        double sum = 0;
        for (int x = 0; x < width; x++) {
            const unsigned long p = XGetPixel(image, x, 0);
            sum += ((p >> rs) & rm) * 255.0 / (rm ? rm : 1) +
                   ((p >> gs) & gm) * 255.0 / (gm ? gm : 1) +
                   ((p >> bs) & bm) * 255.0 / (bm ? bm : 1);
        }
        printf(" %.1f", sum / (3.0 * width));
        XDestroyImage(image);
    }
    printf("\n");
    XCloseDisplay(dpy);
    return 0;
}

int main(int argc, char** argv) {
    signal(SIGTERM, onTerm);
    signal(SIGINT, onTerm);
    if (argc >= 2 && !strcmp(argv[1], "watch"))
        return watch(argc - 2, argv + 2);
    if (argc == 3 && !strcmp(argv[1], "show"))
        return show(atoi(argv[2]));
    if (argc >= 3 && !strcmp(argv[1], "rows"))
        return rows(argc - 2, argv + 2);
    fprintf(stderr,
            "usage: frameprobe watch [--interval-us N] [--frames N] | show FRAME | rows Y...\n");
    return 2;
}
