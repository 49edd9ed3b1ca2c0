// TStrings: an ordered list of texts that a component owns, such as a
// choice item's choices or a memo's lines. It is a QObject so that it can be
// the value of a class-typed published property; the property saver reads
// and writes it as one text. The owner creates and destroys it; callers get
// a pointer and never free it. Not thread-safe.
#pragma once

#include <QObject>
#include <QString>
#include <QStringList>
#include <QStringView>

class TStrings : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString Text READ Text WRITE SetText)

public:
    explicit TStrings(QObject* parent = nullptr)
        : QObject(parent)
    {
    }
    explicit TStrings(const QStringList& lines)
        : FLines(lines)
    {
    }

    int Count() const { return int(FLines.size()); }
    // INDEX must lie in 0..Count()-1.
    const QString& Strings(int index) const { return FLines.at(index); }
    const QString& operator[](int index) const { return FLines.at(index); }
    void SetStrings(int index, const QString& text) { FLines[index] = text; }
    int Add(const QString& text);
    void Clear() { FLines.clear(); }
    // The first line equal to TEXT, letter case counting; -1 if none.
    int IndexOf(QStringView text) const { return int(FLines.indexOf(text)); }

    // Every line followed by CR LF; the empty list gives the empty text.
    QString Text() const;
    // Splits at CR LF, LF or CR; a final line break adds no empty line.
    void SetText(QStringView text);
    void Assign(const TStrings& source) { FLines = source.FLines; }
    void Assign(const QStringList& lines) { FLines = lines; }
    const QStringList& List() const { return FLines; }

private:
    QStringList FLines;
};
