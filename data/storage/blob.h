// Blob content in pieces, blobs with a rollback copy, line-break conversion and ANSI/UTF-16 views, and
// the compressed variants the record store creates.
//
// A piece is a header followed by its bytes. Content grows by appending pieces, never by moving bytes;
// a piece with its header takes 64 KiB by default.
//
// Compressed content is one piece: bytes 0-15 the signature 39 8C 9D F1 58 55 49 38 A6 52 87 CE E0 C6
// DA 7E, bytes 16-19 the uncompressed size (32-bit little-endian), then the compressed stream. Content
// is compressed only when that is smaller than the uncompressed bytes, and never at 50 bytes or less.
#pragma once

#include "data/storage/encoding.h"
#include "data/storage/sharedobject.h"

#include "core/stream.h"

#include <cstdint>

namespace data {

enum TCompressBlobMode { cbNone, cbClient, cbServer, cbClientServer };

struct TPieceHeader {
    uintptr_t Blob;  // the owning data object's identity while linked, 0 otherwise
    uint32_t Size;   // capacity
    uint32_t Used;
    TPieceHeader* Prev;
    TPieceHeader* Next;
    uint16_t Test;
};
static_assert(sizeof(TPieceHeader) == 40, "x64 piece header");

class TCRBlobData : public TSharedObject {
public:
    static constexpr uint32_t kDefaultPieceSize = 65536 - uint32_t(sizeof(TPieceHeader));

    TCRBlobData() = default;
    ~TCRBlobData() override { FreeAll(); }

    virtual uint32_t GetSize() const { return GetDataSize(); }
    uint32_t GetDataSize() const;
    virtual void SetSize(uint32_t Value);
    virtual void Clear();
    virtual void Truncate(uint32_t NewSize);
    virtual uint32_t Read(uint32_t Position, uint32_t Count, void* Dest);
    virtual void Write(uint32_t Position, uint32_t Count, const void* Source);

    void Compress();
    void Defrag();
    // Dest takes over the pieces; this object keeps one piece with a copy of every byte.
    void CopyTo(TCRBlobData& Dest);

    // UTF-16 content seen as ANSI text: its size and the byte offset of an ANSI position. With a
    // multi-byte ANSI code page each unit is measured on its own; a position inside a double-byte
    // character or beyond the content raises Exception "Invalid BLOB position".
    int GetSizeAnsi();
    int TranslatePosition(int Position);

    static void AllocPiece(TPieceHeader*& Piece, uint32_t Size);
    void ReallocPiece(TPieceHeader*& Piece, uint32_t Size);
    void FreePiece(TPieceHeader* Piece);
    void AppendPiece(TPieceHeader* Piece);
    void DeletePiece(TPieceHeader* Piece);
    void CompressPiece(TPieceHeader*& Piece);
    static uint8_t* PieceData(TPieceHeader* Piece) { return reinterpret_cast<uint8_t*>(Piece) + sizeof(TPieceHeader); }

    TPieceHeader* FirstPiece() const { return FFirstPiece; }
    uint32_t PieceSize() const { return FPieceSize; }
    void SetPieceSize(uint32_t value) { FPieceSize = value; }
    int PieceCount() const;

protected:
    uintptr_t Identity() const { return reinterpret_cast<uintptr_t>(this); }
    void FreeAll();

    TPieceHeader* FFirstPiece = nullptr;
    uint32_t FPieceSize = kDefaultPieceSize;
};

class TCompressedBlobData : public TCRBlobData {
public:
    bool IsCompressed() const;
    uint32_t GetSize() const override;
    // Exception "Blob is not compressed" for plain content.
    uint32_t GetCompressedSize() const;
    uint32_t UnCompressedSize() const;
    // Whether anything was done: compressing (above 50 bytes, when it pays) or decompressing.
    bool SetCompressed(bool Value);

    void SetSize(uint32_t Value) override;
    void Truncate(uint32_t NewSize) override;
    uint32_t Read(uint32_t Position, uint32_t Count, void* Dest) override;
    void Write(uint32_t Position, uint32_t Count, const void* Source) override;

private:
    // Stores Count bytes of Source compressed in place of the content; false when it fails or does
    // not pay.
    bool CompressFrom(const void* Source, uint32_t Count);
    // Inflates the content into Dest (room Count) and returns the bytes produced. Exceptions: "Invalid
    // compressed blob size", "Invalid compressed blob header", "Invalid compressed blob data".
    uint32_t DecompressTo(void* Dest, uint32_t Count);
    void Decompress();
};

class TBlob : public TSharedObject {
public:
    explicit TBlob(bool IsUnicode = false);
    ~TBlob() override;

    uint32_t Read(uint32_t Position, uint32_t Count, void* Dest);
    void Write(uint32_t Position, uint32_t Count, const void* Source);
    void Clear();
    void Truncate(uint32_t NewSize);
    void Defrag() { FData->Defrag(); }
    void Compress() { FData->Compress(); }
    uint32_t Size() const { return FData->GetSize(); }
    void SetSize(uint32_t value) { FData->SetSize(value); }
    bool IsUnicode() const { return FIsUnicode; }
    // Exception "Cannot change IsUnicode if Size > 0".
    void SetIsUnicode(bool Value);
    int GetSizeAnsi();
    uint32_t PieceSize() const { return FData->PieceSize(); }
    void SetPieceSize(uint32_t value) { FData->SetPieceSize(value); }

    void EnableRollback() { FNeedRollback = true; }
    bool RollbackEnabled() const { return FNeedRollback; }
    // Exception "Blob must be in cached mode" without rollback.
    void SaveToRollback();
    void Commit();
    void Cancel();
    bool CanRollback() const { return FRollback != nullptr; }
    bool UseRollback() const { return FStoredData != nullptr; }
    void SetUseRollback(bool value);
    TCRBlobData* GetData() const { return FData; }
    // The data from before the pending changes, null without any.
    TCRBlobData* GetRollbackData() const { return FRollback; }
    void SetData(TCRBlobData* Value);

    void LoadFromStream(core::Stream& Stream);
    void SaveToStream(core::Stream& Stream);
    void LoadFromFile(const String& FileName);
    void SaveToFile(const String& FileName);
    void Assign(TBlob& Source);

    TBytes AsBytes();
    void SetAsBytes(const TBytes& value);
    AnsiString AsAnsiString();
    void SetAsAnsiString(const AnsiString& value);
    WideString AsWideString();
    void SetAsWideString(const WideString& value);
    String AsString() { return AsWideString(); }
    void SetAsString(const String& value) { SetAsWideString(value); }

    // Line breaks: lone LF (and a CR ending ANSI content) become CR LF; CR LF becomes LF.
    void AddCR();
    void RemoveCR();

protected:
    virtual TCRBlobData* CreateBlobData() { return new TCRBlobData; }
    virtual void BeforeRead() {}
    // Exception "Invalid BLOB" once destroyed.
    void CheckValid() const;
    void Init();

    TCRBlobData* FData = nullptr;

private:
    void RollbackRule();
    void ConvertLineBreaks(bool add);

    bool FIsUnicode;
    bool FNeedRollback = false;
    TCRBlobData* FRollback = nullptr;
    TCRBlobData* FStoredData = nullptr;
    uint8_t Test = 221;
};

class TCompressedBlob : public TBlob {
public:
    explicit TCompressedBlob(bool IsUnicode = false) : TBlob(IsUnicode) { Init(); }

    bool Compressed() const;
    void SetCompressed(bool value);
    uint32_t CompressedSize() const;

protected:
    TCRBlobData* CreateBlobData() override { return new TCompressedBlobData; }

private:
    TCompressedBlobData& Data() const { return static_cast<TCompressedBlobData&>(*FData); }
};

} // namespace data
