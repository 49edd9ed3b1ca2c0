#include "app/gui/UpdateWindow.h"

#include "app/Tupdateform.h"
#include "framework/TApplication.h"

#include <QCloseEvent>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>

namespace {
const char* const kPanelText = "This application will update the Mirovane Template Files prior to v3.39\n"
                               "\n"
                               "Select the Template File and it will update to the new format. ";
}

UpdateWindow::UpdateWindow(Tupdateform* form, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
    , FForm(form)
{
    setObjectName(QStringLiteral("updateform"));
    setWindowTitle(QStringLiteral("Mirovane Template Updater"));
    setFixedSize(form->ClientWidth(), form->ClientHeight());
    setFont(FormFont(form->FontHeight()));
    setBackgroundRole(QPalette::Button);
    setAutoFillBackground(true);

    FPanel = new QLabel(QString::fromUtf8(kPanelText), this);
    FPanel->setObjectName(QStringLiteral("sPanel1"));
    FPanel->setGeometry(8, 16, 566, 65);
    FPanel->setAlignment(Qt::AlignCenter);
    FPanel->setFrameShape(QFrame::Panel);
    FPanel->setFrameShadow(QFrame::Raised);
    FPanel->setFont(FormFont(16));

    FButton = new QPushButton(QStringLiteral("Select Template File"), this);
    FButton->setObjectName(QStringLiteral("sBitBtn1"));
    FButton->setGeometry(160, 104, 241, 25);
    FButton->setFont(FormFont(16, true));
    connect(FButton, &QPushButton::clicked, this, &UpdateWindow::RunConversion);
}

QFont UpdateWindow::FormFont(int pixelSize, bool bold, bool italic)
{
    QFont font;
    if (QFontDatabase::families().contains(QStringLiteral("Candara"))) {
        font.setFamily(QStringLiteral("Candara"));
    } else {
        font.setFamilies({ QStringLiteral("Carlito"), QStringLiteral("Open Sans"), QStringLiteral("DejaVu Sans") });
        font.setStyleHint(QFont::SansSerif);
    }
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setItalic(italic);
    return font;
}

void UpdateWindow::RunConversion()
{
    // The dialogs are modal; the button stays off so no second click can
    // start another conversion meanwhile.
    FButton->setEnabled(false);
    Application().HandleExceptions([this] { FForm->sBitBtn1Click(); });
    FButton->setEnabled(true);
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
