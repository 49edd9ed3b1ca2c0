// TrsStreamData: the base of storage backends that keep a whole storage
// tree as one byte stream, normally one file. It decides which file is meant
// (FileName, FileDir, Options), reads that file into a memory buffer before
// a load and writes the buffer out after a save, can use an internal copy of
// a file instead of the real one (InternalFile), lets application code take
// over reading or writing through OnLoadFromStream and OnSaveToStream, and
// offers descendants a buffered writer. The format lives in the descendant's
// ReadFromStream and WriteToStream.
//
// The component owns its work buffer and its internal file; the stream a
// running ReadFromStream or WriteToStream works on (FCurStream) is borrowed.
// The work buffer keeps its memory from one load or save to the next, so a
// component holds on to room for the largest file it has handled.
// A save replaces its file atomically, so a failed save leaves the previous
// file whole. Not thread-safe.
#pragma once

#include "framework/Events.h"
#include "storage/TrsEnumSet.h"
#include "storage/TrsStorageData.h"

#include <QBuffer>
#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QStringView>
#include <array>
#include <functional>

enum TrsStreamDataOption { doAutoName = 0, doAutoCreateDir = 1 };
using TrsStreamDataOptions = TrsEnumSet<TrsStreamDataOption>;

// The published form of TrsStreamDataOptions: bit n for the option with
// ordinal n, under the options' own names.
namespace TrsStreamDataPublished {
Q_NAMESPACE

enum TrsStreamDataOptionBit { doAutoName = 0x1, doAutoCreateDir = 0x2 };
Q_DECLARE_FLAGS(TrsStreamDataOptionBits, TrsStreamDataOptionBit)
Q_FLAG_NS(TrsStreamDataOptionBits)

} // namespace TrsStreamDataPublished

// In a Q_NAMESPACE so that FileDir and InternalFileLoad are published with
// their value names.
namespace TrsStreamDataTypes {
Q_NAMESPACE

// Where FullFileName places the file: the folder part of FileName, the
// running program's folder, the system configuration folder (/etc), or the
// per-user configuration folder.
enum TrsStreamFileDir { fdCustom = 0, fdApplication = 1, fdWindows = 2, fdUserProfile = 3 };
Q_ENUM_NS(TrsStreamFileDir)

// When a load reads InternalFile instead of the real file: never, always,
// or only when the real file does not exist.
enum TrsInternalFileLoad { iflNone = 0, iflAlways = 1, iflNoRealFile = 2 };
Q_ENUM_NS(TrsInternalFileLoad)

} // namespace TrsStreamDataTypes

using TrsStreamDataTypes::TrsInternalFileLoad;
using TrsStreamDataTypes::TrsStreamFileDir;
using enum TrsStreamDataTypes::TrsInternalFileLoad;
using enum TrsStreamDataTypes::TrsStreamFileDir;

// (Sender, Stream, DoStandard): a handler may fill or take the work buffer;
// DoStandard enters false and, left false, skips the file.
using TrsStreamEvent = std::function<void(TObject* Sender, QBuffer& Stream, bool& DoStandard)>;

class TrsStreamData : public TrsStorageData {
    Q_OBJECT
    Q_PROPERTY(QString FileName READ FileName WRITE SetFileName)
    Q_PROPERTY(TrsStreamDataTypes::TrsStreamFileDir FileDir READ FileDir WRITE SetFileDir)
    Q_PROPERTY(QString InternalFileName READ InternalFileName WRITE SetInternalFileName)
    Q_PROPERTY(TrsStreamDataTypes::TrsInternalFileLoad InternalFileLoad READ InternalFileLoad WRITE
            SetInternalFileLoad)
    Q_PROPERTY(TrsStreamDataPublished::TrsStreamDataOptionBits Options READ PublishedOptions WRITE
            SetPublishedOptions)

public:
    explicit TrsStreamData(TComponent* AOwner = nullptr);
    ~TrsStreamData() override;

    TrsStreamFileDir FileDir() const { return FFileDir; }
    void SetFileDir(TrsStreamFileDir Value) { FFileDir = Value; }
    QString FileName() const { return FFileName; }
    void SetFileName(const QString& Value) { FFileName = Value; }
    TrsStreamDataOptions Options() const { return FOptions; }
    void SetOptions(TrsStreamDataOptions Value) { FOptions = Value; }
    TrsStreamDataPublished::TrsStreamDataOptionBits PublishedOptions() const
    {
        return TrsStreamDataPublished::TrsStreamDataOptionBits::fromInt(int(FOptions.Bits()));
    }
    void SetPublishedOptions(TrsStreamDataPublished::TrsStreamDataOptionBits Value)
    {
        FOptions = TrsStreamDataOptions::FromBits(quint32(Value.toInt()));
    }
    // The path of the file a load reads and a save writes.
    QString FullFileName() const;

    // The internal copy of a storage file. Filled by SetInternalFileName or
    // ReadInternalFile; never written by a save.
    QBuffer& InternalFile() { return FInternalFile; }
    QString InternalFileName() const { return FInternalFileName; }
    // Loads the named file into InternalFile; a name of no existing file
    // empties InternalFile and InternalFileName. Raises the file-open error
    // when the file exists but cannot be read.
    void SetInternalFileName(const QString& Value);
    TrsInternalFileLoad InternalFileLoad() const { return FInternalFileLoad; }
    void SetInternalFileLoad(TrsInternalFileLoad Value) { FInternalFileLoad = Value; }

    TrsStreamEvent OnLoadFromStream() const { return FOnLoadFromStream; }
    void SetOnLoadFromStream(TrsStreamEvent Value) { FOnLoadFromStream = std::move(Value); }
    TrsStreamEvent OnSaveToStream() const { return FOnSaveToStream; }
    void SetOnSaveToStream(TrsStreamEvent Value) { FOnSaveToStream = std::move(Value); }

    // The internal-file record carried in a form stream: two bytes 1, the
    // little-endian 32-bit length N, then N bytes of LZRW stream.
    void WriteInternalFile(QIODevice& Stream);
    // Reads that record into InternalFile (position 0). A record that is cut
    // short or damaged raises TrsException and leaves InternalFile as it was.
    void ReadInternalFile(QIODevice& Stream);

    // Creates every missing folder along PATH, ignoring failures: the write
    // that follows reports its own error.
    static void CreateFileDirs(const QString& Path);

protected:
    void DoLoadStorage() override;
    void DoSaveStorage() override;

    // The format: descendants call these first (they record the stream in
    // FCurStream), then read or write.
    virtual void ReadFromStream(QBuffer& Stream);
    virtual void WriteToStream(QIODevice& Stream);

    // Buffered writer over FCurStream; all multi-byte units little-endian.
    void BufferReset() { BufferStart = 1; }
    void BufferFlush();
    void BufferWriteChar(char16_t Unit);
    void BufferWriteChars(const char16_t* Units, qsizetype Count);
    void BufferWriteWide(QStringView Text);
    // Appends the printf-style text in the system's 8-bit code page. The
    // estimate only hints the size: the text's real length decides how it
    // is written, so a low estimate cannot overflow the buffer.
    void BufferWriteFmt(int LengthEstimate, const char* Format, ...) __attribute__((format(printf, 3, 4)));
    void BufferWriteAnsi(QByteArrayView Text);
    // Appends text known to be Latin-1, one byte per character, without a
    // conversion step.
    void BufferWriteLatin1(QStringView Text);
    // Appends the units of TEXT up to the first one beyond ASCII, one byte
    // each, and returns how many it took; the caller encodes the rest.
    qsizetype BufferWriteAsciiPrefix(QStringView Text);
    // Room for COUNT more bytes in one piece (at most BufferRoomLimit),
    // flushing first when the buffer lacks it: the caller writes up to
    // COUNT bytes at the pointer and then commits how many it wrote.
    static constexpr qsizetype BufferRoomLimit = 2048;
    char* BufferRoom(qsizetype Count)
    {
        if (BufferStart - 1 + Count > qsizetype(Buffer.size()))
            BufferFlush();
        return Buffer.data() + BufferStart - 1;
    }
    void BufferCommit(qsizetype Count) { BufferStart += int(Count); }

    QString FExtension; // default extension with its dot
    bool FUnicode = false; // the descendant writes 16-bit text
    QIODevice* FCurStream = nullptr;

private:
    void BufferWriteBytes(const char* Bytes, qsizetype Count);
    void WriteToCurStream(const char* Bytes, qsizetype Count);
    QString FolderPart() const;
    void ReadRealFile(const QString& Name);
    void WriteRealFile(const QString& Name);

    QBuffer FInternalFile;
    QString FFileName;
    TrsStreamDataOptions FOptions { doAutoName };
    TrsStreamEvent FOnLoadFromStream;
    TrsStreamEvent FOnSaveToStream;
    QBuffer FStream; // the whole file during a load or save
    TrsStreamFileDir FFileDir = fdApplication;
    QString FInternalFileName;
    TrsInternalFileLoad FInternalFileLoad = iflNone;
    std::array<char, 4096> Buffer {};
    int BufferStart = 1; // 1-based position of the next free byte
};
