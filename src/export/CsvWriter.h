#pragma once

#include "LocalTimeText.h"

#include <QByteArray>
#include <QStringList>
#include <string>
#include <string_view>

// Rows as RFC 4180 text in UTF-8: fields joined by the separator, a field
// quoted when it holds the separator, a quote or a line break, a quote
// inside doubled, each line ended by CR LF. Numbers go out as stored, with
// a decimal comma for the semicolon separator, which spreadsheets in such
// locales expect; times as ISO 8601 local time with its offset.
class CsvWriter {
public:
    enum class Separator { Comma, Semicolon };
    // How a column's stored text is written.
    enum class Kind {
        Text,   // as stored
        Number, // as stored, the decimal point following the separator
        Time,   // a stored time as ISO 8601 with its offset
    };

    explicit CsvWriter(Separator separator, LocalTimeText times = LocalTimeText());

    void appendHeader(const QStringList& captions);
    // One field of the current line; `first` starts a new line.
    void appendField(std::string_view stored, Kind kind, bool first);
    // Ends the current line.
    void endLine();

    // The text written since the last clear().
    std::string_view text() const { return m_buffer; }
    // Empties the buffer, keeping its room for the next lines.
    void clear() { m_buffer.clear(); }

private:
    void appendText(std::string_view text);

    char m_separator;
    bool m_decimalComma;
    LocalTimeText m_times;
    // A plain string: appending to it is a copy and a length, which counts
    // when an export appends a hundred million fields.
    std::string m_buffer;
};
