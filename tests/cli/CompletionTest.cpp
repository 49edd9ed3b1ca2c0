#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>

namespace {

const QString kBashCompletion = QStringLiteral("/usr/share/bash-completion/bash_completion");

// The words bash completion offers for the command line LINE (the last
// word is the one being completed).
QStringList Completions(const QString& line)
{
    const QString script = QStringLiteral(
        "source %1; source %2/src/app/cli/completion/mirovane-templates; "
        "COMP_LINE='%3'; COMP_WORDS=(%3); COMP_CWORD=$((${#COMP_WORDS[@]} - 1)); "
        "[[ $COMP_LINE == *' ' ]] && COMP_WORDS+=('') && COMP_CWORD=$((COMP_CWORD + 1)); "
        "COMP_POINT=${#COMP_LINE}; _mirovane_templates %4; printf '%s\\n' \"${COMPREPLY[@]}\"")
                               .arg(kBashCompletion, MIROVANE_SOURCE_DIR, line, MIROVANE_TOOL);
    QProcess bash;
    bash.start(QStringLiteral("bash"), { QStringLiteral("-c"), script });
    bash.waitForFinished();
    QStringList words = QString::fromUtf8(bash.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    words.sort();
    return words;
}

} // namespace

TEST(CompletionTest, CommandsAndEachCommandsOptionsComeFromTheToolItself)
{
    if (!QFile::exists(kBashCompletion))
        GTEST_SKIP() << "bash-completion is not installed";
    EXPECT_EQ(Completions("mirovane-templates "),
        QStringList({ "convert", "decrypt", "dump", "encrypt", "export", "show" }));
    EXPECT_EQ(Completions("mirovane-templates d"), QStringList({ "decrypt", "dump" }));
    EXPECT_EQ(Completions("mirovane-templates convert --k"), QStringList({ "--keep-existing" }));
    EXPECT_EQ(Completions("mirovane-templates show --"),
        QStringList({ "--help", "--json", "--no-product-settings", "--wine-prefix" }));
    // Long names only: they say what they do.
    EXPECT_EQ(Completions("mirovane-templates --wine-prefix /tmp convert -"),
        QStringList({ "--dry-run", "--help", "--keep-existing", "--no-product-settings", "--output-dir",
            "--quiet", "--recursive", "--wine-prefix" }));
}
