// TrsXMLData: the file-backed storage data that keeps a storage tree as the
// XML storage file, a small XML dialect. The root element (RootName) stands
// for the top level; sections are elements, keys are elements in a text or
// value-attribute form or attributes of their section's start tag, and the
// key option bits 0-2 record and choose that form. The file is UTF-16LE with
// a byte-order mark (Unicode) or 8-bit text in the system code page, wrapped
// in a template whose "%BODY%" line stands for the root element.
//
// Saving writes through the buffered writer of TrsStreamData and sets the
// process-wide hex encoder parameters for each buffer value, so saves of two
// objects must not run at the same time. Loading parses the file in place
// (TrsXmlReader) and adds what it finds to the current storage. The
// component owns its template; the storage it works on is borrowed. Not
// thread-safe.
#pragma once

#include "backends/TrsStreamData.h"
#include "backends/TrsXmlReader.h"
#include "framework/TStrings.h"
#include "storage/TrsEnumSet.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <span>
#include <vector>

struct TrsKeyItem;
class TrsKeyWrapper;
class TrsStorage;

enum TrsXMLDataOption {
    doKeyValueInAttribute = 0, // keys in the value-attribute form (not buffers)
    doGetTemplateOnLoad = 1, // a load replaces Template by the file's own
    doEncodeTab = 2, // TAB in string values as "&tab;"
    doEncodeCRLF = 3, // CR and LF in string values as "&cr;" and "&lf;"
    doPrefixInHexStr = 4, // buffers written with "0x"; only such texts read as buffers
};
using TrsXMLDataOptions = TrsEnumSet<TrsXMLDataOption>;

enum TrsXMLCompactOption {
    coHexStr = 0, // buffers as plain hex digits
    coIndent = 1, // no indentation
    coEOL = 2, // no line breaks between elements
};
using TrsXMLCompactOptions = TrsEnumSet<TrsXMLCompactOption>;

// The published forms of the two option sets: bit n for the option with
// ordinal n, under the options' own names.
namespace TrsXMLDataPublished {
Q_NAMESPACE

enum TrsXMLDataOptionBit {
    doKeyValueInAttribute = 0x1,
    doGetTemplateOnLoad = 0x2,
    doEncodeTab = 0x4,
    doEncodeCRLF = 0x8,
    doPrefixInHexStr = 0x10,
};
Q_DECLARE_FLAGS(TrsXMLDataOptionBits, TrsXMLDataOptionBit)
Q_FLAG_NS(TrsXMLDataOptionBits)

enum TrsXMLCompactOptionBit { coHexStr = 0x1, coIndent = 0x2, coEOL = 0x4 };
Q_DECLARE_FLAGS(TrsXMLCompactOptionBits, TrsXMLCompactOptionBit)
Q_FLAG_NS(TrsXMLCompactOptionBits)

} // namespace TrsXMLDataPublished

// Key option bits that record a key's form in the file.
enum : quint16 {
    kbAttribute = 1, // an attribute of its section's start tag
    kbValueAttribute = 2, // <name value="..."/>
    kbTextForm = 4, // <name>...</name> whatever else is set
};

class TrsXMLData : public TrsStreamData, private TrsXmlReader::TSink {
    Q_OBJECT
    Q_PROPERTY(TStrings* Template READ TemplateLines WRITE SetTemplateLines)
    Q_PROPERTY(TrsXMLDataPublished::TrsXMLDataOptionBits XMLOptions READ PublishedXMLOptions WRITE
            SetPublishedXMLOptions)
    Q_PROPERTY(TrsXMLDataPublished::TrsXMLCompactOptionBits CompactOptions READ PublishedCompactOptions WRITE
            SetPublishedCompactOptions)
    Q_PROPERTY(bool Unicode READ Unicode WRITE SetUnicode)

public:
    explicit TrsXMLData(TComponent* AOwner = nullptr);
    ~TrsXMLData() override;

    // "<?xml version="1.0" ?>", the generator comment and "%BODY%".
    static QStringList DefaultTemplate();

    const QStringList& Template() const { return FTemplate.List(); }
    void SetTemplate(const QStringList& Value) { FTemplate.Assign(Value); }
    // The template as the list object the published property hands out;
    // assigning copies the lines.
    TStrings* TemplateLines() { return &FTemplate; }
    void SetTemplateLines(TStrings* Value);
    // The template's lines, each followed by CR LF.
    QString TemplateText() const;
    void SetTemplateText(QStringView Value);

    QString RootName() const { return FRootName; }
    void SetRootName(const QString& Value) { FRootName = Value; }
    TrsXMLDataOptions XMLOptions() const { return FXMLDataOptions; }
    void SetXMLOptions(TrsXMLDataOptions Value) { FXMLDataOptions = Value; }
    TrsXMLCompactOptions CompactOptions() const { return FCompactOptions; }
    void SetCompactOptions(TrsXMLCompactOptions Value) { FCompactOptions = Value; }
    TrsXMLDataPublished::TrsXMLDataOptionBits PublishedXMLOptions() const
    {
        return TrsXMLDataPublished::TrsXMLDataOptionBits::fromInt(int(FXMLDataOptions.Bits()));
    }
    void SetPublishedXMLOptions(TrsXMLDataPublished::TrsXMLDataOptionBits Value)
    {
        FXMLDataOptions = TrsXMLDataOptions::FromBits(quint32(Value.toInt()));
    }
    TrsXMLDataPublished::TrsXMLCompactOptionBits PublishedCompactOptions() const
    {
        return TrsXMLDataPublished::TrsXMLCompactOptionBits::fromInt(int(FCompactOptions.Bits()));
    }
    void SetPublishedCompactOptions(TrsXMLDataPublished::TrsXMLCompactOptionBits Value)
    {
        FCompactOptions = TrsXMLCompactOptions::FromBits(quint32(Value.toInt()));
    }
    bool Unicode() const { return FUnicode; }
    void SetUnicode(bool Value) { FUnicode = Value; }

    // Of the last load or save: whether its text was UTF-16.
    bool IsUnicode() const { return FIsUnicode; }

protected:
    void ReadFromStream(QBuffer& Stream) override;
    // Raises TrsException naming a section or key whose name could not be
    // read back ("Can't save key name "a b": names may not contain blanks.").
    void WriteToStream(QIODevice& Stream) override;

private:
    // Writer.
    struct TAttributeRule {
        bool Any; // some key of the section is an attribute
        bool LoneValue; // its one attribute key must be an element when named "value"
        bool Holds(const TrsKeyItem& Item) const;
    };
    static TAttributeRule AttributeRule(std::span<const TrsKeyItem> Keys, bool IsRoot);
    void WriteSection(TrsStorage& Storage, bool IsRoot);
    // Writes the child sections worth writing; BEFOREFIRST runs before each.
    void WriteChildSections(TrsStorage& Storage, const std::function<void()>& BeforeFirst);
    void WriteKeyElement(TrsKeyWrapper& Wrapper, const TrsKeyItem& Item);
    template <bool Wide> bool PutStartTag(const QString& Name, bool ValueAttribute);
    template <bool Wide> void PutEndTag(const QString& Name, bool ValueAttribute);
    void WriteIndent(int Count);
    // INDENT blanks, BEFORE, NAME, AFTER and with EOL the line break.
    void WriteTag(int Indent, QLatin1StringView Before, const QString& Name, bool NameAscii,
        QLatin1StringView After, bool Eol);
    QString ValueText(TrsKeyWrapper& Wrapper, const TrsKeyItem& Item, bool AsAttribute);
    QString StringValueText(const QString& Value) const;
    void WriteValue(TrsKeyWrapper& Wrapper, const TrsKeyItem& Item, bool AsAttribute);
    void SetHexParameters(const TrsKeyItem& Item, bool AsAttribute) const;
    void WriteBufferValue(const TrsKeyItem& Item, bool AsAttribute);
    void WriteStringValue(const QString& Value);
    void WriteAscii(QLatin1StringView Text);
    // Raises the error for a name that cannot be read back; returns whether
    // the name is ASCII.
    bool CheckName(const QString& Name, const char* What) const;
    void WriteText(QStringView Text);
    void KeyWritten();

    // Reader sink.
    void AddKey(const QString& name, const QString& value, quint16 bits) override;
    bool BeginSection(const QString& name) override;
    void EndSection() override;
    void EndRoot() override;
    void Progress(qint64 bytesParsed) override;
    void TypeValue(TrsKeyWrapper& Wrapper, const QString& Value) const;

    int FCurrentIndention = 0;
    QString FCurrentSectionName;
    TStrings FTemplate;
    QString FRootName;
    TrsXMLDataOptions FXMLDataOptions;
    TrsXMLCompactOptions FCompactOptions;
    QString FEOL;
    QLatin1StringView FEOLAscii;
    QByteArray FEOLAnsi; // the line break of wrapped hex text
    // Whether the hex encoder's line break is FEOLAnsi, set by this save.
    bool FHexBreakLeft = false;
    QByteArray FHexText; // hex text on its way into a UTF-16 file, kept
    // ASCII goes into the file unit for unit: always in UTF-16, in 8-bit
    // files when the code page keeps ASCII.
    bool FAsciiKept = false;
    int FIndentionDelta = 2;
    bool FIsUnicode = false;
    // Levels each open section element descended (a name holding a path
    // separator descends more than one).
    std::vector<int> FDescents;
};
