#include "platform/ChildProcess.h"
#include "platform/X11WindowLookup.h"

#include <QStandardPaths>
#include <cstdlib>
#include <gtest/gtest.h>
#include <xcb/xcb.h>

namespace {

// A private X server for the test; it tells its display number on its standard output
// once it accepts clients.
class PrivateDisplay
{
public:
    bool start()
    {
        const QString xvfb = QStandardPaths::findExecutable(QStringLiteral("Xvfb"));
        if (xvfb.isEmpty() ||
            m_server.start(xvfb, {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "320x240x24"}) != 0) {
            return false;
        }
        QByteArray out;
        while (!out.contains('\n') && m_server.isRunning()) {
            m_server.waitForActivity(60000);
            out += m_server.read(ChildProcess::Stream::Output, 64);
        }
        bool ok = false;
        const int number = out.trimmed().toInt(&ok);
        if (ok) {
            name = ':' + QByteArray::number(number);
        }
        return ok;
    }
    ~PrivateDisplay()
    {
        if (m_server.isStarted()) {
            m_server.terminate(0);
        }
    }
    QByteArray name;

private:
    ChildProcess m_server;
};

xcb_window_t makeWindow(xcb_connection_t* c, xcb_window_t parent, const QByteArray& wmClass)
{
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, parent, 0, 0, 10, 10, 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      XCB_COPY_FROM_PARENT, 0, nullptr);
    if (!wmClass.isEmpty()) {
        xcb_change_property(c, XCB_PROP_MODE_REPLACE, window, XCB_ATOM_WM_CLASS, XCB_ATOM_STRING, 8,
                            static_cast<std::uint32_t>(wmClass.size()), wmClass.constData());
    }
    return window;
}

} // namespace

TEST(X11WindowLookupTest, FindsTopLevelAndFramedWindowsByClass)
{
    PrivateDisplay display;
    if (!display.start()) {
        GTEST_SKIP() << "Xvfb is not available";
    }
    xcb_connection_t* c = xcb_connect(display.name.constData(), nullptr);
    ASSERT_EQ(xcb_connection_has_error(c), 0);
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(c)).data->root;
    // A player's own top-level window, and one inside a window manager's frame.
    makeWindow(c, root, QByteArray("gemini\0GeminiWindowClass\0", 25));
    const xcb_window_t frame = makeWindow(c, root, {});
    makeWindow(c, frame, QByteArray("wmplayer\0WMPlayerApp\0", 21));
    // A round trip: every request before it has reached the server.
    free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));

    X11WindowLookup lookup(display.name);
    EXPECT_TRUE(lookup.topLevelWindowExists(QStringLiteral("GeminiWindowClass")));
    EXPECT_TRUE(lookup.topLevelWindowExists(QStringLiteral("geminiwindowclass")));
    EXPECT_TRUE(lookup.topLevelWindowExists(QStringLiteral("WMPlayerApp")));
    EXPECT_FALSE(lookup.topLevelWindowExists(QStringLiteral("OtherClass")));
    EXPECT_FALSE(lookup.topLevelWindowExists(QString()));
    xcb_disconnect(c);

    // The windows went with their client.
    EXPECT_FALSE(lookup.topLevelWindowExists(QStringLiteral("GeminiWindowClass")));
}

TEST(X11WindowLookupTest, NoDisplayFindsNothing)
{
    X11WindowLookup lookup(QByteArray(":99999"));
    EXPECT_FALSE(lookup.topLevelWindowExists(QStringLiteral("GeminiWindowClass")));
}
