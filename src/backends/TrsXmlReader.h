// The parser of the XML storage file. It works in place on the bytes of a
// file held in memory: it appends zero bytes as an end mark (and takes them
// off again), swaps big-endian UTF-16 to little-endian in place, and builds
// only names and values as texts. What it finds inside the root element is
// handed to a sink, which builds the storage tree; the reader itself knows
// nothing of storages. Errors are TrsException with the parser's messages.
// The reader does not own its sink or the data; one reader serves one parse
// at a time and is not thread-safe.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <vector>

class TrsXmlReader {
public:
    // Receives the content of the root element as it is parsed.
    class TSink {
    public:
        virtual ~TSink() = default;
        // A key with its decoded value; BITS is the key option bit that
        // records its form: 1 attribute of a section, 2 value attribute,
        // 0 text form. The reader reuses the room of VALUE from key to key:
        // a sink that keeps it should copy one with room to spare.
        virtual void AddKey(const QString& name, const QString& value, quint16 bits) = 0;
        // A section element: makes the section (a new one when the name is
        // taken, unless merging) and descends into it. False when no
        // section of that name can exist; the reader then skips its
        // attributes and does not ascend at its end.
        virtual bool BeginSection(const QString& name) = 0;
        // Ascends from the section BeginSection entered.
        virtual void EndSection() = 0;
        // The root element ended: the top level becomes current.
        virtual void EndRoot() = 0;
        // BYTESPARSED bytes of the data, counted from its first byte.
        virtual void Progress(qint64 bytesParsed) = 0;
    };

    explicit TrsXmlReader(TSink& sink);

    // The name of the root element, matched ignoring letter case.
    void SetRootName(const QString& rootName) { FRootName = rootName; }

    // Parses DATA, a whole file. DATA keeps its size; its bytes are
    // byte-swapped in place when the file is big-endian UTF-16. With
    // WANTTEMPLATE, Template() gives the text around the root element.
    void Parse(QByteArray& data, bool wantTemplate);

    // Of the last parse: whether the data was UTF-16, and its template text
    // (the text before the root element, "%BODY%", the text after it); a
    // null text when no root element was found or none was asked for.
    bool IsUnicode() const { return FIsUnicode; }
    const QString& Template() const { return FTemplate; }

private:
    void MakeTemplate(
        const uchar* tmplStart, const uchar* tmplStop, const uchar* bodyStart, const uchar* bodyStop);

    TSink& FSink;
    // Attribute names and raw values of the start tag being parsed; kept
    // between tags so their storage is reused.
    QStringList FAttrNames;
    QStringList FAttrValues;
    // Texts of recent names, shared by their repeats; kept for the same
    // reason.
    std::vector<QString> FNames;
    // The value of the key element being parsed, kept for the same reason.
    QString FValue;
    QString FRootName = QStringLiteral("DOCUMENT");
    QString FTemplate;
    bool FIsUnicode = false;
};
