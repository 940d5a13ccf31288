#pragma once
// A virtual X display for end-to-end tests: the Xvfb server, xdotool,
// screenshots, windows found by caption, and what only the X server knows:
// the cursor it shows (XFixes) and keys pressed at their physical place
// (XTEST), whatever the keyboard layout makes of them.

#include <QCoreApplication>
#include <QFile>
#include <QImage>
#include <QPoint>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStandardPaths>
#include <QStringList>
#include <QtTest>

#include <xcb/xcb.h>
#include <xcb/xfixes.h>
#include <xcb/xtest.h>

#include <cstdlib>
#include <initializer_list>

// X keycodes (evdev + 8) of the keys the tests press by place.
namespace XKey {
constexpr int Escape = 9, Return = 36, AltLeft = 64, Delete = 119, Tab = 23;
constexpr int A = 38, C = 54, D = 40, H = 43, P = 33;
}  // namespace XKey

class TXServer {
public:
    // How long a wait may take; only a guard against hangs.
    static constexpr int Patience = 60000;

    TXServer() = default;
    ~TXServer() { Stop(); }
    TXServer(const TXServer&) = delete;
    TXServer& operator=(const TXServer&) = delete;

    static QString Tool(const QString& name) { return QStandardPaths::findExecutable(name); }

    // Xvfb on a free display of that size, once it takes clients.
    bool Start(int width, int height)
    {
        int n = 70 + int(QCoreApplication::applicationPid() % 100);
        while (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) ||
               QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            ++n;
        Name = QStringLiteral(":%1").arg(n);
        // No server reset when the last client leaves: the next start would race it.
        Xvfb.start(Tool(QStringLiteral("Xvfb")), {Name, "-screen", "0", QStringLiteral("%1x%2x24").arg(width).arg(height),
                                                 "-nolisten", "tcp", "-noreset"});
        return Xvfb.waitForStarted() &&
               QTest::qWaitFor([n] { return QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)); }, 20000);
    }

    void Stop()
    {
        if (Conn) {
            xcb_disconnect(Conn);
            Conn = nullptr;
        }
        if (Xvfb.state() != QProcess::NotRunning) {
            Xvfb.terminate();
            Xvfb.waitForFinished(5000);
        }
    }

    const QString& Display() const { return Name; }

    // The environment of a program shown on this display.
    QProcessEnvironment Environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), Name);
        env.remove(QStringLiteral("WAYLAND_DISPLAY"));
        return env;
    }

    // What a program run on the display prints; its exit status in 'status'.
    QByteArray Run(const QString& program, const QStringList& args, int* status = nullptr) const
    {
        QProcess p;
        p.setProcessEnvironment(Environment());
        p.start(program, args);
        const bool done = p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit;
        if (status)
            *status = done ? p.exitCode() : -1;
        return p.readAllStandardOutput();
    }

    QString Xdo(const QStringList& args) const
    {
        return QString::fromLatin1(Run(Tool(QStringLiteral("xdotool")), args)).trimmed();
    }

    QImage Screenshot(const QString& file) const
    {
        QFile::remove(file);
        Run(Tool(QStringLiteral("import")), {"-window", "root", file});
        return QImage(file).convertToFormat(QImage::Format_RGB32);
    }

    // The first visible window of exactly that caption, or empty.
    QString Find(const QString& caption) const
    {
        return Xdo({"search", "--onlyvisible", "--name", QLatin1Char('^') + caption + QLatin1Char('$')})
            .section(QLatin1Char('\n'), 0, 0);
    }
    bool IsShown(const QString& caption) const { return !Find(caption).isEmpty(); }

    // The visible window of that caption, focused, once it shows; empty if it never does.
    QString WaitForWindow(const QString& caption) const
    {
        QString id;
        if (!QTest::qWaitFor([&] { return !(id = Find(caption)).isEmpty(); }, Patience))
            return {};
        Xdo({"windowfocus", "--sync", id});
        return id;
    }

    // Once no visible window has that caption.
    bool WaitGone(const QString& caption) const
    {
        return QTest::qWaitFor([&] { return !IsShown(caption); }, Patience);
    }

    // Left and top of a window, as xdotool reports them.
    QPoint PlaceOf(const QString& window) const
    {
        const QString geometry = Xdo({"getwindowgeometry", window});
        const QString place = geometry.section(QStringLiteral("Position: "), 1).section(QLatin1Char(' '), 0, 0);
        return {place.section(QLatin1Char(','), 0, 0).toInt(), place.section(QLatin1Char(','), 1, 1).toInt()};
    }

    // The cursor the server shows now, as premultiplied ARGB pixels; null
    // when the server cannot tell.
    QImage Cursor(QPoint* hotSpot = nullptr)
    {
        xcb_connection_t* c = Connection();
        if (!c)
            return {};
        xcb_xfixes_get_cursor_image_reply_t* r =
            xcb_xfixes_get_cursor_image_reply(c, xcb_xfixes_get_cursor_image(c), nullptr);
        if (!r)
            return {};
        QImage image(r->width, r->height, QImage::Format_ARGB32_Premultiplied);
        const uint32_t* pixels = xcb_xfixes_get_cursor_image_cursor_image(r);
        for (int y = 0; y < r->height; ++y)
            for (int x = 0; x < r->width; ++x)
                image.setPixel(x, y, pixels[y * r->width + x]);
        if (hotSpot)
            *hotSpot = QPoint(r->xhot, r->yhot);
        std::free(r);
        return image;
    }

    // A window's property as its bytes (xdotool's decimal window id); empty
    // when the window has none.
    QByteArray Property(const QString& window, const char* name)
    {
        xcb_connection_t* c = Connection();
        if (!c)
            return {};
        xcb_intern_atom_reply_t* atom =
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(qstrlen(name)), name), nullptr);
        if (!atom)
            return {};
        xcb_get_property_reply_t* r = xcb_get_property_reply(
            c, xcb_get_property(c, 0, window.toUInt(), atom->atom, XCB_GET_PROPERTY_TYPE_ANY, 0, 1 << 20), nullptr);
        std::free(atom);
        if (!r)
            return {};
        const QByteArray bytes(static_cast<const char*>(xcb_get_property_value(r)), xcb_get_property_value_length(r));
        std::free(r);
        return bytes;
    }

    // Presses the keys at these keycodes in order and releases them in the
    // reverse order; returns once the server has handled them.
    bool Keys(std::initializer_list<int> keycodes)
    {
        xcb_connection_t* c = Connection();
        if (!c)
            return false;
        for (int k : keycodes)
            xcb_test_fake_input(c, XCB_KEY_PRESS, uint8_t(k), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        for (auto k = std::rbegin(keycodes); k != std::rend(keycodes); ++k)
            xcb_test_fake_input(c, XCB_KEY_RELEASE, uint8_t(*k), XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        std::free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
        return true;
    }

    // Keyboard layouts, the first one active ("ru,us": the Russian group).
    bool SetLayouts(const QString& layouts) const
    {
        int status = -1;
        Run(Tool(QStringLiteral("setxkbmap")), {"-display", Name, "-layout", layouts}, &status);
        return status == 0;
    }

private:
    xcb_connection_t* Connection()
    {
        if (Conn)
            return Conn;
        xcb_connection_t* c = xcb_connect(Name.toLatin1().constData(), nullptr);
        if (xcb_connection_has_error(c)) {
            xcb_disconnect(c);
            return nullptr;
        }
        // XFixes answers only a client that said which version it speaks.
        std::free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 4, 0), nullptr));
        return Conn = c;
    }

    QProcess Xvfb;
    QString Name;
    xcb_connection_t* Conn = nullptr;
};
