#include "CsvWriter.h"

#include <algorithm>

namespace {

// "-12.50", "3", ".5": what a spreadsheet reads as a number. Anything else
// keeps its point, as a text would.
bool isPlainNumber(std::string_view text) {
    std::size_t i = text.starts_with('-') ? 1 : 0;
    bool digits = false;
    bool point = false;
    for (; i < text.size(); ++i) {
        if (text[i] >= '0' && text[i] <= '9')
            digits = true;
        else if (text[i] == '.' && !point)
            point = true;
        else
            return false;
    }
    return digits;
}

} // namespace

CsvWriter::CsvWriter(Separator separator, LocalTimeText times)
    : m_separator(separator == Separator::Comma ? ',' : ';'),
      m_decimalComma(separator == Separator::Semicolon), m_times(std::move(times)) {}

void CsvWriter::appendHeader(const QStringList& captions) {
    for (qsizetype i = 0; i < captions.size(); ++i) {
        const QByteArray caption = captions[i].toUtf8();
        appendField({caption.constData(), std::size_t(caption.size())}, Kind::Text, i == 0);
    }
    endLine();
}

void CsvWriter::appendField(std::string_view stored, Kind kind, bool first) {
    if (!first)
        m_buffer.push_back(m_separator);
    if (stored.empty())
        return;
    if (kind == Kind::Time) {
        // A text that is no stored time goes out as it is.
        if (m_times.append(stored, m_buffer))
            return;
    } else if (kind == Kind::Number && m_decimalComma && isPlainNumber(stored)) {
        const std::size_t at = m_buffer.size();
        m_buffer.append(stored);
        std::replace(m_buffer.begin() + std::ptrdiff_t(at), m_buffer.end(), '.', ',');
        return;
    }
    appendText(stored);
}

void CsvWriter::endLine() {
    m_buffer.append("\r\n");
}

void CsvWriter::appendText(std::string_view text) {
    // One pass over the field: most fields need no quotes.
    const char separator = m_separator;
    const bool quoted = std::any_of(text.begin(), text.end(), [separator](char c) {
        return c == separator || c == '"' || c == '\n' || c == '\r';
    });
    if (!quoted) {
        m_buffer.append(text);
        return;
    }
    m_buffer.push_back('"');
    for (char c : text) {
        if (c == '"')
            m_buffer.push_back('"');
        m_buffer.push_back(c);
    }
    m_buffer.push_back('"');
}
