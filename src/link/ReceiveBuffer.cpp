#include "ReceiveBuffer.h"

#include "HexText.h"

#include <algorithm>

void ReceiveBuffer::append(const QByteArray& bytes) {
    const qsizetype room = capacity - m_text.size();
    if (room <= 0)
        return;
    const qsizetype kept = std::min<qsizetype>(bytes.size(), (room + 1) / 2);
    m_text += HexText::fromBytes(bytes.left(kept));
}

std::optional<ReplyKind> ReceiveBuffer::completeReply() const {
    const int byteCount = HexText::byteAt(m_text, 2);
    for (const ReplyLayout& layout : replyLayouts) {
        if (byteCount == layout.byteCount() && m_text.size() == layout.hexLength())
            return layout.kind;
    }
    return std::nullopt;
}

QString ReceiveBuffer::take() {
    QString text;
    text.swap(m_text);
    return text;
}

std::optional<int> ReceiveBuffer::bytesToReply(int expectedLength) const {
    const int have = int(m_text.size() / 2);
    const int byteCount = HexText::byteAt(m_text, 2);
    if (byteCount < 0) {
        constexpr int shortest =
            std::ranges::min(replyLayouts, {}, &ReplyLayout::frameLength).frameLength();
        return std::max(expectedLength, shortest) - have;
    }
    for (const ReplyLayout& layout : replyLayouts) {
        if (byteCount == layout.byteCount())
            return layout.frameLength() > have ? std::optional<int>(layout.frameLength() - have)
                                               : std::nullopt;
    }
    return std::nullopt;
}
