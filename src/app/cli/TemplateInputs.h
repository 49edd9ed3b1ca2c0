// The templates a convert run takes from its PATH arguments: a file stands
// for itself; a folder gives its files whose names end in ".xml" in any
// letter case (with subfolders when recursive), sorted by their path
// relative to the folder, by character code (capitals first, as in the C
// locale), so a run's order does not depend on the user's locale.
// Names beginning with "." are left out of a folder, as a shell's "*" leaves
// them out: they are the resource-fork files a Mac leaves beside each file
// on shared drives, not templates. A hidden file named as an argument is
// taken. Symbolic links to folders are not followed, so a link cannot make
// the walk go round in circles. A file reached twice (named twice, through
// a folder and by name, through a link and its target) is taken once, where
// it is first reached.
#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

struct TTemplateInput {
    QString path; // as reported: the argument, or the folder argument joined with RELATIVE
    QString relative; // the place under an output folder: the file name, or the path in the folder
    QString identity; // the file it is, as TFileIdentity gives it
};

// A path that could not be listed or named: an unreadable folder, or a
// name that is not valid UTF-8.
struct TListingError {
    QString path;
    QString message;
};

struct TTemplateListing {
    QList<TTemplateInput> inputs;
    QList<TListingError> errors; // the others are listed
};

// UNDECODABLE: the arguments of PATHS whose bytes were not valid UTF-8.
TTemplateListing ListTemplates(
    const QStringList& paths, bool recursive, const QSet<QString>& undecodable = {});
