#pragma once

#include "ReplyKind.h"

#include <QList>
#include <QObject>
#include <QString>

class ParameterFields;

// The decoders of the four parameter-block replies. A reply goes to every
// parameter window that is loaded, whichever of them asked for it; a
// window registers while it exists.
class ParameterBlockDispatcher : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;

    void add(ParameterFields* fields);
    void remove(ParameterFields* fields);

    // Decode one block and put its texts into every registered window.
    // A damaged reply changes no field.
    void Data_readwrite1(const QString& hexText) { decodeInto(ReplyKind::Block1, hexText); }
    void Data_readwrite2(const QString& hexText) { decodeInto(ReplyKind::Block2, hexText); }
    void Data_readwrite3(const QString& hexText) { decodeInto(ReplyKind::Block3, hexText); }
    void Data_readwrite4(const QString& hexText) { decodeInto(ReplyKind::Block4, hexText); }

    // For the exchange's block replies; other kinds are not ours.
    void dispatch(ReplyKind kind, const QString& hexText);

private:
    void decodeInto(ReplyKind kind, const QString& hexText);

    QList<ParameterFields*> m_windows;
};
