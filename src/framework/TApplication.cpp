#include "framework/TApplication.h"

#include "framework/Exception.h"
#include "framework/TUserInterface.h"

#include <QTextStream>
#include <algorithm>

TApplication& Application()
{
    static TApplication application;
    return application;
}

void TApplication::RegisterForm(TForm* form)
{
    FForms.push_back(form);
    if (!FMainForm)
        FMainForm = form;
}

void TApplication::UnregisterForm(TForm* form)
{
    std::erase(FForms, form);
    if (FMainForm == form)
        FMainForm = nullptr;
}

void TApplication::RegisterDataModule(TComponent* module)
{
    FDataModules.push_back(module);
}

void TApplication::UnregisterDataModule(TComponent* module)
{
    std::erase(FDataModules, module);
}

void TApplication::ShowMessage(const QString& text) const
{
    if (FUserInterface)
        FUserInterface->ShowMessage(text);
    else
        QTextStream(stdout) << text << Qt::endl;
}

void TApplication::ShowException(const Exception& error) const
{
    ShowException(error.Message());
}

void TApplication::ShowException(const QString& message) const
{
    if (FUserInterface)
        FUserInterface->ShowError(message);
    else
        QTextStream(stderr) << message << Qt::endl;
}

void TApplication::HandleExceptions(const std::function<void()>& handler) const
{
    try {
        handler();
    } catch (const Exception& error) {
        ShowException(error);
    } catch (const std::exception& error) {
        ShowException(QString::fromLocal8Bit(error.what()));
    }
}
