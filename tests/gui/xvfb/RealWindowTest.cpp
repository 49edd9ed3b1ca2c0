// The window program on a real X server: started with a file argument,
// answered, and closed the way a window manager's close button closes it
// (a WM_DELETE_WINDOW message through the server); files dropped on it.
#include "app/gui/UpdateWindow.h"
#include "app/gui/UpdaterProgram.h"

#include "gui/DragAndDrop.h"
#include "gui/ModalBoxes.h"
#include "gui/TestApplication.h"
#include "support/SampleTemplates.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>
#include <QtGui/qguiapplication_platform.h>

#include <xcb/xcb.h>

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

// What a window manager sends when the user clicks the close button.
void ClickCloseButton(QWidget& window)
{
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    ASSERT_NE(x11, nullptr);
    xcb_connection_t* connection = x11->connection();
    xcb_client_message_event_t message {};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(window.winId());
    message.type = Atom(connection, "WM_PROTOCOLS");
    message.data.data32[0] = Atom(connection, "WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(
        connection, 0, message.window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    xcb_flush(connection);
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
        QTRY_COMPARE_WITH_TIMEOUT(boxes.Texts.size(), 1, 10000);
        EXPECT_EQ(boxes.Texts[0], "New Profile Template File Saved as old.bts");
        EXPECT_TRUE(program.Window().isVisible()) << "open for more after the box";

        ClickCloseButton(program.Window());
        QTRY_VERIFY_WITH_TIMEOUT(!program.Window().isVisible(), 10000);
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
    QTRY_COMPARE_WITH_TIMEOUT(boxes.Texts.size(), 1, 10000);
    QTest::qWait(200);
    ASSERT_EQ(boxes.Texts.size(), 1);
    EXPECT_EQ(
        boxes.Texts[0], "New Profile Template File Saved as a.bts\nNew Profile Template File Saved as b.bts");
    EXPECT_TRUE(QFile::exists(Path("a.bts")));
    EXPECT_TRUE(QFile::exists(Path("b.bts")));
}
