// The window program on a real X server: started with a file argument,
// answered, and closed the way a window manager's close button closes it
// (a WM_DELETE_WINDOW message through the server); files dropped on it; and
// the built program itself started as a process, read through the windows
// it shows.
#include "app/gui/UpdateWindow.h"
#include "app/gui/UpdaterProgram.h"

#include "gui/DragAndDrop.h"
#include "gui/ModalBoxes.h"
#include "gui/TestApplication.h"
#include "support/ProductSettings.h"
#include "support/SampleTemplates.h"

#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

#include <algorithm>
#include <cstring>
#include <functional>

namespace {

const QByteArray kUserReg = "WINE REGISTRY Version 2\n"
                            ";; All keys relative to \\\\User\\\\S-1-5-21-0-0-0-1000\n\n"
                            "#arch=win64\n\n"
                            "[Software\\\\Other] 1700000000\n"
                            "\"Name\"=\"value\"\n";

QByteArray ReadAll(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name)
{
    const xcb_intern_atom_cookie_t cookie = xcb_intern_atom(connection, 0, qstrlen(name), name);
    xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(connection, cookie, nullptr);
    const xcb_atom_t atom = reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
    free(reply);
    return atom;
}

// What a window manager sends when the user clicks the close button of
// WINDOW.
void SendCloseRequest(xcb_connection_t* connection, xcb_window_t window)
{
    xcb_client_message_event_t message {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = Atom(connection, "WM_PROTOCOLS");
    message.data.data32[0] = Atom(connection, "WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
}

xcb_connection_t* Connection()
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    return x11 ? x11->connection() : nullptr;
}

void ClickCloseButton(QWidget& window)
{
    ASSERT_NE(Connection(), nullptr);
    SendCloseRequest(Connection(), static_cast<xcb_window_t>(window.winId()));
}

QByteArray Property(xcb_connection_t* connection, xcb_window_t window, const char* name)
{
    const xcb_get_property_cookie_t cookie
        = xcb_get_property(connection, 0, window, Atom(connection, name), XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
    xcb_get_property_reply_t* reply = xcb_get_property_reply(connection, cookie, nullptr);
    QByteArray value;
    if (reply)
        value = QByteArray(
            static_cast<const char*>(xcb_get_property_value(reply)), xcb_get_property_value_length(reply));
    free(reply);
    return value;
}

// Lets the event loop run until CONDITION holds or TIMEOUTMS pass; returns
// whether it held. (QTRY_* would leave the test passing on a timeout.)
bool WaitUntil(const std::function<bool()>& condition, int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (!condition()) {
        if (deadline.hasExpired())
            return false;
        QTest::qWait(50);
    }
    return true;
}

// A top-level window on the screen, as a window manager sees it.
struct ShownWindow {
    xcb_window_t Id;
    bool IsBox; // transient for another window: a dialog or message box
    QString Title;
};

// The windows on the screen that the process PID shows.
QList<ShownWindow> WindowsOf(xcb_connection_t* connection, qint64 pid)
{
    QList<ShownWindow> shown;
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_query_tree_reply_t* tree
        = xcb_query_tree_reply(connection, xcb_query_tree(connection, root), nullptr);
    if (!tree)
        return shown;
    const xcb_window_t* children = xcb_query_tree_children(tree);
    for (int i = 0; i < xcb_query_tree_children_length(tree); ++i) {
        xcb_get_window_attributes_reply_t* attributes = xcb_get_window_attributes_reply(
            connection, xcb_get_window_attributes(connection, children[i]), nullptr);
        const bool viewable = attributes && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
        free(attributes);
        const QByteArray owner = Property(connection, children[i], "_NET_WM_PID");
        quint32 ownerPid = 0;
        if (owner.size() == 4)
            memcpy(&ownerPid, owner.constData(), 4);
        if (viewable && ownerPid == pid)
            shown.append({ children[i], !Property(connection, children[i], "WM_TRANSIENT_FOR").isEmpty(),
                QString::fromUtf8(Property(connection, children[i], "_NET_WM_NAME")) });
    }
    free(tree);
    return shown;
}

class RealWindow : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(FDir.isValid());
        ASSERT_TRUE(QDir(FDir.path()).mkpath("wine"));
        qputenv("HOME", FDir.path().toLocal8Bit());
        qputenv("WINEPREFIX", FDir.filePath("wine").toLocal8Bit());
        qputenv("XDG_CONFIG_HOME", FDir.filePath("config").toLocal8Bit());
        TestApplication();
        ASSERT_EQ(QGuiApplication::platformName(), "xcb") << "runs on an X server";
        WriteFile(FDir.filePath("wine/user.reg"), kUserReg);
    }
    void WriteFile(const QString& fileName, const QByteArray& content)
    {
        QFile file(fileName);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }
    QString Path(const QString& name) const { return FDir.filePath(name); }

    QTemporaryDir FDir;
};

} // namespace

TEST_F(RealWindow, StartedWithAFileConfirmsItClosesByTheCloseButtonAndLeavesTemplateAndRegistryAlone)
{
    WriteFile(Path("old.xml"), kPlainTemplate);
    MessageBoxRecorder boxes;
    {
        UpdaterProgram program({ Path("old.xml") }, false);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&program.Window()));
        ASSERT_TRUE(WaitUntil([&] { return boxes.Texts.size() == 1; }, 10000));
        EXPECT_EQ(boxes.Texts[0], "New Profile Template File Saved as old.bts");
        EXPECT_TRUE(program.Window().isVisible()) << "open for more after the box";

        ClickCloseButton(program.Window());
        ASSERT_TRUE(WaitUntil([&] { return !program.Window().isVisible(); }, 10000));
    }
    EXPECT_EQ(boxes.Texts.size(), 1);
    const QByteArray written = ReadAll(Path("old.bts"));
    EXPECT_TRUE(written.contains("<jpegquality.Value>33</jpegquality.Value>"))
        << written.left(200).constData();
    EXPECT_EQ(ReadAll(Path("old.xml")), kPlainTemplate);
    EXPECT_EQ(ReadAll(Path("wine/user.reg")), kUserReg);
    EXPECT_EQ(QDir(FDir.path()).entryList(QDir::Files), QStringList({ "old.bts", "old.xml" }));
}

TEST_F(RealWindow, TakesDroppedFilesAndReportsSeveralInOneBox)
{
    WriteFile(Path("a.xml"), kPlainTemplate);
    WriteFile(Path("b.xml"), kPlainTemplate);
    MessageBoxRecorder boxes;
    UpdaterProgram program({}, false);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&program.Window()));
    QMimeData remote;
    remote.setUrls({ QUrl("https://example.org/a.xml") });
    EXPECT_FALSE(DragEnter(&program.Window(), remote));

    ASSERT_TRUE(DragAndDrop(&program.Window(), *LocalFilesData({ Path("a.xml"), Path("b.xml") })));
    ASSERT_TRUE(WaitUntil([&] { return boxes.Texts.size() == 1; }, 10000));
    QTest::qWait(200);
    ASSERT_EQ(boxes.Texts.size(), 1);
    EXPECT_EQ(
        boxes.Texts[0], "New Profile Template File Saved as a.bts\nNew Profile Template File Saved as b.bts");
    EXPECT_TRUE(QFile::exists(Path("a.bts")));
    EXPECT_TRUE(QFile::exists(Path("b.bts")));
}

// The built program itself, as a desktop starts it: its own main, on the
// X server, answered and closed through the server as a user would.
TEST_F(RealWindow, TheProgramStartedWithTwoFilesConvertsEachOnItsOwnShowsABoxEachAndClosesCleanly)
{
    WriteProductSettings({ { "\\mirovane3\\jpegquality.Value", "70" } });
    const QByteArray sparse = kSparseTemplate;
    WriteFile(Path("a.xml"), kPlainTemplate);
    WriteFile(Path("sparse.xml"), sparse);
    ASSERT_TRUE(QDir(FDir.path()).mkdir("runtime"));
    QFile::setPermissions(
        Path("runtime"), QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert("XDG_RUNTIME_DIR", Path("runtime"));
    environment.insert("QT_QPA_PLATFORM", "xcb");
    QProcess program;
    program.setProcessEnvironment(environment);
    program.setWorkingDirectory(FDir.path());
    program.setStandardInputFile(QProcess::nullDevice());
    program.start(MIROVANE_UPDATER_PROGRAM, { "a.xml", "sparse.xml" });
    ASSERT_TRUE(program.waitForStarted(10000));
    xcb_connection_t* connection = Connection();
    ASSERT_NE(connection, nullptr);

    // Each box is answered as a user closes it; the next follows.
    QStringList boxTitles;
    QList<ShownWindow> windows;
    for (int answered = 0; answered < 2; ++answered) {
        ASSERT_TRUE(WaitUntil(
            [&] {
                windows = WindowsOf(connection, program.processId());
                return windows.size() == 2 && windows[0].IsBox != windows[1].IsBox;
            },
            30000))
            << "box " << answered + 1 << " beside the window";
        const ShownWindow box = windows[0].IsBox ? windows[0] : windows[1];
        boxTitles << box.Title;
        SendCloseRequest(connection, box.Id);
        const auto closed = [&] {
            const QList<ShownWindow> now = WindowsOf(connection, program.processId());
            return std::none_of(now.begin(), now.end(), [&](const ShownWindow& w) { return w.Id == box.Id; });
        };
        ASSERT_TRUE(WaitUntil(closed, 10000)) << "the box closes when asked";
    }
    EXPECT_EQ(boxTitles, QStringList({ "Mirovane Template Updater", "Mirovane Template Updater" }));
    windows = WindowsOf(connection, program.processId());
    ASSERT_EQ(windows.size(), 1);
    EXPECT_FALSE(windows[0].IsBox);
    EXPECT_EQ(windows[0].Title, "Mirovane Template Updater");
    QTest::qWait(300);
    EXPECT_EQ(WindowsOf(connection, program.processId()).size(), 1) << "no third box";

    SendCloseRequest(connection, windows[0].Id);
    ASSERT_TRUE(program.waitForFinished(20000)) << "closes when asked";
    EXPECT_EQ(program.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(QString::fromLocal8Bit(program.readAllStandardError()), "");
    EXPECT_EQ(QString::fromLocal8Bit(program.readAllStandardOutput()), "");

    EXPECT_TRUE(ReadAll(Path("a.bts")).contains("<jpegquality.Value>33</jpegquality.Value>"));
    const QByteArray written = ReadAll(Path("sparse.bts"));
    EXPECT_TRUE(written.contains("<jpegquality.Value>70</jpegquality.Value>"))
        << "from the product's settings, not from the file before: " << written.constData();

    // The same file alone through the command-line tool gives the same template.
    ASSERT_TRUE(QDir(FDir.path()).mkdir("alone"));
    WriteFile(Path("alone/sparse.xml"), sparse);
    QProcess tool;
    tool.setProcessEnvironment(environment);
    tool.start(MIROVANE_TOOL, { "convert", Path("alone/sparse.xml") });
    ASSERT_TRUE(tool.waitForFinished(20000));
    ASSERT_EQ(tool.exitCode(), 0) << tool.readAllStandardError().constData();
    EXPECT_EQ(ReadAll(Path("alone/sparse.bts")), written);
}
