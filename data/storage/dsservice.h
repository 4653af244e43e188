// The dataset service and its updater. The service is a dataset's extension point for field
// definitions, number ranges, field classes and rowset XML; the updater carries out the changes the
// record store reports, through the user's update events, one operation per kind of change. Here the
// operations succeed without doing anything (the store alone holds the data); the database layer
// derives its own service and updater and replaces them with SQL.
#pragma once

#include "data/storage/memds.h"
#include "data/storage/xmlwriter.h"

namespace data {

// The action value an update-record handler leaves to ask for the built-in operation.
constexpr int UpdateActionDefault = 10;

class TDataSetUpdater {
public:
    // Assertion failure for a null owner.
    explicit TDataSetUpdater(TDataSetService* AOwner);
    virtual ~TDataSetUpdater() = default;
    TDataSetUpdater(const TDataSetUpdater&) = delete;
    TDataSetUpdater& operator=(const TDataSetUpdater&) = delete;

    virtual bool PerformAppend() { return true; }
    virtual bool PerformDelete() { return true; }
    virtual bool PerformUpdate() { return true; }
    virtual bool IsBatchMode() { return false; }
    virtual bool BatchIsFull() { return false; }
    virtual void FlushBatch() {}

    // Each keeps the dataset's Modified flag as it was, also on failure.
    void DoPerformAppend();
    void DoPerformDelete();
    void DoPerformUpdate();
    // Applies one cached change; Action receives the outcome.
    void DoApplyRecord(TUpdateKind UpdateKind, TUpdateRecAction& Action, bool LastItem);

    TMemDataSet* DataSet() const { return FDataSet; }
    TDataSetService* DataSetService() const { return FDataSetService; }

protected:
    TMemDataSet* FDataSet;
    TDataSetService* FDataSetService;
};

class TDataSetService {
public:
    explicit TDataSetService(TMemDataSet* AOwner);
    virtual ~TDataSetService();
    TDataSetService(const TDataSetService&) = delete;
    TDataSetService& operator=(const TDataSetService&) = delete;

    virtual void CreateDataSetUpdater();
    virtual void SetDataSetUpdater(std::unique_ptr<TDataSetUpdater> Value);
    // Bounds of a numeric field from its descriptor's Length and Scale.
    virtual void SetNumberRange(TFieldDef* FieldDef);
    virtual FieldFactory FieldClassForType(TFieldType FieldType);
    virtual void InitFieldsExt() {}
    virtual void WriteFieldXMLDataType(TField* Field, TFieldDesc* FieldDesc, XmlTextWriter& Writer,
                                       const String& ColumnName);
    virtual void WriteFieldXMLAttributeType(TField* Field, TFieldDesc* FieldDesc, XmlTextWriter& Writer,
                                            const String& ColumnName);
    virtual void GetFieldXMLValue(TField* Field, TFieldDesc* FieldDesc, String& Text);
    // Assertion failures here; a provider's service answers them.
    virtual bool SetProp(int Prop, Variant& Value);
    virtual bool GetProp(int Prop, Variant& Value);

    // The dataset as rowset XML: UTF-8 without byte-order mark or declaration, CR LF line breaks,
    // two spaces a level, attribute values in apostrophes.
    void SaveToXML(core::Stream& Destination);

    TMemDataSet* DataSet() const { return FDataSet; }
    // Made on first use through CreateDataSetUpdater, so that a descendant's updater is the one made
    // (a constructor cannot reach a descendant's override).
    TDataSetUpdater* Updater();

protected:
    TMemDataSet* FDataSet;
    std::unique_ptr<TDataSetUpdater> FUpdater;
};

// The service class of the in-memory dataset.
std::unique_ptr<TDataSetService> MakeDataSetService(TMemDataSet* DataSet);

} // namespace data
