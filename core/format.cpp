// Format: one pass over the format text, copying literal stretches and expanding each directive.
#include "core/format.h"

#include "core/exception.h"

namespace core {

namespace {

// Widths, precisions and indexes above this are taken as a broken format rather than as a request
// for megabytes of blanks.
constexpr int kMaxNumber = 100000;
constexpr size_t kQuotedFormat = 31;

class Formatter {
public:
    Formatter(StringView format, std::span<const FormatArg> args, const FormatSettings& settings)
        : m_format(format), m_args(args), m_settings(settings)
    {
    }

    String Run();

private:
    [[noreturn]] void Fail(const char16_t* pattern) const
    {
        String message(pattern);
        message.replace(message.find(u"%s"), 2, m_format.substr(0, kQuotedFormat));
        throw EConvertError(message);
    }
    [[noreturn]] void Invalid() const { Fail(u"Format '%s' invalid or incompatible with argument"); }
    [[noreturn]] void Missing() const { Fail(u"No argument for format '%s'"); }

    const FormatArg& NextArg()
    {
        if (m_next >= m_args.size())
            Missing();
        return m_args[m_next++];
    }
    bool ReadNumber(int& value);
    void Directive();
    String Integer(Char type, const FormatArg& arg, int precision) const;
    String Text(const FormatArg& arg, int precision) const;

    StringView m_format;
    std::span<const FormatArg> m_args;
    const FormatSettings& m_settings;
    size_t m_pos = 0;
    size_t m_next = 0;
    String m_out;
};

String Formatter::Run()
{
    m_out.reserve(m_format.size() + 8 * m_args.size());
    while (m_pos < m_format.size()) {
        const size_t percent = m_format.find(u'%', m_pos);
        if (percent == StringView::npos) {
            m_out.append(m_format.substr(m_pos));
            break;
        }
        m_out.append(m_format.substr(m_pos, percent - m_pos));
        m_pos = percent + 1;
        if (m_pos < m_format.size() && m_format[m_pos] == u'%') {
            m_out += u'%';
            ++m_pos;
            continue;
        }
        Directive();
    }
    return std::move(m_out);
}

// A number in the directive, or "*" for one taken from the arguments. False when neither is there.
bool Formatter::ReadNumber(int& value)
{
    if (m_pos < m_format.size() && m_format[m_pos] == u'*') {
        ++m_pos;
        const FormatArg& arg = NextArg();
        if (arg.GetKind() == FormatArg::Kind::Int32 || arg.GetKind() == FormatArg::Kind::Int64) {
            const int64_t v = arg.AsInt64();
            value = v < -kMaxNumber ? -kMaxNumber - 1 : v > kMaxNumber ? kMaxNumber + 1 : int(v);
        } else if (arg.GetKind() == FormatArg::Kind::UInt32 || arg.GetKind() == FormatArg::Kind::UInt64) {
            value = arg.AsUInt64() > uint64_t(kMaxNumber) ? kMaxNumber + 1 : int(arg.AsUInt64());
        } else {
            Invalid();
        }
        return true;
    }
    if (m_pos >= m_format.size() || m_format[m_pos] < u'0' || m_format[m_pos] > u'9')
        return false;
    value = 0;
    while (m_pos < m_format.size() && m_format[m_pos] >= u'0' && m_format[m_pos] <= u'9') {
        if (value <= kMaxNumber)
            value = value * 10 + (m_format[m_pos] - u'0');
        ++m_pos;
    }
    return true;
}

void Formatter::Directive()
{
    bool left = false;
    int width = 0;
    int precision = -1;
    int number = 0;
    bool haveWidth = false;
    if (ReadNumber(number)) {
        if (m_pos < m_format.size() && m_format[m_pos] == u':') {
            ++m_pos;
            if (number < 0 || number > kMaxNumber)
                Missing();
            m_next = size_t(number);
        } else {
            width = number;
            haveWidth = true;
        }
    }
    if (!haveWidth) {
        if (m_pos < m_format.size() && m_format[m_pos] == u'-') {
            left = true;
            ++m_pos;
        }
        ReadNumber(width);
    }
    if (m_pos < m_format.size() && m_format[m_pos] == u'.') {
        ++m_pos;
        if (!ReadNumber(precision))
            precision = 0;
        // A negative precision from "*" means none was given.
        if (precision < 0)
            precision = -1;
    }
    if (width > kMaxNumber || precision > kMaxNumber)
        Invalid();
    if (width < 0)
        width = 0;
    if (m_pos >= m_format.size())
        Invalid();
    Char type = m_format[m_pos++];
    if (type >= u'a' && type <= u'z')
        type = Char(type - 32);

    String text;
    switch (type) {
    case u'D':
    case u'U':
    case u'X': {
        const FormatArg& arg = NextArg();
        if (!arg.IsInteger())
            Invalid();
        text = Integer(type, arg, precision);
        break;
    }
    case u'E':
    case u'F':
    case u'G':
    case u'N':
    case u'M': {
        const FormatArg& arg = NextArg();
        if (arg.GetKind() != FormatArg::Kind::Float)
            Invalid();
        const double value = arg.AsFloat();
        switch (type) {
        case u'E': text = FloatToStrF(value, FloatFormat::Exponent, precision < 0 ? 15 : precision, 3, m_settings); break;
        case u'F': text = FloatToStrF(value, FloatFormat::Fixed, 18, precision < 0 ? 2 : precision, m_settings); break;
        case u'G': text = FloatToStrF(value, FloatFormat::General, precision < 0 ? 15 : precision, 0, m_settings); break;
        case u'N': text = FloatToStrF(value, FloatFormat::Number, 18, precision < 0 ? 2 : precision, m_settings); break;
        default: text = FloatToStrF(value, FloatFormat::Currency, 18, precision < 0 ? 2 : precision, m_settings); break;
        }
        break;
    }
    case u'P': {
        const FormatArg& arg = NextArg();
        if (arg.GetKind() != FormatArg::Kind::Pointer)
            Invalid();
        text = IntToHex(uint64_t(reinterpret_cast<uintptr_t>(arg.AsPointer())), 16);
        break;
    }
    case u'S':
        text = Text(NextArg(), precision);
        break;
    default:
        Invalid();
    }

    const size_t padding = size_t(width) > text.size() ? size_t(width) - text.size() : 0;
    if (!left)
        m_out.append(padding, u' ');
    m_out += text;
    if (left)
        m_out.append(padding, u' ');
}

String Formatter::Integer(Char type, const FormatArg& arg, int precision) const
{
    const FormatArg::Kind kind = arg.GetKind();
    const bool isSigned = kind == FormatArg::Kind::Int32 || kind == FormatArg::Kind::Int64;
    // %u and %x read a negative value as the bit pattern of its own width.
    uint64_t bits = isSigned ? uint64_t(arg.AsInt64()) : arg.AsUInt64();
    if (kind == FormatArg::Kind::Int32)
        bits &= 0xFFFFFFFFu;
    if (type == u'X')
        return IntToHex(bits, precision);
    bool negative = false;
    uint64_t magnitude = bits;
    if (type == u'D' && isSigned && arg.AsInt64() < 0) {
        negative = true;
        magnitude = 0 - uint64_t(arg.AsInt64());
    }
    String digits = UIntToStr(magnitude);
    String out;
    if (negative)
        out += u'-';
    if (precision > int(digits.size()))
        out.append(size_t(precision) - digits.size(), u'0');
    out += digits;
    return out;
}

String Formatter::Text(const FormatArg& arg, int precision) const
{
    StringView text;
    Char single = 0;
    if (arg.GetKind() == FormatArg::Kind::Text) {
        text = arg.AsText();
    } else if (arg.GetKind() == FormatArg::Kind::Char) {
        single = arg.AsChar();
        text = StringView(&single, 1);
    } else {
        Invalid();
    }
    if (precision >= 0 && size_t(precision) < text.size()) {
        size_t keep = size_t(precision);
        // Never keep half of a surrogate pair.
        if (keep > 0 && text[keep - 1] >= 0xD800 && text[keep - 1] <= 0xDBFF)
            --keep;
        text = text.substr(0, keep);
    }
    return String(text);
}

} // namespace

String Format(StringView format, std::span<const FormatArg> args, const FormatSettings& settings)
{
    return Formatter(format, args, settings).Run();
}

String Format(StringView format, std::initializer_list<FormatArg> args, const FormatSettings& settings)
{
    return Formatter(format, std::span<const FormatArg>(args.begin(), args.size()), settings).Run();
}

} // namespace core
