// The templates a convert run takes from its PATH arguments: a file stands
// for itself; a folder gives its files whose names end in ".xml" in any
// letter case (with subfolders when recursive), sorted by their path
// relative to the folder, by character code (capitals first, as in the C
// locale), so a run's order does not depend on the user's locale.
// Symbolic links to folders are not followed, so a link cannot make the
// walk go round in circles.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

struct TTemplateInput {
    QString path; // as reported: the argument, or the folder argument joined with RELATIVE
    QString relative; // the place under an output folder: the file name, or the path in the folder
};

struct TFolderError {
    QString path;
    QString message;
};

struct TTemplateListing {
    QList<TTemplateInput> inputs;
    QList<TFolderError> errors; // folders that could not be read; the others are listed
};

TTemplateListing ListTemplates(const QStringList& paths, bool recursive);
