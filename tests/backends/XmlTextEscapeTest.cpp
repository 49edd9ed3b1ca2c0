#include "backends/XmlText.h"

#include <QString>
#include <gtest/gtest.h>

namespace {

struct EscapeCase {
    bool EncodeTab;
    bool EncodeCRLF;
    char16_t Unit; // placed at every position of texts of every length
};

class XmlEscapeIntoTest : public testing::TestWithParam<EscapeCase> { };

// UNIT at AT and "<" at LESS (either may lie beyond the text) in plain text.
QString Text(qsizetype size, qsizetype at, char16_t unit, qsizetype less)
{
    QString text;
    for (qsizetype i = 0; i < size; ++i)
        text += QChar(i == at ? unit : i == less ? u'<' : char16_t(u'a' + i % 26));
    return text;
}

void CheckEscapers(const QString& text, const EscapeCase& c, quint8 mask)
{
    const qsizetype size = text.size();
    const qsizetype room = size * XmlEntityMax * 2 + XmlEscapeSlack;

    QByteArray wide(room + 8, '#');
    const qsizetype bytes = XmlEscapeWideInto(QStringView(text).utf16(), size, mask, wide.data());
    ASSERT_EQ(QString::fromUtf16(reinterpret_cast<const char16_t*>(wide.constData()), bytes / 2),
        XmlEscapeValue(text, c.EncodeTab, c.EncodeCRLF))
        << text.toStdString();
    ASSERT_EQ(wide.mid(room), QByteArray(8, '#'));

    QByteArray narrow(room + 8, '#');
    qsizetype written = 0;
    const qsizetype taken = XmlEscapeAsciiInto(QStringView(text).utf16(), size, mask, narrow.data(), written);
    const qsizetype ascii
        = c.Unit >= 0x80 && text.contains(QChar(c.Unit)) ? text.indexOf(QChar(c.Unit)) : size;
    ASSERT_EQ(taken, ascii) << text.toStdString();
    ASSERT_EQ(QString::fromLatin1(narrow.constData(), written),
        XmlEscapeValue(text.first(ascii), c.EncodeTab, c.EncodeCRLF))
        << text.toStdString();
    ASSERT_EQ(narrow.mid(size * XmlEntityMax + XmlEscapeSlack, 8), QByteArray(8, '#'));
}

} // namespace

// The writers' escapers give XmlEscapeValue's text, across the block
// steps they take and with several units to escape in one block, within the
// room they are given; the 8-bit one stops at the first unit beyond ASCII.
TEST_P(XmlEscapeIntoTest, GiveTheEscapedTextWithinTheirRoom)
{
    const EscapeCase c = GetParam();
    const quint8 mask = XmlEscapeMask(c.EncodeTab, c.EncodeCRLF);
    for (qsizetype size = 0; size <= 40; ++size) {
        for (qsizetype at = 0; at <= size; ++at) {
            for (qsizetype less = 0; less <= size; ++less)
                CheckEscapers(Text(size, at, c.Unit, less), c, mask);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(Units, XmlEscapeIntoTest,
    testing::Values(EscapeCase { false, false, u'&' }, EscapeCase { false, false, u'"' },
        EscapeCase { true, false, u'\t' }, EscapeCase { false, false, u'\t' },
        EscapeCase { false, true, u'\n' }, EscapeCase { true, true, u'\r' },
        EscapeCase { false, false, u'\0' }, EscapeCase { false, false, u'\u00e9' },
        EscapeCase { false, false, u'\u803c' }, EscapeCase { false, false, u'\u0126' }));
