// A small forward-only XML writer over a text writer for streams. The writer keeps the text of the
// element being written in memory, closes start tags lazily so that attributes can still be added, and
// passes finished text to the stream writer in pieces. It checks neither names nor that every element
// is ended.
#pragma once

#include "data/storage/encoding.h"

#include "core/exception.h"
#include "core/stream.h"

#include <memory>
#include <vector>

namespace data {

CORE_DECLARE_EXCEPTION(XmlException, core::Exception);

enum XmlFormatting { fmtNone, fmtIndented };
enum XmlWriteState { wsAttribute, wsClosed, wsContent, wsElement, wsStart };

// Text to a stream in an encoding, never with a byte-order mark.
class StreamWriter {
public:
    // A file: appended to when Append is set and it exists, created (or emptied) otherwise; written in
    // the system ANSI code page.
    StreamWriter(const String& path, bool Append);
    // A stream that the writer does not own; no encoding means Encoding::Default().
    StreamWriter(core::Stream* output, Encoding* aEncoding);
    StreamWriter(const StreamWriter&) = delete;
    StreamWriter& operator=(const StreamWriter&) = delete;

    void Write(StringView value);
    void WriteLine(StringView value);
    void Close() {}
    void Flush() {}

private:
    std::unique_ptr<core::Stream> m_owned;
    core::Stream* FStream = nullptr;
    Encoding* FEncoding = nullptr;
};

class XmlTextWriter {
public:
    // The stream writer is not owned.
    explicit XmlTextWriter(StreamWriter* w) : FWriter(w) {}
    XmlTextWriter(const XmlTextWriter&) = delete;
    XmlTextWriter& operator=(const XmlTextWriter&) = delete;

    void WriteStartElement(StringView LocalName) { WriteStartElement({}, LocalName, {}); }
    void WriteStartElement(StringView LocalName, StringView ns) { WriteStartElement({}, LocalName, ns); }
    // XmlException "Cannot use a prefix with an empty namespace." for a prefix without namespace.
    void WriteStartElement(StringView Prefix, StringView LocalName, StringView ns);
    // XmlException "Token WriteAttributeString in state Content would result in an invalid XML
    // document." unless a start tag is open.
    void WriteAttributeString(StringView LocalName, StringView Value) { WriteAttributeString({}, LocalName, {}, Value); }
    void WriteAttributeString(StringView Prefix, StringView LocalName, StringView ns, StringView Value);
    // XmlException "There was no XML start tag open." when no element is open.
    void WriteEndElement();
    void WriteFullEndElement();
    // The text as it is, without escaping.
    void WriteString(StringView Text);
    void WriteElementString(StringView LocalName, StringView Value) { WriteElementString(LocalName, {}, Value); }
    void WriteElementString(StringView LocalName, StringView ns, StringView Value);
    void Close() { Flush(); }

    XmlFormatting Formatting() const { return FFormatting; }
    void SetFormatting(XmlFormatting value) { FFormatting = value; }
    int Indentation() const { return FIndentation; }
    void SetIndentation(int value) { FIndentation = value; }
    Char IndentChar() const { return FIndentChar; }
    void SetIndentChar(Char value) { FIndentChar = value; }
    Char QuoteChar() const { return FQuoteChar; }
    void SetQuoteChar(Char value) { FQuoteChar = value; }
    XmlWriteState WriteState() const { return FWriteState; }

private:
    void AppendIndentation(int depth);
    void AppendEscaped(String& out, StringView value, bool attribute) const;
    void CloseStartTag();
    void FullEnd();
    void Flush();

    String FText;
    XmlFormatting FFormatting = fmtNone;
    int FIndentation = 2;
    Char FIndentChar = u' ';
    Char FQuoteChar = u'"';
    XmlWriteState FWriteState = wsStart;
    int FDepth = 0;
    std::vector<size_t> FPosStack;
    std::vector<String> FTagStack;
    StreamWriter* FWriter;
};

} // namespace data
