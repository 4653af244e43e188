// Blob pieces, blobs and compressed content.
#include "data/storage/blob.h"

#include "data/storage/memutils.h"

#include "core/codepage.h"
#include "core/exception.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace data {

namespace {

constexpr uint8_t kSignature[16] = {0x39, 0x8C, 0x9D, 0xF1, 0x58, 0x55, 0x49, 0x38,
                                    0xA6, 0x52, 0x87, 0xCE, 0xE0, 0xC6, 0xDA, 0x7E};
constexpr uint32_t kCompressedHeader = 20;
constexpr uint32_t kCompressThreshold = 50;
// Deflate never expands data by more than this factor: a larger stored size is no stream of ours.
constexpr uint64_t kMaxInflation = 1032;

[[noreturn]] void Fail(const char16_t* message)
{
    core::AssertFailed(message, __FILE__, __LINE__);
}

bool IsMultiByteCodePage()
{
    const unsigned codePage = core::SystemAnsiCodePage();
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

} // namespace

// ---- TCRBlobData: pieces ------------------------------------------------------------------------

void TCRBlobData::AllocPiece(TPieceHeader*& Piece, uint32_t Size)
{
    if (Size == 0)
        Fail(u"Assertion failure");
    Piece = static_cast<TPieceHeader*>(Marshal::AllocHGlobal(sizeof(TPieceHeader) + Size));
    Piece->Blob = 0;
    Piece->Size = Size;
    Piece->Used = 0;
    Piece->Prev = Piece->Next = nullptr;
    Piece->Test = 0;
}

void TCRBlobData::ReallocPiece(TPieceHeader*& Piece, uint32_t Size)
{
    if (Size == 0) {
        FreePiece(Piece);
        Piece = nullptr;
        return;
    }
    if (Size == Piece->Size)
        return;
    auto* moved = static_cast<TPieceHeader*>(Marshal::ReallocHGlobal(Piece, sizeof(TPieceHeader) + Size));
    moved->Size = Size;
    moved->Used = std::min(moved->Used, Size);
    if (moved->Blob) {
        if (moved->Prev)
            moved->Prev->Next = moved;
        else
            FFirstPiece = moved;
        if (moved->Next)
            moved->Next->Prev = moved;
    }
    Piece = moved;
}

void TCRBlobData::FreePiece(TPieceHeader* Piece)
{
    if (Piece->Blob)
        DeletePiece(Piece);
    Marshal::FreeHGlobal(Piece);
}

void TCRBlobData::AppendPiece(TPieceHeader* Piece)
{
    Piece->Blob = Identity();
    Piece->Next = nullptr;
    if (!FFirstPiece) {
        Piece->Prev = nullptr;
        FFirstPiece = Piece;
        return;
    }
    TPieceHeader* last = FFirstPiece;
    while (last->Next)
        last = last->Next;
    last->Next = Piece;
    Piece->Prev = last;
}

void TCRBlobData::DeletePiece(TPieceHeader* Piece)
{
    if (Piece->Blob != Identity())
        Fail(u"Assertion failure");
    if (Piece->Prev)
        Piece->Prev->Next = Piece->Next;
    else
        FFirstPiece = Piece->Next;
    if (Piece->Next)
        Piece->Next->Prev = Piece->Prev;
    Piece->Prev = Piece->Next = nullptr;
    Piece->Blob = 0;
}

void TCRBlobData::CompressPiece(TPieceHeader*& Piece)
{
    if (Piece->Used < Piece->Size)
        ReallocPiece(Piece, Piece->Used);
}

int TCRBlobData::PieceCount() const
{
    int n = 0;
    for (TPieceHeader* p = FFirstPiece; p; p = p->Next)
        ++n;
    return n;
}

void TCRBlobData::FreeAll()
{
    while (FFirstPiece)
        FreePiece(FFirstPiece);
}

// ---- TCRBlobData: content -----------------------------------------------------------------------

uint32_t TCRBlobData::GetDataSize() const
{
    uint32_t size = 0;
    for (TPieceHeader* p = FFirstPiece; p; p = p->Next)
        size += p->Used;
    return size;
}

uint32_t TCRBlobData::Read(uint32_t Position, uint32_t Count, void* Dest)
{
    const uint32_t size = GetDataSize();
    if (!FFirstPiece || Position > size)
        return 0;
    uint32_t want = Count == 0 ? size - Position : std::min(Count, size - Position);
    auto* out = static_cast<uint8_t*>(Dest);
    uint32_t done = 0, start = 0;
    for (TPieceHeader* p = FFirstPiece; p && done < want; p = p->Next) {
        const uint32_t end = start + p->Used;
        if (Position + done < end) {
            const uint32_t from = Position + done - start;
            const uint32_t n = std::min(want - done, p->Used - from);
            std::memcpy(out + done, PieceData(p) + from, n);
            done += n;
        }
        start = end;
    }
    return done;
}

void TCRBlobData::Write(uint32_t Position, uint32_t Count, const void* Source)
{
    if (Count == 0)
        return;
    const uint32_t size = GetDataSize();
    uint32_t pos = std::min(Position, size);
    const auto* in = static_cast<const uint8_t*>(Source);
    uint32_t done = 0, start = 0, content_end = size;
    for (TPieceHeader* p = FFirstPiece; p && done < Count; p = p->Next) {
        const uint32_t end = start + p->Used;
        if (pos >= start && pos < end) {
            // Overwrites bytes in use.
            const uint32_t from = pos - start;
            const uint32_t n = std::min(Count - done, p->Used - from);
            std::memcpy(PieceData(p) + from, in + done, n);
            done += n;
            pos += n;
        }
        if (done < Count && pos == end && end == content_end && p->Used < p->Size) {
            // The end of the content: the rest of this piece's capacity takes more.
            const uint32_t n = std::min(Count - done, p->Size - p->Used);
            std::memcpy(PieceData(p) + p->Used, in + done, n);
            p->Used += n;
            done += n;
            pos += n;
            content_end += n;
        }
        start += p->Used;
    }
    while (done < Count) {
        TPieceHeader* piece = nullptr;
        const uint32_t n = std::min(FPieceSize, Count - done);
        AllocPiece(piece, n);
        std::memcpy(PieceData(piece), in + done, n);
        piece->Used = n;
        AppendPiece(piece);
        done += n;
    }
}

void TCRBlobData::SetSize(uint32_t Value)
{
    const uint32_t size = GetSize();
    if (Value < size) {
        Truncate(Value);
    } else if (Value > size) {
        TPieceHeader* piece = nullptr;
        AllocPiece(piece, Value - size);
        std::memset(PieceData(piece), 0, Value - size);
        piece->Used = Value - size;
        AppendPiece(piece);
    }
}

void TCRBlobData::Clear()
{
    FreeAll();
}

void TCRBlobData::Truncate(uint32_t NewSize)
{
    if (NewSize == 0) {
        Clear();
        return;
    }
    uint32_t start = 0;
    bool cut = false;
    for (TPieceHeader* p = FFirstPiece; p; p = p->Next) {
        const uint32_t used = p->Used;
        if (cut) {
            p->Used = 0;
        } else if (NewSize <= start + used) {
            p->Used = NewSize - start;
            cut = true;
        }
        start += used;
    }
}

void TCRBlobData::Compress()
{
    for (TPieceHeader* p = FFirstPiece; p;) {
        TPieceHeader* next = p->Next;
        CompressPiece(p);
        p = next;
    }
}

void TCRBlobData::Defrag()
{
    if (!FFirstPiece || !FFirstPiece->Next)
        return;
    const uint32_t size = GetDataSize();
    if (size == 0) {
        Clear();
        return;
    }
    TPieceHeader* whole = nullptr;
    AllocPiece(whole, size);
    // The stored bytes as they are: compressed content stays compressed.
    TCRBlobData::Read(0, 0, PieceData(whole));
    whole->Used = size;
    Clear();
    AppendPiece(whole);
}

void TCRBlobData::CopyTo(TCRBlobData& Dest)
{
    Dest.Clear();
    const uint32_t size = GetDataSize();
    if (size == 0)
        return;
    TPieceHeader* copy = nullptr;
    AllocPiece(copy, size);
    TCRBlobData::Read(0, 0, PieceData(copy));
    copy->Used = size;
    // The existing pieces go over to Dest as they are.
    Dest.FFirstPiece = FFirstPiece;
    for (TPieceHeader* p = FFirstPiece; p; p = p->Next)
        p->Blob = Dest.Identity();
    FFirstPiece = nullptr;
    AppendPiece(copy);
}

int TCRBlobData::GetSizeAnsi()
{
    const uint32_t size = GetSize();
    if (!IsMultiByteCodePage())
        return int(size / 2);
    std::vector<core::Char> units(size / 2);
    Read(0, uint32_t(units.size() * 2), units.data());
    int total = 0;
    for (core::Char unit : units)
        total += int(core::ToAnsi(core::StringView(&unit, 1)).size());
    return total;
}

int TCRBlobData::TranslatePosition(int Position)
{
    if (!IsMultiByteCodePage())
        return Position * 2;
    if (Position == 0)
        return 0;
    std::vector<core::Char> units(GetSize() / 2);
    Read(0, uint32_t(units.size() * 2), units.data());
    int total = 0;
    for (size_t i = 0; i < units.size(); ++i) {
        total += int(core::ToAnsi(core::StringView(&units[i], 1)).size());
        if (total == Position)
            return int(i + 1) * 2;
        if (total > Position)
            break;
    }
    throw core::Exception(u"Invalid BLOB position");
}

// ---- TCompressedBlobData ------------------------------------------------------------------------

bool TCompressedBlobData::IsCompressed() const
{
    return FFirstPiece && FFirstPiece->Used > kCompressedHeader &&
        std::memcmp(PieceData(FFirstPiece), kSignature, sizeof kSignature) == 0;
}

uint32_t TCompressedBlobData::UnCompressedSize() const
{
    if (!IsCompressed())
        Fail(u"Assertion failure");
    uint32_t size;
    std::memcpy(&size, PieceData(FFirstPiece) + 16, 4);
    return size;
}

uint32_t TCompressedBlobData::GetSize() const
{
    if (!IsCompressed())
        return GetDataSize();
    const uint32_t size = UnCompressedSize();
    if (size == 0)
        Fail(u"Assertion failure");
    return size;
}

uint32_t TCompressedBlobData::GetCompressedSize() const
{
    if (!IsCompressed())
        throw core::Exception(u"Blob is not compressed");
    return GetDataSize();
}

bool TCompressedBlobData::CompressFrom(const void* Source, uint32_t Count)
{
    CheckCompressorLinked();
    const uint32_t capacity = Count + Count / 5 + 32;
    TPieceHeader* piece = nullptr;
    AllocPiece(piece, capacity);
    // The stream goes behind the 20 header bytes, so it has 20 bytes less room than the piece.
    int produced = int(capacity - kCompressedHeader);
    bool ok = false;
    try {
        CompressBlock(PieceData(piece) + kCompressedHeader, produced, Source, int(Count));
        ok = uint32_t(produced) + kCompressedHeader < Count;
    } catch (...) {
        ok = false;
    }
    if (!ok) {
        FreePiece(piece);
        return false;
    }
    std::memcpy(PieceData(piece), kSignature, sizeof kSignature);
    std::memcpy(PieceData(piece) + 16, &Count, 4);
    piece->Used = uint32_t(produced) + kCompressedHeader;
    CompressPiece(piece);
    FreeAll();
    AppendPiece(piece);
    return true;
}

uint32_t TCompressedBlobData::DecompressTo(void* Dest, uint32_t Count)
{
    if (!FFirstPiece)
        Fail(u"Assertion failure");
    Defrag();
    if (FFirstPiece->Next)
        Fail(u"Assertion failure");
    const uint32_t used = FFirstPiece->Used;
    if (used <= kCompressedHeader)
        throw core::Exception(u"Invalid compressed blob size");
    if (std::memcmp(PieceData(FFirstPiece), kSignature, sizeof kSignature) != 0)
        throw core::Exception(u"Invalid compressed blob header");
    CheckCompressorLinked();
    int produced = int(Count);
    try {
        UncompressBlock(Dest, produced, PieceData(FFirstPiece) + kCompressedHeader, int(used - kCompressedHeader));
    } catch (...) {
        throw core::Exception(u"Invalid compressed blob data");
    }
    return uint32_t(produced);
}

void TCompressedBlobData::Decompress()
{
    const uint32_t size = UnCompressedSize();
    // The stored size is checked before anything is allocated for it.
    if (size == 0 || size > kMaxInflation * (GetDataSize() - kCompressedHeader))
        throw core::Exception(u"Invalid compressed blob size");
    TPieceHeader* piece = nullptr;
    AllocPiece(piece, size);
    uint32_t produced = 0;
    try {
        produced = DecompressTo(PieceData(piece), size);
    } catch (...) {
        FreePiece(piece);
        throw;
    }
    if (produced != size) {
        FreePiece(piece);
        throw core::Exception(u"Invalid uncompressed blob size");
    }
    piece->Used = size;
    FreeAll();
    AppendPiece(piece);
}

bool TCompressedBlobData::SetCompressed(bool Value)
{
    if (!FFirstPiece || Value == IsCompressed())
        return false;
    if (Value) {
        const uint32_t size = GetDataSize();
        if (size > kCompressThreshold) {
            Defrag();
            CompressFrom(PieceData(FFirstPiece), size);
        }
    } else {
        Decompress();
    }
    return true;
}

void TCompressedBlobData::SetSize(uint32_t Value)
{
    if (IsCompressed() && Value != 0 && Value != GetSize())
        Fail(u"Assertion failure");
    TCRBlobData::SetSize(Value);
}

void TCompressedBlobData::Truncate(uint32_t NewSize)
{
    if (NewSize != 0 && IsCompressed())
        Decompress();
    TCRBlobData::Truncate(NewSize);
}

uint32_t TCompressedBlobData::Read(uint32_t Position, uint32_t Count, void* Dest)
{
    if (!IsCompressed())
        return TCRBlobData::Read(Position, Count, Dest);
    const uint32_t size = GetSize();
    if (Position == 0 && (Count == 0 || Count == size)) {
        if (size > kMaxInflation * (GetDataSize() - kCompressedHeader))
            throw core::Exception(u"Invalid compressed blob size");
        // A whole read inflates straight into the caller's buffer.
        if (DecompressTo(Dest, size) != size)
            throw core::Exception(u"Invalid uncompressed blob size");
        return size;
    }
    Decompress();
    return TCRBlobData::Read(Position, Count, Dest);
}

void TCompressedBlobData::Write(uint32_t Position, uint32_t Count, const void* Source)
{
    if (IsCompressed()) {
        const uint32_t size = GetSize();
        if (Position != 0 || (Count != size && size != 0)) {
            Decompress();
        } else {
            Clear();
            if (Count > kCompressThreshold && CompressFrom(Source, Count))
                return;
        }
    }
    TCRBlobData::Write(Position, Count, Source);
}

// ---- TBlob --------------------------------------------------------------------------------------

TBlob::TBlob(bool IsUnicode) : FIsUnicode(IsUnicode)
{
    Init();
}

void TBlob::Init()
{
    TSharedObject::Free(FData);
    FData = CreateBlobData();
}

TBlob::~TBlob()
{
    // No destructor throws: an object already destroyed is left alone.
    if (Test != 221)
        return;
    Test = 0;
    if (FStoredData) {
        FData = FStoredData;
        FStoredData = nullptr;
    }
    TSharedObject::Free(FData);
    TSharedObject::Free(FRollback);
}

void TBlob::CheckValid() const
{
    if (Test != 221)
        throw core::Exception(u"Invalid BLOB");
}

void TBlob::RollbackRule()
{
    if (FNeedRollback && !FRollback)
        SaveToRollback();
}

uint32_t TBlob::Read(uint32_t Position, uint32_t Count, void* Dest)
{
    CheckValid();
    BeforeRead();
    return FData->Read(Position, Count, Dest);
}

void TBlob::Write(uint32_t Position, uint32_t Count, const void* Source)
{
    CheckValid();
    RollbackRule();
    FData->Write(Position, Count, Source);
}

void TBlob::Clear()
{
    RollbackRule();
    FData->Clear();
}

void TBlob::Truncate(uint32_t NewSize)
{
    RollbackRule();
    FData->Truncate(NewSize);
}

void TBlob::SetIsUnicode(bool Value)
{
    if (Value == FIsUnicode)
        return;
    if (Size() > 0)
        throw core::Exception(u"Cannot change IsUnicode if Size > 0");
    FIsUnicode = Value;
}

int TBlob::GetSizeAnsi()
{
    if (!FIsUnicode)
        Fail(u"Assertion failure");
    return FData->GetSizeAnsi();
}

void TBlob::SaveToRollback()
{
    if (!FNeedRollback)
        throw core::Exception(u"Blob must be in cached mode");
    TSharedObject::Free(FRollback);
    FRollback = CreateBlobData();
    FData->CopyTo(*FRollback);
}

void TBlob::Commit()
{
    TSharedObject::Free(FRollback);
    FRollback = nullptr;
}

void TBlob::Cancel()
{
    if (!FRollback)
        return;
    TSharedObject::Free(FData);
    FData = FRollback;
    FRollback = nullptr;
}

void TBlob::SetUseRollback(bool value)
{
    if (value && FRollback && !FStoredData) {
        FStoredData = FData;
        FData = FRollback;
    } else if (!value && FStoredData) {
        FData = FStoredData;
        FStoredData = nullptr;
    }
}

void TBlob::SetData(TCRBlobData* Value)
{
    if (!Value || FStoredData)
        Fail(u"Assertion failure");
    Value->AddRef();
    TSharedObject::Free(FData);
    FData = Value;
}

void TBlob::LoadFromStream(core::Stream& Stream)
{
    Clear();
    const int64_t size = Stream.Size();
    if (size <= 0)
        return;
    Stream.SetPosition(0);
    std::vector<uint8_t> chunk(PieceSize());
    uint32_t position = 0;
    for (int64_t n; (n = Stream.Read(chunk.data(), int64_t(chunk.size()))) > 0; position += uint32_t(n))
        Write(position, uint32_t(n), chunk.data());
}

void TBlob::SaveToStream(core::Stream& Stream)
{
    Stream.SetSize(0);
    const uint32_t size = Size();
    if (size == 0)
        return;
    // Read whole first: compressed content inflates once.
    std::vector<uint8_t> bytes(size);
    Read(0, 0, bytes.data());
    for (uint32_t at = 0; at < size; at += PieceSize())
        Stream.WriteBuffer(bytes.data() + at, std::min(PieceSize(), size - at));
}

void TBlob::LoadFromFile(const String& FileName)
{
    core::FileStream stream(FileName, core::fmOpenRead | core::fmShareDenyWrite);
    LoadFromStream(stream);
}

void TBlob::SaveToFile(const String& FileName)
{
    core::FileStream stream(FileName, core::fmCreate);
    SaveToStream(stream);
}

void TBlob::Assign(TBlob& Source)
{
    Clear();
    FIsUnicode = Source.FIsUnicode;
    std::vector<uint8_t> chunk(65536);
    uint32_t position = 0;
    for (uint32_t n; (n = Source.Read(position, uint32_t(chunk.size()), chunk.data())) > 0; position += n)
        Write(position, n, chunk.data());
}

TBytes TBlob::AsBytes()
{
    TBytes bytes(Size());
    if (!bytes.empty())
        Read(0, 0, bytes.data());
    return bytes;
}

void TBlob::SetAsBytes(const TBytes& value)
{
    Clear();
    Write(0, uint32_t(value.size()), value.data());
}

AnsiString TBlob::AsAnsiString()
{
    if (FIsUnicode)
        return core::ToAnsi(AsWideString());
    const TBytes bytes = AsBytes();
    return AnsiString(bytes.begin(), bytes.end());
}

void TBlob::SetAsAnsiString(const AnsiString& value)
{
    if (FIsUnicode) {
        SetAsWideString(core::FromAnsi(value));
        return;
    }
    Clear();
    Write(0, uint32_t(value.size()), value.data());
}

WideString TBlob::AsWideString()
{
    if (!FIsUnicode)
        return core::FromAnsi(AsAnsiString());
    const TBytes bytes = AsBytes();
    WideString text(bytes.size() / 2, u'\0');
    std::memcpy(text.data(), bytes.data(), text.size() * 2);
    return text;
}

void TBlob::SetAsWideString(const WideString& value)
{
    if (!FIsUnicode) {
        SetAsAnsiString(core::ToAnsi(value));
        return;
    }
    Clear();
    Write(0, uint32_t(value.size() * 2), value.data());
}

void TBlob::AddCR()
{
    CheckValid();
    BeforeRead();
    RollbackRule();
    ConvertLineBreaks(true);
}

void TBlob::RemoveCR()
{
    CheckValid();
    BeforeRead();
    RollbackRule();
    ConvertLineBreaks(false);
}

void TBlob::ConvertLineBreaks(bool add)
{
    // The whole content is converted at once, so a line break on a piece boundary is one like any
    // other; the result is written back in new pieces.
    const uint32_t size = FData->GetSize();
    if (size == 0)
        return;
    std::vector<uint8_t> bytes(size);
    FData->Read(0, 0, bytes.data());
    std::vector<uint8_t> out;
    out.reserve(add ? size + size / 8 : size);
    auto convert = [&](auto* units, size_t count, auto cr, auto lf, bool finalCrGetsLf) {
        using Unit = std::remove_cv_t<std::remove_pointer_t<decltype(units)>>;
        auto put = [&](Unit u) {
            const auto* p = reinterpret_cast<const uint8_t*>(&u);
            out.insert(out.end(), p, p + sizeof u);
        };
        for (size_t i = 0; i < count; ++i) {
            Unit u;
            std::memcpy(&u, reinterpret_cast<const uint8_t*>(units) + i * sizeof u, sizeof u);
            Unit next = 0;
            const bool has_next = i + 1 < count;
            if (has_next)
                std::memcpy(&next, reinterpret_cast<const uint8_t*>(units) + (i + 1) * sizeof u, sizeof u);
            if (u == Unit(cr) && has_next && next == Unit(lf)) {
                if (add)
                    put(cr);
                put(lf);
                ++i;
            } else if (add && u == Unit(lf)) {
                put(cr);
                put(lf);
            } else if (add && u == Unit(cr) && !has_next && finalCrGetsLf) {
                put(cr);
                put(lf);
            } else {
                put(u);
            }
        }
    };
    if (FIsUnicode)
        convert(reinterpret_cast<const uint16_t*>(bytes.data()), bytes.size() / 2, uint16_t(13), uint16_t(10), false);
    else
        convert(bytes.data(), bytes.size(), uint8_t(13), uint8_t(10), true);
    if (FIsUnicode && bytes.size() % 2)
        out.push_back(bytes.back());
    FData->Clear();
    if (!out.empty())
        FData->Write(0, uint32_t(out.size()), out.data());
}

// ---- TCompressedBlob ----------------------------------------------------------------------------

bool TCompressedBlob::Compressed() const
{
    return Data().IsCompressed();
}

void TCompressedBlob::SetCompressed(bool value)
{
    CheckValid();
    BeforeRead();
    Data().SetCompressed(value);
}

uint32_t TCompressedBlob::CompressedSize() const
{
    return Data().GetCompressedSize();
}

} // namespace data
