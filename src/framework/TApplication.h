// TApplication: the process-wide application object of the form model. It
// knows the main form, the open forms and data modules (for lookups of
// components by form name), and the user interface through which dialogs,
// messages and errors reach the user. Only the GUI thread may use it.
#pragma once

#include <QString>
#include <functional>
#include <vector>

class Exception;
class TComponent;
class TForm;
class TUserInterface;

class TApplication {
public:
    TForm* MainForm() const { return FMainForm; }
    // The first form registered becomes the main form.
    void RegisterForm(TForm* form);
    void UnregisterForm(TForm* form);
    void RegisterDataModule(TComponent* module);
    void UnregisterDataModule(TComponent* module);
    const std::vector<TForm*>& Forms() const { return FForms; }
    const std::vector<TComponent*>& DataModules() const { return FDataModules; }

    // The user interface in use; nullptr when none is installed, in which
    // case messages and errors go to standard error and dialogs cancel.
    TUserInterface* UserInterface() const { return FUserInterface; }
    void SetUserInterface(TUserInterface* ui) { FUserInterface = ui; }

    bool Minimized() const { return FMinimized; }
    void SetMinimized(bool minimized) { FMinimized = minimized; }

    void ShowMessage(const QString& text) const;
    // The standard display of an error that ended an event handler.
    void ShowException(const Exception& error) const;
    void ShowException(const QString& message) const;
    // Runs HANDLER; an exception it raises is shown and goes no further.
    void HandleExceptions(const std::function<void()>& handler) const;

private:
    TForm* FMainForm = nullptr;
    std::vector<TForm*> FForms;
    std::vector<TComponent*> FDataModules;
    TUserInterface* FUserInterface = nullptr;
    bool FMinimized = false;
};

// The one application object.
TApplication& Application();
