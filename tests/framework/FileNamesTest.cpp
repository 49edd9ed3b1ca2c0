#include "framework/FileNames.h"

#include <gtest/gtest.h>

TEST(FileNames, ExtensionIsTakenFromTheFileNamePartOnly)
{
    struct Case {
        QString name, path, file, ext, changed;
    };
    const Case cases[] = {
        { "/t/job.xml", "/t/", "job.xml", ".xml", "/t/job.bts" },
        { "/x/old.template.xml", "/x/", "old.template.xml", ".xml", "/x/old.template.bts" },
        { "/x/noext", "/x/", "noext", "", "/x/noext.bts" },
        { "/dir.d/noext", "/dir.d/", "noext", "", "/dir.d/noext.bts" },
        { "/x/same.bts", "/x/", "same.bts", ".bts", "/x/same.bts" },
        { "plain", "", "plain", "", "plain.bts" },
        { "/x/trail.", "/x/", "trail.", ".", "/x/trail.bts" },
        { "a\\b.c", "", "a\\b.c", ".c", "a\\b.bts" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ExtractFilePath(c.name), c.path) << c.name.toStdString();
        EXPECT_EQ(ExtractFileName(c.name), c.file) << c.name.toStdString();
        EXPECT_EQ(ExtractFileExt(c.name), c.ext) << c.name.toStdString();
        EXPECT_EQ(ChangeFileExt(c.name, u".bts"), c.changed) << c.name.toStdString();
    }
}
