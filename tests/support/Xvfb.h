#pragma once
// An X server of a test's own (Xvfb) and what the tests of programs in a
// window ask of it. Include it after GoogleTest: Xlib's macros (None, Bool,
// Status) clash with names there. The test program links X11.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/ChildProgram.h"

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace testsupport {

inline bool haveXvfb() { return testsupport::shell("command -v Xvfb >/dev/null 2>&1") == 0; }
inline bool haveXdotool() { return testsupport::shell("command -v xdotool >/dev/null 2>&1") == 0; }

// An X server on a display it chose itself, ended with the test. Servers
// started at the same moment may race for one display's lock, and the loser
// ends: it is started again after a pause of a length of its own, so that
// two losers do not meet again. When none starts, `failure` says why.
class Xvfb {
public:
    Xvfb()
    {
        // A window that is gone (a program that ended) fails the request,
        // not the test program.
        XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
        // A server that lost the race for its display may close our
        // connection as it ends: the write then fails and the start is
        // tried again, where SIGPIPE would end the whole test program.
        // (libcups ignores SIGPIPE in the same way once it connects; the
        // children that tests start get default dispositions back.)
        signal(SIGPIPE, SIG_IGN);
        for (int attempt = 0; attempt < 10 && !display; ++attempt) {
            if (attempt > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(50 + (getpid() * 37 + attempt * 91) % 250));
            start();
        }
    }
    ~Xvfb()
    {
        if (display)
            XCloseDisplay(display);
        if (pid > 0) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    Xvfb(const Xvfb&) = delete;
    Xvfb& operator=(const Xvfb&) = delete;

    // The window shown with that caption (the index-th of them), or 0 when
    // none shows within PATIENCE_SECONDS: a top-level one, or one that a
    // window manager put in a frame of its own.
    Window findWindow(const std::string& caption, int index = 0)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::seconds(PATIENCE_SECONDS);
        while (std::chrono::steady_clock::now() < end) {
            std::vector<Window> found;
            collect(DefaultRootWindow(display), caption, 2, &found);
            if (int(found.size()) > index)
                return found[size_t(index)];
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
        return 0;
    }

    // The window's title: WM_NAME, or the UTF-8 _NET_WM_NAME that some
    // windows (SDL's message boxes) set alone.
    std::string nameOf(Window w)
    {
        std::string title;
        char* text = nullptr;
        if (XFetchName(display, w, &text) && text)
            title = text;
        if (text)
            XFree(text);
        if (!title.empty())
            return title;
        Atom type;
        int format = 0;
        unsigned long items = 0, left = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, w, XInternAtom(display, "_NET_WM_NAME", False), 0, 256, False,
                               XInternAtom(display, "UTF8_STRING", False), &type, &format, &items, &left,
                               &data) == Success &&
            data && format == 8)
            title.assign(reinterpret_cast<char*>(data), items);
        if (data)
            XFree(data);
        return title;
    }

    // The shown windows with that caption below `under`, down to depth levels.
    void collect(Window under, const std::string& caption, int depth, std::vector<Window>* found)
    {
        Window root, parent, *children = nullptr;
        unsigned count = 0;
        XQueryTree(display, under, &root, &parent, &children, &count);
        for (unsigned i = 0; i < count; ++i) {
            XWindowAttributes a;
            if (nameOf(children[i]) == caption && XGetWindowAttributes(display, children[i], &a) &&
                a.map_state == IsViewable)
                found->push_back(children[i]);
            else if (depth > 1)
                collect(children[i], caption, depth - 1, found);
        }
        if (children)
            XFree(children);
    }

    // What a window's close button does: the window manager asks the window
    // to close with WM_DELETE_WINDOW.
    void clickClose(Window w)
    {
        XEvent e = {};
        e.xclient.type = ClientMessage;
        e.xclient.window = w;
        e.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        e.xclient.format = 32;
        e.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
        e.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, w, False, NoEventMask, &e);
        XFlush(display);
    }

    std::string name;
    Display* display = nullptr;
    // Why the last start failed: what happened and the end of the server's
    // standard error.
    std::string failure;

private:
    void start()
    {
        int fds[2];
        if (pipe(fds) != 0) {
            failure = "no pipe";
            return;
        }
        char log[] = "/tmp/quarnel-xvfb-XXXXXX";
        int logFd = mkstemp(log);
        pid = fork();
        if (pid == 0) {
            testsupport::defaultSignalsInChild();
            close(fds[0]);
            int null = open("/dev/null", O_WRONLY);
            dup2(null, 1);
            dup2(logFd >= 0 ? logFd : null, 2);
            std::string fd = std::to_string(fds[1]);
            execlp("Xvfb", "Xvfb", "-displayfd", fd.c_str(), "-screen", "0", "1280x1024x24", "-nolisten", "tcp",
                   static_cast<char*>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        // The server writes its display number once it takes connections.
        pollfd p{fds[0], POLLIN, 0};
        char text[16] = {};
        if (pid > 0 && poll(&p, 1, 20000) == 1 && read(fds[0], text, sizeof text - 1) > 0)
            name = ":" + std::to_string(std::atoi(text));
        close(fds[0]);
        display = name.empty() ? nullptr : XOpenDisplay(name.c_str());
        if (!display) {
            failure = name.empty() ? "Xvfb told no display" : "display " + name + " could not be opened";
            if (pid > 0) {
                kill(pid, SIGTERM);
                int status = 0;
                waitpid(pid, &status, 0);
                if (WIFEXITED(status))
                    failure += ", Xvfb exited with " + std::to_string(WEXITSTATUS(status));
            }
            pid = -1;
            name.clear();
            if (logFd >= 0) {
                char tail[400] = {};
                off_t end = lseek(logFd, 0, SEEK_END);
                ssize_t got = pread(logFd, tail, sizeof tail - 1, end > off_t(sizeof tail - 1) ? end - off_t(sizeof tail - 1) : 0);
                if (got > 0)
                    failure += ": " + std::string(tail, size_t(got));
            }
        }
        if (logFd >= 0) {
            close(logFd);
            unlink(log);
        }
    }

    pid_t pid = -1;
};

} // namespace testsupport
