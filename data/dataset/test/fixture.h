// Shared pieces of the dataset tests: a dataset of numbered rows, an event log, a recording link.
#pragma once

#include "data/dataset/datasource.h"
#include "data/dataset/test/arraydataset.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace data::test {

using Log = std::vector<std::string>;

// A link that writes what it is told into a log.
class RecordingLink : public TDataLink {
public:
    explicit RecordingLink(Log& log) : m_log(log) {}
    int FocusCount = 0;
    TField* Focused = nullptr;

protected:
    void ActiveChanged() override { m_log.push_back(Active() ? "link:active" : "link:inactive"); }
    void DataSetChanged() override { m_log.push_back("link:change"); }
    void DataSetScrolled(int distance) override { m_log.push_back("link:scroll " + std::to_string(distance)); }
    void EditingChanged() override { m_log.push_back(Editing() ? "link:editing" : "link:browsing"); }
    void RecordChanged(TField* field) override
    {
        m_log.push_back(field ? "link:record " + core::ToUtf8(field->FieldName()) : "link:record");
    }
    void FocusControl(TField** field) override
    {
        ++FocusCount;
        Focused = *field;
    }

private:
    Log& m_log;
};

// ID integer, NAME string(20), AMOUNT float; rows ID 1..count, NAME "n<ID>", AMOUNT ID * 1.5.
inline void FillNumbered(TArrayDataSet& ds, int count)
{
    ds.AddColumn(u"ID", ftInteger);
    ds.AddColumn(u"NAME", ftString, 20);
    ds.AddColumn(u"AMOUNT", ftFloat);
    for (int i = 1; i <= count; ++i)
        ds.AddRow({Variant(i), Variant(core::S("n") + core::IntToStr(i)), Variant(i * 1.5)});
}

// Every dataset event into the log.
inline void RecordEvents(TDataSet& ds, Log& log)
{
    auto on = [&log](const char* name) { return [&log, name](TDataSet&) { log.push_back(name); }; };
    ds.BeforeOpen = on("BeforeOpen");
    ds.AfterOpen = on("AfterOpen");
    ds.BeforeClose = on("BeforeClose");
    ds.AfterClose = on("AfterClose");
    ds.BeforeInsert = on("BeforeInsert");
    ds.AfterInsert = on("AfterInsert");
    ds.BeforeEdit = on("BeforeEdit");
    ds.AfterEdit = on("AfterEdit");
    ds.BeforePost = on("BeforePost");
    ds.AfterPost = on("AfterPost");
    ds.BeforeCancel = on("BeforeCancel");
    ds.AfterCancel = on("AfterCancel");
    ds.BeforeDelete = on("BeforeDelete");
    ds.AfterDelete = on("AfterDelete");
    ds.BeforeScroll = on("BeforeScroll");
    ds.AfterScroll = on("AfterScroll");
    ds.BeforeRefresh = on("BeforeRefresh");
    ds.AfterRefresh = on("AfterRefresh");
    ds.OnNewRecord = on("OnNewRecord");
}

inline std::string Utf8(const String& text)
{
    return core::ToUtf8(text);
}

// Runs action and returns the message of the database error it raises ("" when none).
template <class Action> std::string ErrorOf(Action action)
{
    try {
        action();
    } catch (const core::Exception& error) {
        return Utf8(error.Message());
    }
    return "";
}

} // namespace data::test
