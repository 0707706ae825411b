#pragma once

#include "CommSetupWindow.h"
#include "FakeSerialPort.h"
#include "LiveGridModel.h"
#include "MainWindow.h"
#include "ProgramFolder.h"
#include "Station.h"

#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>
#include <memory>

// The main window on a throw-away program folder and a fake port.
class ToolTest : public ::testing::Test {
protected:
    void prepare(const StartingDatabase::Options& options = {}) {
        window.reset();
        folder = std::make_unique<ProgramFolder>(options);
    }
    // Loads a new main window on the folder; what load() returned.
    int launch(int openResult = PortError::None) {
        window.reset();
        auto fake = std::make_unique<FakeSerialPort>();
        fake->openResult = openResult;
        port = fake.get();
        window = std::make_unique<MainWindow>(folder->path(), std::move(fake));
        return window->load().code();
    }
    // Starts on a database listing these meters, with this poll period and record interval.
    void start(QList<int> meters = {1}, std::optional<int> timer = {},
               std::optional<int> timesj = {}) {
        prepare({std::move(meters), {}, {}, {}, timer, timesj, {}});
        ASSERT_EQ(launch(), 0);
        window->show();
    }

    // The button of `top` (the main window unless given) by its text or object name.
    QPushButton* button(const QString& name, QWidget* top = nullptr) const {
        top = top ? top : window.get();
        for (QPushButton* b : top->findChildren<QPushButton*>())
            if (b->window() == top && (b->text() == name || b->objectName() == name))
                return b;
        ADD_FAILURE() << "no button " << name.toStdString();
        return nullptr;
    }
    void click(const QString& name, QWidget* top = nullptr) {
        QTest::mouseClick(button(name, top), Qt::LeftButton);
    }
    Station& station() { return window->station(); }
    CommSetupWindow* setup() const { return window->loadedCommSetupWindow(); }
    void type(const char* box, const QString& text) {
        setup()->findChild<QLineEdit*>(box)->setText(text);
    }
    // The address of every request written, in order.
    QList<int> asked() const {
        QList<int> addresses;
        for (const QByteArray& frame : port->written)
            addresses << static_cast<std::uint8_t>(frame.at(0));
        return addresses;
    }

    std::unique_ptr<ProgramFolder> folder;
    FakeSerialPort* port = nullptr;
    std::unique_ptr<MainWindow> window;
};
