// The XML writer and its stream writer.
#include "data/storage/xmlwriter.h"

#include "core/fileio.h"

namespace data {

namespace {

const char16_t* const kPrefixWithoutNamespace = u"Cannot use a prefix with an empty namespace.";

} // namespace

// ---- StreamWriter -------------------------------------------------------------------------------

StreamWriter::StreamWriter(const String& path, bool Append) : FEncoding(&Encoding::Default())
{
    if (Append && core::FileExists(path)) {
        m_owned = std::make_unique<core::FileStream>(path, core::fmOpenReadWrite);
        m_owned->Seek(0, core::soEnd);
    } else {
        m_owned = std::make_unique<core::FileStream>(path, core::fmCreate);
    }
    FStream = m_owned.get();
}

StreamWriter::StreamWriter(core::Stream* output, Encoding* aEncoding)
    : FStream(output), FEncoding(aEncoding ? aEncoding : &Encoding::Default())
{
}

void StreamWriter::Write(StringView value)
{
    if (value.empty())
        return;
    const TBytes bytes = FEncoding->GetBytes(WideString(value));
    FStream->WriteBuffer(bytes.data(), int64_t(bytes.size()));
}

void StreamWriter::WriteLine(StringView value)
{
    Write(String(value) + u"\r\n");
}

// ---- XmlTextWriter ------------------------------------------------------------------------------

void XmlTextWriter::AppendIndentation(int depth)
{
    if (FFormatting == fmtIndented && depth > 0 && FIndentation > 0)
        FText.append(size_t(depth) * size_t(FIndentation), FIndentChar);
}

void XmlTextWriter::AppendEscaped(String& out, StringView value, bool attribute) const
{
    for (Char c : value) {
        switch (c) {
        case u'&': out += u"&#x26;"; break;
        case u'\'': out += u"&#x27;"; break;
        case u'"': out += u"&#x22;"; break;
        case u'<': out += u"&#x3c;"; break;
        case u'>': out += u"&#x3e;"; break;
        // A reader turns raw TAB, CR and LF in an attribute into spaces: as references they come back.
        case u'\t': attribute ? out += u"&#x9;" : out += c; break;
        case u'\r': attribute ? out += u"&#xD;" : out += c; break;
        case u'\n': attribute ? out += u"&#xA;" : out += c; break;
        default: out += c;
        }
    }
}

void XmlTextWriter::CloseStartTag()
{
    if (FWriteState != wsElement && FWriteState != wsAttribute)
        return;
    FPosStack.pop_back();
    while (!FText.empty() && FText.back() <= u' ')
        FText.pop_back();
    FText += u'>';
}

void XmlTextWriter::Flush()
{
    FWriter->Write(FText);
    FText.clear();
}

void XmlTextWriter::WriteStartElement(StringView Prefix, StringView LocalName, StringView ns)
{
    if (!Prefix.empty() && ns.empty())
        throw XmlException(kPrefixWithoutNamespace);
    CloseStartTag();
    if (FWriteState == wsContent)
        Flush();
    if (FDepth > 0)
        FText += u"\r\n";
    AppendIndentation(FDepth);
    FText += u'<';
    String name;
    if (!Prefix.empty()) {
        name += Prefix;
        name += u':';
    }
    name += LocalName;
    FText += name;
    if (!ns.empty()) {
        FText += Prefix.empty() ? u" xmlns=" : u" xmlns:" + String(Prefix) + u"=";
        FText += FQuoteChar;
        FText += ns;
        FText += FQuoteChar;
    }
    FPosStack.push_back(FText.size());
    ++FDepth;
    FTagStack.push_back(std::move(name));
    FWriteState = wsElement;
}

void XmlTextWriter::WriteAttributeString(StringView Prefix, StringView LocalName, StringView ns, StringView Value)
{
    if (!Prefix.empty() && ns.empty())
        throw XmlException(kPrefixWithoutNamespace);
    if (FWriteState != wsElement && FWriteState != wsAttribute)
        throw XmlException(u"Token WriteAttributeString in state Content would result in an invalid XML document.");
    String attribute = u" ";
    if (!Prefix.empty()) {
        attribute += Prefix;
        attribute += u':';
    }
    attribute += LocalName;
    attribute += u'=';
    attribute += FQuoteChar;
    AppendEscaped(attribute, Value, true);
    attribute += FQuoteChar;
    if (!ns.empty()) {
        attribute += Prefix.empty() ? u" xmlns=" : u" xmlns:" + String(Prefix) + u"=";
        attribute += FQuoteChar;
        attribute += ns;
        attribute += FQuoteChar;
    }
    size_t& place = FPosStack.back();
    FText.insert(place, attribute);
    place += attribute.size();
    FWriteState = wsAttribute;
}

void XmlTextWriter::FullEnd()
{
    if (FTagStack.empty())
        throw XmlException(u"There was no XML start tag open.");
    CloseStartTag();
    const size_t n = FText.size();
    if (n == 0 || (n >= 2 && FText[n - 1] != u'\n' && FText[n - 2] != u'\r')) {
        FText += u"\r\n";
        AppendIndentation(FDepth);
    }
    FText += u"</";
    FText += FTagStack.back();
    FText += u'>';
    FTagStack.pop_back();
    FWriteState = wsContent;
}

void XmlTextWriter::WriteEndElement()
{
    if (FTagStack.empty())
        throw XmlException(u"There was no XML start tag open.");
    --FDepth;
    if (FWriteState == wsAttribute) {
        FPosStack.pop_back();
        FText += u" />";
        FTagStack.pop_back();
        FWriteState = wsContent;
    } else {
        FullEnd();
    }
    Flush();
}

void XmlTextWriter::WriteFullEndElement()
{
    if (FTagStack.empty())
        throw XmlException(u"There was no XML start tag open.");
    --FDepth;
    FullEnd();
    Flush();
}

void XmlTextWriter::WriteString(StringView Text)
{
    CloseStartTag();
    FText += Text;
    FWriteState = wsContent;
}

void XmlTextWriter::WriteElementString(StringView LocalName, StringView ns, StringView Value)
{
    const bool first_child = FWriteState == wsElement;
    CloseStartTag();
    FText += u"\r\n";
    AppendIndentation(FDepth - 1 + (first_child ? 1 : 0));
    FText += u'<';
    FText += LocalName;
    if (!ns.empty()) {
        FText += u" xmlns=";
        FText += FQuoteChar;
        FText += ns;
        FText += FQuoteChar;
    }
    FText += u'>';
    AppendEscaped(FText, Value, false);
    FText += u"</";
    FText += LocalName;
    FText += u'>';
    Flush();
    FWriteState = wsContent;
}

} // namespace data
