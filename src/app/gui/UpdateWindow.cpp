#include "app/gui/UpdateWindow.h"

#include "app/NamedTemplateConversion.h"
#include "app/Tupdateform.h"
#include "app/gui/FontChoice.h"
#include "framework/TApplication.h"

#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QStyleOptionButton>
#include <QTimer>
#include <QUrl>

namespace {
const char* const kPanelText = "This application will update the Mirovane Template Files prior to v3.39\n"
                               "\n"
                               "Select the Template File and it will update to the new format. ";
}

UpdateWindow::UpdateWindow(Tupdateform* form, QWidget* parent)
    : QWidget(parent,
        Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , FForm(form)
    , FStartUp(*form)
{
    setObjectName(QStringLiteral("updateform"));
    setWindowTitle(QStringLiteral("Mirovane Template Updater"));
    setFixedSize(form->ClientWidth(), form->ClientHeight());
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);
    setAcceptDrops(true);

    FPanel = new QLabel(QString::fromUtf8(kPanelText), this);
    FPanel->setObjectName(QStringLiteral("sPanel1"));
    FPanel->setGeometry(8, 16, 566, 65);
    FPanel->setAlignment(Qt::AlignCenter);
    FPanel->setFrameShape(QFrame::Panel);
    FPanel->setFrameShadow(QFrame::Raised);

    FButton = new QPushButton(QStringLiteral("Select Template File"), this);
    FButton->setObjectName(QStringLiteral("sBitBtn1"));
    FButton->setGeometry(160, 104, 241, 25);
    connect(
        FButton, &QPushButton::clicked, this, [this] { RunExclusively([this] { FForm->sBitBtn1Click(); }); });

    ChooseFonts();
}

QStringList UpdateWindow::PanelLines() const
{
    return FPanel->text().split(u'\n');
}

QSize UpdateWindow::PanelTextBox() const
{
    return FPanel->contentsRect().adjusted(FontChoice::kMargin, 0, -FontChoice::kMargin, 0).size();
}

QSize UpdateWindow::ButtonTextBox() const
{
    QStyleOptionButton option;
    option.initFrom(FButton);
    const QRect contents = FButton->style()->subElementRect(QStyle::SE_PushButtonContents, &option, FButton);
    return contents.adjusted(FontChoice::kMargin, 0, -FontChoice::kMargin, 0).size();
}

void UpdateWindow::ChooseFonts()
{
    const QStringList fallbacks = FontChoice::InstalledFallbacks();
    const QFont panelFont
        = FontChoice::Fitting(fallbacks, FForm->FontHeight(), false, false, PanelLines(), PanelTextBox());
    setFont(panelFont);
    FPanel->setFont(panelFont);
    FButton->setFont(FontChoice::Fitting(
        fallbacks, FForm->FontHeight(), true, false, { FButton->text() }, ButtonTextBox()));
}

void UpdateWindow::RunExclusively(const std::function<void()>& work)
{
    if (FBusy)
        return;
    // The boxes are modal, but a drop or a queued call could still arrive:
    // the flag and the disabled button keep to one conversion at a time.
    FBusy = true;
    FButton->setEnabled(false);
    Application().HandleExceptions(work);
    FButton->setEnabled(true);
    FBusy = false;
}

void UpdateWindow::ConvertFiles(const QStringList& fileNames)
{
    RunExclusively([&] {
        for (const QString& fileName : fileNames) {
            FStartUp.Restore();
            ConvertNamedTemplate(*FForm, fileName);
        }
    });
}

QStringList UpdateWindow::DroppedFiles(const QMimeData* mimeData)
{
    if (!mimeData || !mimeData->hasUrls())
        return {};
    QStringList fileNames;
    for (const QUrl& url : mimeData->urls()) {
        // A mixed drop is refused as a whole rather than half converted.
        if (!url.isLocalFile())
            return {};
        const QFileInfo file(url.toLocalFile());
        if (file.isDir())
            return {};
        fileNames << file.absoluteFilePath();
    }
    return fileNames;
}

bool UpdateWindow::Accepts(const QMimeData* mimeData) const
{
    return !FBusy && !DroppedFiles(mimeData).isEmpty();
}

void UpdateWindow::dragEnterEvent(QDragEnterEvent* event)
{
    if (Accepts(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void UpdateWindow::dragMoveEvent(QDragMoveEvent* event)
{
    if (Accepts(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void UpdateWindow::dropEvent(QDropEvent* event)
{
    if (!Accepts(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    const QStringList fileNames = DroppedFiles(event->mimeData());
    // The drop ends first, so the drag source is not kept waiting behind a
    // modal box; the conversion follows from the event loop.
    FBusy = true;
    FButton->setEnabled(false);
    QTimer::singleShot(0, this, [this, fileNames] {
        FBusy = false;
        RunExclusively([&] { ConvertTemplateBatch(*FForm, fileNames, FStartUp); });
    });
}

void UpdateWindow::closeEvent(QCloseEvent* event)
{
    bool canClose = true;
    Application().HandleExceptions([&] { canClose = FForm->Close(); });
    if (canClose)
        event->accept();
    else
        event->ignore();
}

void UpdateWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    CenterOnScreen();
    FForm->Show();
}

void UpdateWindow::CenterOnScreen()
{
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    QRect frame = frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    move(frame.topLeft());
    FForm->SetLeft(x());
    FForm->SetTop(y());
}
