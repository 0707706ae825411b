#include "BasicParameterWindow.h"
#include "LoginWindow.h"
#include "MainWindow.h"
#include "ParameterForm.h"
#include "ParameterTable.h"
#include "PortLocator.h"
#include "ProgramFolder.h"
#include "QtSerialPort.h"
#include "SimulatedLine.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <gtest/gtest.h>

namespace {

// The whole road an operator takes: the main window, the access code, the
// basic window's Read and a write, on the real port against meter-sim.
TEST(LoginOverALine, BasicCodeReadsAndWritesFlowDirectionAtLevelOne) {
    ProgramFolder folder;
    SimulatedLine line(folder.path(), {"--addresses", "1", "--baud", "115200", "--seed", "2"});
    ASSERT_TRUE(line.started());
    auto window = std::make_unique<MainWindow>(
        folder.path(), std::make_unique<QtSerialPort>(PortLocator(folder.path())));
    ASSERT_EQ(window->load(), 0);
    window->show();

    window->meterParameterSetup();
    LoginWindow* login = window->loadedLoginWindow();
    ASSERT_TRUE(login);
    login->codeBox()->setText(QStringLiteral("4626"));
    QTest::keyClick(login->okButton(), Qt::Key_Return);
    BasicParameterWindow* basic = window->loadedBasicParameterWindow();
    ASSERT_TRUE(basic);
    ParameterForm& form = basic->form();

    basic->readButton()->click();
    const auto filled = [&] {
        for (const Parameter* parameter : form.parameters())
            if (form.text(*parameter).isEmpty())
                return false;
        return true;
    };
    ASSERT_TRUE(QTest::qWaitFor(filled, 5000));
    EXPECT_EQ(basic->serialNumberBox()->text(), QStringLiteral("RX71000001"));
    const Parameter& direction = *ParameterTable::find(QStringLiteral("Flow direction:"));
    EXPECT_EQ(form.text(direction), QStringLiteral("Foward"));
    QTest::qWait(300); // the fifth tick takes the values as read

    form.allowWriteBox(direction)->setChecked(true);
    form.setText(direction, QStringLiteral("Reverse"));
    form.writeButton(direction)->click();
    EXPECT_EQ(basic->statusText(), QString());
    ASSERT_TRUE(QTest::qWaitFor([&] { return form.text(direction) == "Reverse"; }, 5000));

    EXPECT_TRUE(line.requests().contains(QStringLiteral("0106002100011800")));
    EXPECT_EQ(folder.rows("select quanxian,bianma,xiangmu,dudao,xieru from caozuo"),
              QStringList({"1|RX71000001|Flow direction|Foward|Reverse"}));
    window.reset();
}

} // namespace
