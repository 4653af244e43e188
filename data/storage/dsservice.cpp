// The dataset service and updater of the in-memory dataset, and its rowset XML.
#include "data/storage/dsservice.h"

#include "data/storage/blob.h"
#include "data/storage/encoding.h"
#include "data/storage/memutils.h"

#include "core/bcd.h"
#include "core/convert.h"
#include "core/currency.h"
#include "core/datetime.h"
#include "core/exception.h"

#include <cmath>
#include <cstring>

namespace data {

namespace {

[[noreturn]] void Fail(StringView message)
{
    core::AssertFailed(message, __FILE__, __LINE__);
}

// Keeps a dataset's Modified flag as it was on every exit.
class ModifiedKeeper {
public:
    explicit ModifiedKeeper(TMemDataSet* dataSet) : m_dataset(dataSet), m_modified(dataSet->Modified()) {}
    ~ModifiedKeeper() { m_dataset->RestoreModified(m_modified); }
    ModifiedKeeper(const ModifiedKeeper&) = delete;
    ModifiedKeeper& operator=(const ModifiedKeeper&) = delete;

private:
    TMemDataSet* m_dataset;
    bool m_modified;
};

// A column name that rowset readers take as it is: ASCII letters and "_", digits after the first.
bool IsPlainName(const String& name)
{
    for (size_t i = 0; i < name.size(); ++i) {
        const Char c = name[i];
        const bool letter = (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || c == u'_';
        const bool digit = c >= u'0' && c <= u'9';
        if (!letter && !(digit && i > 0))
            return false;
    }
    return true;
}

String Digits2(int value)
{
    String text = core::IntToStr(value);
    return text.size() < 2 ? u"0" + text : text;
}

String HexOf(const uint8_t* bytes, size_t count)
{
    static const char16_t digits[] = u"0123456789ABCDEF";
    String text;
    text.reserve(2 * count);
    for (size_t i = 0; i < count; ++i) {
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 15];
    }
    return text;
}

} // namespace

std::unique_ptr<TDataSetService> MakeDataSetService(TMemDataSet* DataSet)
{
    return std::make_unique<TDataSetService>(DataSet);
}

// ---- TDataSetUpdater ----------------------------------------------------------------------------

TDataSetUpdater::TDataSetUpdater(TDataSetService* AOwner) : FDataSetService(AOwner)
{
    if (!AOwner)
        Fail(u"Assertion failure");
    FDataSet = AOwner->DataSet();
}

void TDataSetUpdater::DoPerformAppend()
{
    ModifiedKeeper keeper(FDataSet);
    if (FDataSet->LocalUpdate())
        return;
    if (FDataSet->InDeferredPost())
        PerformUpdate();
    else
        PerformAppend();
}

void TDataSetUpdater::DoPerformDelete()
{
    ModifiedKeeper keeper(FDataSet);
    if (!FDataSet->LocalUpdate())
        PerformDelete();
}

void TDataSetUpdater::DoPerformUpdate()
{
    ModifiedKeeper keeper(FDataSet);
    if (!FDataSet->LocalUpdate())
        PerformUpdate();
}

void TDataSetUpdater::DoApplyRecord(TUpdateKind UpdateKind, TUpdateRecAction& Action, bool LastItem)
{
    ModifiedKeeper keeper(FDataSet);
    try {
        int value = uaFail;
        if (FDataSet->OnUpdateRecord) {
            FDataSet->OnUpdateRecord(*FDataSet, UpdateKind, value);
            if (value == uaFail)
                DatabaseError(u"Update failed");
            if (value == uaAbort)
                core::Abort();
            if (value != UpdateActionDefault) {
                Action = TUpdateRecAction(value);
                return;
            }
        }
        switch (UpdateKind) {
        case ukModify: PerformUpdate(); break;
        case ukInsert: PerformAppend(); break;
        case ukDelete: PerformDelete(); break;
        }
        if (IsBatchMode()) {
            if (!LastItem && !BatchIsFull()) {
                Action = urSuspended;
                return;
            }
            FlushBatch();
        }
        Action = urApplied;
    } catch (EDatabaseError& error) {
        if (!FDataSet->OnUpdateError)
            throw;
        TUpdateAction action = uaFail;
        FDataSet->OnUpdateError(*FDataSet, error, UpdateKind, action);
        if (action == uaFail)
            throw;
        if (action == uaAbort)
            core::Abort();
        Action = TUpdateRecAction(action);
    }
}

// ---- TDataSetService ----------------------------------------------------------------------------

TDataSetService::TDataSetService(TMemDataSet* AOwner) : FDataSet(AOwner) {}

TDataSetUpdater* TDataSetService::Updater()
{
    if (!FUpdater)
        CreateDataSetUpdater();
    return FUpdater.get();
}

TDataSetService::~TDataSetService() = default;

void TDataSetService::CreateDataSetUpdater() { SetDataSetUpdater(std::make_unique<TDataSetUpdater>(this)); }

void TDataSetService::SetDataSetUpdater(std::unique_ptr<TDataSetUpdater> Value) { FUpdater = std::move(Value); }

FieldFactory TDataSetService::FieldClassForType(TFieldType FieldType) { return DefaultFieldClass(FieldType); }

bool TDataSetService::SetProp(int, Variant&) { Fail(u"Assertion failure"); }

bool TDataSetService::GetProp(int, Variant&) { Fail(u"Assertion failure"); }

void TDataSetService::SetNumberRange(TFieldDef* FieldDef)
{
    const TFieldType type = FieldDef->DataType();
    if (type != ftSmallint && type != ftInteger && type != ftFloat && type != ftLargeint)
        return;
    TField* field = FDataSet->FindField(FieldDef->Name());
    if (!field)
        return;
    FDataSet->CheckFieldCompatibility(*field, *FieldDef);
    TFieldDesc* desc = FDataSet->Data()->FindField(FieldDef->Name());
    if (!desc)
        return;
    const int length = desc->Length;
    switch (type) {
    case ftSmallint: case ftInteger: case ftLargeint: {
        auto* integer = dynamic_cast<TIntegerField*>(field);
        if (!integer || (type == ftLargeint && !dynamic_cast<TLargeintField*>(field)))
            Fail(u"Assertion failure");
        // 10^19 - 1 does not fit: a length of 19 or more keeps the type's own range.
        if (length < 1 || length > 18)
            return;
        int64_t max = 1;
        for (int i = 0; i < length; ++i)
            max *= 10;
        --max;
        integer->SetMaxValue(max);
        integer->SetMinValue(-max);
        break;
    }
    case ftFloat: {
        auto* number = dynamic_cast<TFloatField*>(field);
        if (!number)
            Fail(u"Assertion failure");
        if (length < 1 || length > 15)
            return;
        number->SetPrecision(length);
        const double max = std::pow(10.0, length - desc->Scale) - std::pow(10.0, -double(desc->Scale));
        number->SetMaxValue(max);
        number->SetMinValue(-max);
        break;
    }
    default: break;
    }
}

// ---- rowset XML ---------------------------------------------------------------------------------

void TDataSetService::WriteFieldXMLAttributeType(TField* Field, TFieldDesc* FieldDesc, XmlTextWriter& Writer,
                                                 const String& ColumnName)
{
    Writer.WriteAttributeString(u"name", ColumnName);
    if (ColumnName != FieldDesc->Name)
        Writer.WriteAttributeString(u"rs:name", FieldDesc->Name);
    Writer.WriteAttributeString(u"rs:number", core::IntToStr(FieldDesc->FieldNo));
    if (!Field->Required() && !Field->ReadOnly())
        Writer.WriteAttributeString(u"rs:nullable", u"true");
    if (!Field->ReadOnly())
        Writer.WriteAttributeString(u"rs:writeunknown", u"true");
    if (!FieldDesc->ActualName.empty())
        Writer.WriteAttributeString(u"rs:basecolumn", FieldDesc->ActualName);
    if (FieldDesc->IsKey)
        Writer.WriteAttributeString(u"rs:keycolumn", u"true");
    if (Field->AutoGenerateValue() == arAutoInc)
        Writer.WriteAttributeString(u"rs:autoincrement", u"true");
}

void TDataSetService::WriteFieldXMLDataType(TField* Field, TFieldDesc* FieldDesc, XmlTextWriter& Writer,
                                            const String&)
{
    const String size = core::IntToStr(FieldDesc->Size);
    const String length = core::IntToStr(FieldDesc->Length);
    const String scale = core::IntToStr(FieldDesc->Scale);
    auto type = [&](StringView name) { Writer.WriteAttributeString(u"dt:type", name); };
    auto attr = [&](StringView name, StringView value) { Writer.WriteAttributeString(name, value); };
    auto isLong = [&] {
        if (Field->IsBlob() && !FieldDesc->Fixed)
            attr(u"rs:long", u"true");
    };
    auto dateTail = [&] {
        attr(u"dt:maxLength", size);
        attr(u"rs:scale", scale);
        attr(u"rs:precision", length);
    };
    const uint16_t code = FieldDesc->DataType;
    switch (code) {
    case dtUnknown: case dtVariant: type(u"string"); break;
    case dtInt8: type(u"i1"); attr(u"dt:maxLength", size); attr(u"rs:precision", length); break;
    case dtInt16: type(u"i2"); attr(u"dt:maxLength", size); attr(u"rs:precision", u"5"); break;
    case dtInt32: type(u"int"); attr(u"dt:maxLength", size); attr(u"rs:precision", u"10"); break;
    case dtFloat:
        if (FieldDesc->Length > 7) {
            type(u"float");
            attr(u"dt:maxLength", size);
        } else {
            type(u"r4");
            attr(u"dt:maxLength", u"4");
        }
        attr(u"rs:precision", length);
        break;
    case dtDate: type(u"date"); dateTail(); break;
    case dtTime: type(u"time"); dateTail(); break;
    case dtDateTime: type(u"datetime"); attr(u"rs:dbtype", u"variantdate"); dateTail(); break;
    case dtUInt16: type(u"ui2"); attr(u"dt:maxLength", size); attr(u"rs:precision", length); break;
    case dtBoolean: type(u"boolean"); attr(u"dt:maxLength", size); break;
    case dtInt64: type(u"i8"); attr(u"dt:maxLength", size); attr(u"rs:precision", u"19"); break;
    case dtCurrency: case dtBCD:
        type(u"number");
        attr(u"rs:dbtype", u"currency");
        attr(u"dt:maxLength", size);
        attr(u"rs:precision", length);
        break;
    case dtBlob: type(u"bin.hex"); attr(u"dt:maxLength", u"2147483647"); isLong(); break;
    case dtBytes: case dtVarBytes: case dtExtVarBytes: type(u"bin.hex"); attr(u"dt:maxLength", length); isLong(); break;
    case dtUInt32: type(u"ui4"); attr(u"dt:maxLength", size); attr(u"rs:precision", length); break;
    case dtFMTBCD:
        type(u"number");
        attr(u"rs:dbtype", u"numeric");
        attr(u"dt:maxLength", size);
        attr(u"rs:scale", scale);
        attr(u"rs:precision", length);
        break;
    case dtGuid: type(u"uuid"); attr(u"dt:maxLength", u"16"); break;
    case dtMemo: case dtWideMemo:
        type(u"string");
        attr(u"dt:maxLength", u"2147483647");
        if (code == dtMemo)
            attr(u"rs:dbtype", u"str");
        isLong();
        break;
    case dtString: case dtExtString: case dtSQLTimeStamp:
        type(u"string");
        attr(u"dt:maxLength", length);
        attr(u"rs:dbtype", u"str");
        isLong();
        break;
    case dtWideString: case dtExtWideString: type(u"string"); attr(u"dt:maxLength", length); isLong(); break;
    default: DatabaseError(u"Data type is not supported");
    }
    if (FieldDesc->Fixed && code != dtUnknown && code != dtVariant)
        attr(u"rs:fixedlength", u"true");
    if (Field->Required() && !Field->ReadOnly())
        attr(u"rs:maybenull", u"false");
}

void TDataSetService::GetFieldXMLValue(TField* Field, TFieldDesc* FieldDesc, String& Text)
{
    switch (FieldDesc->DataType) {
    case dtInt8: case dtInt16: case dtInt32: case dtUInt16: case dtInt64: case dtUInt32:
        Text = Field->AsString();
        break;
    case dtFloat: Text = core::FloatToStr(Field->AsFloat()); break;
    case dtDate: case dtDateTime: {
        int year, month, day, hour, minute, second, msec;
        core::DecodeDateTime(Field->AsDateTime(), year, month, day, hour, minute, second, msec);
        String y = core::IntToStr(year);
        while (y.size() < 4)
            y = u"0" + y;
        Text = y + u"-" + Digits2(month) + u"-" + Digits2(day) + u"T" + Digits2(hour) + u":" + Digits2(minute) +
               u":" + Digits2(second);
        break;
    }
    case dtTime: {
        int hour, minute, second, msec;
        core::DecodeTime(Field->AsDateTime(), hour, minute, second, msec);
        Text = Digits2(hour) + u":" + Digits2(minute) + u":" + Digits2(second);
        break;
    }
    case dtBoolean: Text = Field->AsBoolean() ? u"True" : u"False"; break;
    case dtCurrency: case dtBCD: Text = core::CurrToStr(Field->AsCurrency()); break;
    case dtBlob: {
        Text.clear();
        if (TBlob* blob = FDataSet->GetBlob(Field)) {
            // Piece by piece, as the blob keeps its content.
            std::vector<uint8_t> piece(blob->PieceSize() ? blob->PieceSize() : 65536);
            const uint32_t size = blob->Size();
            for (uint32_t position = 0; position < size;) {
                const uint32_t read = blob->Read(position, uint32_t(piece.size()), piece.data());
                if (read == 0)
                    break;
                Text += HexOf(piece.data(), read);
                position += read;
            }
        }
        break;
    }
    case dtBytes: case dtVarBytes: case dtExtVarBytes: {
        const Variant::Bytes bytes = Field->AsBytes();
        Text = HexOf(bytes.data(), bytes.size());
        break;
    }
    case dtFMTBCD: Text = Field->AsString(); break;
    default: Text = Field->AsString(); break;
    }
}

void TDataSetService::SaveToXML(core::Stream& Destination)
{
    TMemDataSet& dataSet = *FDataSet;
    dataSet.DisableControls();
    const bool wasActive = dataSet.Active();
    TBookmark bookmark;
    auto restore = [&] {
        try {
            if (!wasActive) {
                dataSet.Close();
            } else if (!bookmark.empty() && dataSet.BookmarkValid(bookmark)) {
                dataSet.GotoBookmark(bookmark);
            }
        } catch (...) {
            dataSet.EnableControls();
            throw;
        }
        dataSet.EnableControls();
    };
    try {
        dataSet.Open();
        if (!dataSet.IsEmpty())
            bookmark = dataSet.GetBookmark();

        // The columns: data fields with a store descriptor, in field order, with their names in the
        // document (an alias c1, c2 ... for a name rowset readers do not take as it is).
        struct Column {
            TField* field;
            TFieldDesc* desc;
            String name;
        };
        std::vector<Column> columns;
        int aliases = 0;
        for (int i = 0; i < dataSet.FieldCount(); ++i) {
            TField* field = dataSet.Fields()[i];
            if (field->FieldKind() == fkCalculated || field->FieldKind() == fkLookup)
                continue;
            TFieldDesc* desc = dataSet.GetFieldDesc(field);
            if (!desc)
                continue;
            String name = IsPlainName(desc->Name) ? desc->Name : u"c" + core::IntToStr(++aliases);
            columns.push_back({field, desc, std::move(name)});
        }

        StreamWriter stream(&Destination, &Encoding::UTF8());
        XmlTextWriter writer(&stream);
        writer.SetQuoteChar(u'\'');
        writer.SetFormatting(fmtIndented);
        writer.SetIndentation(2);
        writer.SetIndentChar(u' ');

        writer.WriteStartElement(u"xml");
        writer.WriteAttributeString(u"xmlns:s", u"uuid:BDC6E3F0-6DA3-11d1-A2A3-00AA00C14882");
        writer.WriteAttributeString(u"xmlns:dt", u"uuid:C2F41010-65B3-11d1-A29F-00AA00C14882");
        writer.WriteAttributeString(u"xmlns:rs", u"urn:schemas-microsoft-com:rowset");
        writer.WriteAttributeString(u"xmlns:z", u"#RowsetSchema");
        writer.WriteStartElement(u"s:Schema");
        writer.WriteAttributeString(u"id", u"RowsetSchema");
        writer.WriteStartElement(u"s:ElementType");
        writer.WriteAttributeString(u"name", u"row");
        writer.WriteAttributeString(u"content", u"eltOnly");
        writer.WriteAttributeString(u"rs:updatable", u"true");
        for (const Column& column : columns) {
            writer.WriteStartElement(u"s:AttributeType");
            WriteFieldXMLAttributeType(column.field, column.desc, writer, column.name);
            writer.WriteStartElement(u"s:datatype");
            WriteFieldXMLDataType(column.field, column.desc, writer, column.name);
            writer.WriteEndElement();
            writer.WriteFullEndElement();
        }
        writer.WriteStartElement(u"s:extends");
        writer.WriteAttributeString(u"type", u"rs:rowbase");
        writer.WriteEndElement();
        writer.WriteEndElement();
        writer.WriteEndElement();

        writer.WriteStartElement(u"rs:data");
        String text;
        for (dataSet.First(); !dataSet.Eof(); dataSet.Next()) {
            writer.WriteStartElement(u"z:row");
            for (const Column& column : columns) {
                if (column.field->IsNull())
                    continue;
                GetFieldXMLValue(column.field, column.desc, text);
                writer.WriteAttributeString(column.name, text);
            }
            writer.WriteEndElement();
        }
        writer.WriteFullEndElement();
        writer.WriteFullEndElement();
        writer.Close();
    } catch (...) {
        try {
            restore();
        } catch (...) {
        }
        throw;
    }
    restore();
}

} // namespace data
