// TMemo: a multi-line text holder on a form. The updater keeps two invisible
// ones: the setting-path list and a scratch holder for a chosen file's text.
// The memo owns its Lines; assigning Lines copies the texts. Not
// thread-safe.
#pragma once

#include "framework/Component.h"
#include "framework/TStrings.h"

#include <memory>

class TMemo : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TStrings* Lines READ Lines WRITE SetLines)
    Q_PROPERTY(bool WordWrap READ WordWrap WRITE SetWordWrap)

public:
    explicit TMemo(TComponent* owner = nullptr);
    ~TMemo() override;

    TStrings* Lines() const { return FLines.get(); }
    void SetLines(TStrings* lines);
    bool WordWrap() const { return FWordWrap; }
    void SetWordWrap(bool wordWrap) { FWordWrap = wordWrap; }

private:
    std::unique_ptr<TStrings> FLines;
    bool FWordWrap = true;
};
