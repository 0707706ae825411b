#pragma once

#include "FakeSerialPort.h"
#include "ParameterBlockDispatcher.h"
#include "ParameterForm.h"
#include "ParameterList.h"
#include "ParameterReadSequence.h"
#include "ParameterTable.h"
#include "ParameterWindowBase.h"
#include "ProgramFolder.h"
#include "ReplyFrames.h"
#include "SerialExchange.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

#include <memory>

// One meter's four parameter blocks as it sends them, the transducer serial
// number last character first. Among them: meter size 50, English, address
// 1, CMH, span 60, damping 3, Cubic m, K factor 1, pulse width 1000,
// frequency span 1000, EPD threshold 500, sensor serial SN20240001,
// transducer factor 12.34, parity NONE, EPD Enable; the rest zero.
inline QList<QByteArray> meterBlocks(const QByteArray& serial = "10000017XR") {
    return {replyFrame(44, {Put{0, f32(50)}, Put{4, u16(1)}, Put{6, u16(1)}, Put{8, u16(4)},
                            Put{10, u16(5)}, Put{12, u16(7)}, Put{14, f32(60)}, Put{24, f32(0.5f)},
                            Put{28, u16(3)}, Put{30, u16(6)}, Put{36, f32(1)}, Put{40, u32(1000)}}),
            replyFrame(50, {Put{0, f32(1000)}, Put{4, f32(50)}, Put{8, f32(500)}, Put{12, f32(1)},
                            Put{16, f32(1)}, Put{20, u16(1)}, Put{22, "10004202NS"}}),
            replyFrame(60, {Put{24, u32(123456)}, Put{28, u32(7)}, Put{32, u16(1)},
                            Put{34, f32(2.5f)}, Put{38, f32(123.4f)}, Put{48, serial}}),
            replyFrame(2, {})};
}

inline QStringList hex(const QList<QByteArray>& frames) {
    QStringList texts;
    for (const QByteArray& frame : frames)
        texts << QString::fromLatin1(frame.toHex().toUpper());
    return texts;
}

// The parameter of the full window's caption.
inline const Parameter& parameter(const char* caption) {
    for (const Parameter& found : ParameterTable::all())
        if (found.captionText() == QString::fromUtf8(caption))
            return found;
    ADD_FAILURE() << "no parameter " << caption;
    return ParameterTable::all().front();
}

// A parameter window of type W on a fake port, opened as the main window
// leaves it, with the replies reaching the window through the dispatcher.
template <class W> class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override { open({}); }

    void open(const StartingDatabase::Options& options, bool withDatabase = true) {
        window.reset();
        folder = std::make_unique<ProgramFolder>(options, withDatabase);
        ASSERT_TRUE(folder->ok());
        port.setPortNumber(1);
        port.open();
        port.calls.clear();
        window = std::make_unique<W>(folder->path(), exchange, dispatcher);
    }

    ParameterForm& form() { return window->form(); }

    // "Read" and the five ticks, the meter answering each request at once;
    // on the fixture's window unless another is given.
    void readMeter(const QList<QByteArray>& blocks = meterBlocks(),
                   ParameterWindowBase* other = nullptr) {
        ParameterWindowBase& w = other ? *other : *window;
        w.read();
        for (const QByteArray& block : blocks) {
            w.readSequence().tick();
            port.deliver(block);
        }
        w.readSequence().tick();
        port.written.clear();
        port.calls.clear();
    }

    // Ticks "Allow write", puts the text into the field as the operator
    // would (typing, or picking from a list) and presses "Write".
    void writeField(const char* caption, const QString& text,
                    ParameterWindowBase* other = nullptr) {
        ParameterForm& f = other ? other->form() : form();
        const Parameter& s = parameter(caption);
        f.allowWriteBox(s)->setChecked(true);
        if (QLineEdit* edit = f.textField(s))
            edit->setText(text);
        else
            f.listField(s)->setText(text);
        f.writeButton(s)->click();
    }

    QStringList logRows() const {
        return folder->rows(QStringLiteral(
            "select quanxian,bianma,xiangmu,dudao,xieru from caozuo order by rowid"));
    }

    FakeSerialPort port;
    SerialExchange exchange{port};
    ParameterBlockDispatcher dispatcher;
    std::unique_ptr<ProgramFolder> folder;
    std::unique_ptr<W> window;
    QMetaObject::Connection replies =
        QObject::connect(&exchange, &SerialExchange::replyReceived, &dispatcher,
                         &ParameterBlockDispatcher::dispatch);
};
