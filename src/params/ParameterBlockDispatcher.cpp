#include "ParameterBlockDispatcher.h"

#include "ParameterBlocks.h"
#include "ParameterFields.h"

void ParameterBlockDispatcher::add(ParameterFields* fields) {
    if (fields && !m_windows.contains(fields))
        m_windows.append(fields);
}

void ParameterBlockDispatcher::remove(ParameterFields* fields) {
    m_windows.removeAll(fields);
}

void ParameterBlockDispatcher::dispatch(ReplyKind kind, const QString& hexText) {
    switch (kind) {
    case ReplyKind::Block1:
        Data_readwrite1(hexText);
        break;
    case ReplyKind::Block2:
        Data_readwrite2(hexText);
        break;
    case ReplyKind::Block3:
        Data_readwrite3(hexText);
        break;
    case ReplyKind::Block4:
        Data_readwrite4(hexText);
        break;
    case ReplyKind::RealTime:
        break;
    }
}

void ParameterBlockDispatcher::decodeInto(ReplyKind kind, const QString& hexText) {
    const std::optional<QList<FieldText>> texts = decodeParameterBlock(kind, hexText);
    if (!texts)
        return;
    for (const FieldText& field : *texts) {
        for (ParameterFields* window : m_windows)
            window->setFieldText(field.reg, field.text);
    }
}
