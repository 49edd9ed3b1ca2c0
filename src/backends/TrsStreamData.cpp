#include "backends/TrsStreamData.h"

#include "framework/AnsiCodePage.h"
#include "framework/Exception.h"
#include "framework/FileNames.h"
#include "framework/SafeFile.h"
#include "platform/SpecialFolders.h"
#include "storage/Lzrw.h"
#include "storage/TrsException.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtEndian>
#include <cstdarg>
#include <cstring>

namespace {

constexpr QChar PathDelimiter = u'/';

void AppendDelimiter(QString& path)
{
    if (!path.isEmpty() && !path.endsWith(PathDelimiter))
        path += PathDelimiter;
}

bool FileExists(const QString& name)
{
    const QFileInfo info(name);
    return info.exists() && !info.isDir();
}

void ResetBuffer(QBuffer& buffer)
{
    buffer.close();
    buffer.buffer().clear();
    buffer.open(QIODevice::ReadWrite);
}

// Empties the work buffer but keeps its memory: a load or save of a large
// file otherwise gets fresh pages from the system each time, and on a
// virtual machine their first touch costs more than the format's own work.
void EmptyKeepingRoom(QBuffer& buffer)
{
    buffer.close();
    buffer.buffer().resize(0);
    buffer.open(QIODevice::ReadWrite);
}

// Bytes kept free after a file's content, for a parser's end mark.
constexpr qsizetype ReadSlack = 16;

void ReplaceBuffer(QBuffer& buffer, const QByteArray& bytes)
{
    buffer.close();
    buffer.buffer() = bytes;
    buffer.open(QIODevice::ReadWrite);
}

[[noreturn]] void RaiseDamagedRecord()
{
    RaiseStorageError(ekGeneral, QStringLiteral("The internal file record is damaged."));
}

// Bytes of the internal-file record before its LZRW stream.
constexpr int RecordHeaderSize = 6;

} // namespace

TrsStreamData::TrsStreamData(TComponent* AOwner)
    : TrsStorageData(AOwner)
{
    FStream.open(QIODevice::ReadWrite);
    FInternalFile.open(QIODevice::ReadWrite);
}

TrsStreamData::~TrsStreamData() = default;

QString TrsStreamData::FolderPart() const
{
    switch (FFileDir) {
    case fdCustom:
        return ExtractFilePath(FFileName);
    case fdApplication:
        return ApplicationFolder();
    case fdWindows:
        return SystemConfigFolder();
    case fdUserProfile:
        return UserConfigFolder();
    }
    return QString();
}

QString TrsStreamData::FullFileName() const
{
    QString result = FolderPart();
    AppendDelimiter(result);
    // An absolute FileName contributes only its name unless FileDir is fdCustom.
    if (FFileDir != fdCustom && !FFileName.isEmpty() && !QDir::isAbsolutePath(FFileName)) {
        result += ExtractFilePath(FFileName);
        AppendDelimiter(result);
    }
    result += FOptions.Contains(doAutoName) ? ExtractFileName(ApplicationFileName())
                                            : ExtractFileName(FFileName);
    QString extension = ExtractFileExt(FFileName);
    if (extension.isEmpty())
        extension = FExtension;
    return ChangeFileExt(result, extension);
}

void TrsStreamData::SetInternalFileName(const QString& Value)
{
    if (Value == FInternalFileName)
        return;
    if (!FileExists(Value)) {
        ResetBuffer(FInternalFile);
        FInternalFileName.clear();
        return;
    }
    QFile file(Value);
    if (!file.open(QIODevice::ReadOnly))
        RaiseFileOpenError(Value, file.errorString());
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        RaiseFileOpenError(Value, file.errorString());
    ReplaceBuffer(FInternalFile, bytes);
    FInternalFileName = Value;
}

void TrsStreamData::ReadRealFile(const QString& Name)
{
    QFile file(Name);
    if (!file.open(QIODevice::ReadOnly))
        RaiseFileOpenError(Name, file.errorString());
    // Read into the kept work buffer, with room for the end mark the parser
    // appends; whatever lies beyond the size seen at the start (a file
    // growing meanwhile, or one reporting no size) is read on.
    FStream.close();
    QByteArray& bytes = FStream.buffer();
    const qint64 expected = file.size();
    bytes.resize(0);
    bytes.reserve(expected + ReadSlack);
    bytes.resize(expected);
    const qint64 got = expected > 0 ? file.read(bytes.data(), expected) : 0;
    bytes.resize(qMax<qint64>(got, 0));
    if (got >= 0)
        bytes += file.readAll();
    FStream.open(QIODevice::ReadWrite);
    if (got < 0 || file.error() != QFileDevice::NoError) {
        EmptyKeepingRoom(FStream);
        RaiseFileOpenError(Name, file.errorString());
    }
}

void TrsStreamData::DoLoadStorage()
{
    EmptyKeepingRoom(FStream);
    bool doStandard = !FOnLoadFromStream;
    if (FOnLoadFromStream)
        FOnLoadFromStream(this, FStream, doStandard);
    if (!FStream.isOpen())
        FStream.open(QIODevice::ReadWrite);
    QBuffer* source = &FStream;
    // The parser works in place; it gets a copy of the internal file so
    // that stays byte for byte as it was loaded.
    QBuffer internalCopy;
    if (doStandard) {
        const QString name = FullFileName();
        const bool exists = FileExists(name);
        if (FInternalFileLoad == iflAlways || (FInternalFileLoad == iflNoRealFile && !exists)) {
            internalCopy.setData(FInternalFile.data());
            internalCopy.open(QIODevice::ReadWrite);
            source = &internalCopy;
        } else if (exists) {
            ReadRealFile(name);
        }
    }
    source->seek(0);
    if (source->size() == 0)
        return;
    ReadFromStream(*source);
    if (doStandard && source == &FStream)
        EmptyKeepingRoom(FStream);
}

void TrsStreamData::WriteRealFile(const QString& Name)
{
    ReplaceFileSafely(Name, FStream.data());
}

void TrsStreamData::DoSaveStorage()
{
    EmptyKeepingRoom(FStream);
    WriteToStream(FStream);
    FStream.seek(0);
    bool doStandard = !FOnSaveToStream;
    if (FOnSaveToStream)
        FOnSaveToStream(this, FStream, doStandard);
    if (!doStandard)
        return;
    const QString name = FullFileName();
    if (FOptions.Contains(doAutoCreateDir))
        CreateFileDirs(ExtractFilePath(name));
    WriteRealFile(name);
}

// No length limit of its own: a path the system refuses fails in mkdir,
// which is ignored, and then in the write, which reports it.
void TrsStreamData::CreateFileDirs(const QString& Path)
{
    QDir dir;
    for (qsizetype i = 0; i <= Path.size(); ++i) {
        if (i < Path.size() && Path[i] != PathDelimiter)
            continue;
        const QString folder = Path.left(i);
        if (!folder.isEmpty() && !folder.endsWith(u':'))
            dir.mkdir(folder);
    }
}

void TrsStreamData::ReadFromStream(QBuffer& Stream)
{
    FCurStream = &Stream;
}

void TrsStreamData::WriteToStream(QIODevice& Stream)
{
    FCurStream = &Stream;
}

void TrsStreamData::WriteInternalFile(QIODevice& Stream)
{
    QBuffer packed;
    packed.open(QIODevice::WriteOnly);
    FInternalFile.seek(0);
    CompressStream(FInternalFile, packed);
    FInternalFile.seek(0);
    char header[RecordHeaderSize] = { 1, 1 };
    qToLittleEndian<qint32>(qint32(packed.size()), header + 2);
    if (Stream.write(header, RecordHeaderSize) != RecordHeaderSize
        || Stream.write(packed.data()) != packed.size())
        RaiseStorageError(
            ekGeneral, QStringLiteral("Can't write the internal file: %1.").arg(Stream.errorString()));
}

void TrsStreamData::ReadInternalFile(QIODevice& Stream)
{
    char header[RecordHeaderSize];
    if (Stream.read(header, RecordHeaderSize) != RecordHeaderSize)
        RaiseDamagedRecord();
    const qint32 length = qFromLittleEndian<qint32>(header + 2);
    if (length < 0 || (!Stream.isSequential() && length > Stream.bytesAvailable()))
        RaiseDamagedRecord();
    // Read in pieces: the length is checked against what arrives, never
    // trusted for one large allocation.
    QByteArray packed;
    while (packed.size() < length) {
        const QByteArray part = Stream.read(qMin<qint64>(length - packed.size(), 65536));
        if (part.isEmpty())
            RaiseDamagedRecord();
        packed += part;
    }
    QBuffer source(&packed);
    source.open(QIODevice::ReadOnly);
    QBuffer unpacked;
    unpacked.open(QIODevice::WriteOnly);
    DecompressStream(source, unpacked);
    ReplaceBuffer(FInternalFile, unpacked.data());
}

void TrsStreamData::WriteToCurStream(const char* Bytes, qsizetype Count)
{
    if (FCurStream->write(Bytes, Count) != Count)
        RaiseStorageError(
            ekGeneral, QStringLiteral("Can't write the storage stream: %1.").arg(FCurStream->errorString()));
}

void TrsStreamData::BufferFlush()
{
    if (BufferStart >= 2)
        WriteToCurStream(Buffer.data(), BufferStart - 1);
    BufferStart = 1;
}

void TrsStreamData::BufferWriteBytes(const char* Bytes, qsizetype Count)
{
    if (Count <= 0)
        return;
    if (Count + BufferStart >= qsizetype(Buffer.size()))
        BufferFlush();
    if (Count >= qsizetype(Buffer.size())) {
        WriteToCurStream(Bytes, Count);
        return;
    }
    Q_ASSERT(BufferStart - 1 + Count <= qsizetype(Buffer.size()));
    std::memcpy(Buffer.data() + BufferStart - 1, Bytes, size_t(Count));
    BufferStart += int(Count);
}

void TrsStreamData::BufferWriteChar(char16_t Unit)
{
    if (BufferStart > int(Buffer.size()) - 3)
        BufferFlush();
    Buffer[size_t(BufferStart - 1)] = char(Unit & 0xFF);
    Buffer[size_t(BufferStart)] = char(Unit >> 8);
    BufferStart += 2;
}

void TrsStreamData::BufferWriteChars(const char16_t* Units, qsizetype Count)
{
    if constexpr (Q_BYTE_ORDER == Q_LITTLE_ENDIAN) {
        BufferWriteBytes(reinterpret_cast<const char*>(Units), Count * 2);
    } else {
        QByteArray bytes(Count * 2, Qt::Uninitialized);
        qToLittleEndian<char16_t>(Units, Count, bytes.data());
        BufferWriteBytes(bytes.constData(), bytes.size());
    }
}

void TrsStreamData::BufferWriteWide(QStringView Text)
{
    BufferWriteChars(Text.utf16(), Text.size());
}

void TrsStreamData::BufferWriteFmt(int LengthEstimate, const char* Format, ...)
{
    va_list args;
    va_start(args, Format);
    const QByteArray text = AnsiEncode(QString::vasprintf(Format, args));
    va_end(args);
    const qsizetype size = qMax<qsizetype>(LengthEstimate, text.size());
    if (size + BufferStart >= qsizetype(Buffer.size()))
        BufferFlush();
    if (size >= qsizetype(Buffer.size()))
        WriteToCurStream(text.constData(), text.size());
    else
        BufferWriteBytes(text.constData(), text.size());
}

void TrsStreamData::BufferWriteLatin1(QStringView Text)
{
    const char16_t* units = Text.utf16();
    qsizetype left = Text.size();
    while (left > 0) {
        if (BufferStart >= int(Buffer.size()))
            BufferFlush();
        const qsizetype room = qsizetype(Buffer.size()) - (BufferStart - 1);
        const qsizetype count = qMin(left, room);
        char* out = Buffer.data() + BufferStart - 1;
        for (qsizetype i = 0; i < count; ++i)
            out[i] = char(units[i]);
        BufferStart += int(count);
        units += count;
        left -= count;
    }
}

qsizetype TrsStreamData::BufferWriteAsciiPrefix(QStringView Text)
{
    const char16_t* units = Text.utf16();
    const qsizetype size = Text.size();
    qsizetype done = 0;
    while (done < size) {
        if (BufferStart >= int(Buffer.size()))
            BufferFlush();
        const qsizetype room = qsizetype(Buffer.size()) - (BufferStart - 1);
        const qsizetype count = qMin(size - done, room);
        char* out = Buffer.data() + BufferStart - 1;
        const char16_t* in = units + done;
        // Sixteen units at a time while all of them are ASCII, which the
        // compiler turns into vector steps; the rest one by one.
        qsizetype i = 0;
        for (; i + 16 <= count; i += 16) {
            char16_t any = 0;
            for (int k = 0; k < 16; ++k)
                any |= in[i + k];
            if (any >= 0x80)
                break;
            for (int k = 0; k < 16; ++k)
                out[i + k] = char(in[i + k]);
        }
        for (; i < count && in[i] < 0x80; ++i)
            out[i] = char(in[i]);
        BufferStart += int(i);
        done += i;
        if (i < count)
            break;
    }
    return done;
}

void TrsStreamData::BufferWriteAnsi(QByteArrayView Text)
{
    BufferWriteBytes(Text.data(), Text.size());
}
