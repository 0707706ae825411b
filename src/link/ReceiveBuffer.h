#pragma once

#include "ReplyKind.h"

#include <QByteArray>
#include <QString>
#include <optional>

// Bytes received since the buffer was last emptied, as upper-case hex text.
//
// A complete reply is recognised by its byte-count field (characters 5-6)
// and its exact length only. Once the text is longer than the longest reply
// it can never become one, so it stops growing there: a noisy line cannot
// fill memory between two emptyings, and every reply is still recognised
// exactly as with an unbounded buffer.
class ReceiveBuffer {
public:
    static constexpr int capacity = longestReplyHexLength + 2;

    void append(const QByteArray& bytes);
    void clear() { m_text.clear(); }
    const QString& text() const { return m_text; }

    // The first kind, in the order of replyLayouts, that the text forms.
    std::optional<ReplyKind> completeReply() const;

    // The text, leaving the buffer empty.
    QString take();

    // How many more bytes the text needs before it can form a reply: up to
    // the length of the kind its byte-count field names, or, before that
    // field is in, up to `expectedLength` (what the last request asks for)
    // or else the shortest kind. nullopt when no bytes can make it one.
    std::optional<int> bytesToReply(int expectedLength) const;

private:
    QString m_text;
};
