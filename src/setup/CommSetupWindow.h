#pragma once

#include "LineList.h"
#include "MeterList.h"
#include "PublishTable.h"
#include "SerialDevices.h"

#include <QMainWindow>
#include <functional>
#include <memory>

class CommSettings;
class Database;
class IntervalTimer;
class LineDialog;
struct LineEntry;
class LineProbe;
class QMessageBox;
class PortsDialog;
class RecordInterval;
class PublishFrame;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStandardItemModel;
class QTableView;
class SerialPort;
struct SettingsTexts;
struct StoreWrite;

// "Communication setup": the line settings, the record interval, the
// list of meter addresses and the station's lines. It works on the main window's serial port and
// poll timer and has a database connection of its own while it is loaded.
// Closing it by its close box destroys it; the next use loads it afresh.
class CommSetupWindow : public QMainWindow {
    Q_OBJECT
public:
    static QString invalidPortNotice() { return QStringLiteral("Notice:Invalid serial port!"); }
    // The failed Save's notice: how to fix the port's failure, when there
    // is a way, follows the fixed text.
    static QString portNotice(int portError);
    static QString invalidAddressNotice() {
        return QStringLiteral("Notice:Invalid meter address!");
    }
    static QString invalidIntervalNotice() {
        return QStringLiteral("Notice:Invalid record interval!");
    }
    static QString invalidKeepDaysNotice() {
        return QStringLiteral("Notice:Invalid number of days to keep snapshots!");
    }
    static QString invalidWebNotice() {
        return QStringLiteral(
            "Notice:Web status wants ADDRESS:PORT, as 127.0.0.1:9100, or nothing!");
    }
    // Why the publish settings were not stored.
    static QString publishNotice(const QString& problem) {
        return QStringLiteral("Notice:Invalid publish settings: %1").arg(problem);
    }

    // Loads the window: `callDataGrid1` reloads the main window's live grid;
    // the interval box edits `recordInterval` while the window is loaded.
    CommSetupWindow(const QString& programDir, SerialPort& port, IntervalTimer& pollTimer,
                    RecordInterval& recordInterval, std::function<void()> callDataGrid1,
                    QWidget* parent = nullptr);
    ~CommSetupWindow() override;

    // Where the window tells what the store said to each of its writes.
    void setStoreReport(std::function<void(const StoreWrite&)> report);
    // Where line 1's port and timer are worked on: its own thread.
    void setLineRunner(std::function<void(const std::function<void()>&)> runner);

    QString statusText() const;
    bool isEditingLineSettings() const;

    // The window's event handlers.
    void modifyLineSettings();
    void saveLineSettings();
    void modifyRecord();
    void saveRecord();
    void modifyPublish();
    void savePublish();
    void addMeter();
    void deleteMeter();
    void gridload();
    // "Ports...": the serial devices and their port numbers, over this window.
    PortsDialog* showPorts();

    // Where "Ports..." finds the serial devices; the real ones unless set.
    void setSerialDeviceSource(SerialDeviceSource devices);

    // The "Lines" frame. Add and Edit open the line dialog, which stores
    // the line when accepted; Remove asks first.
    LineDialog* addLine();
    LineDialog* editLine();
    QMessageBox* removeLine();
    void testLine();
    void lineload();
    // What "Test line" runs; without one it stays disabled.
    void setLineProbe(LineProbe* probe);

signals:
    // The closing steps have run; the window is about to be destroyed.
    void unloaded();
    // Publish settings were stored: they apply at once.
    void publishSettingsSaved(const PublishSettings& settings);
    // A line was added, changed or removed in the store.
    void linesChanged();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildLineSettings();
    QWidget* buildRecordFrame();
    QWidget* buildMeterFrame();
    QWidget* buildPublishFrame();
    QWidget* buildLinesFrame();
    std::optional<StartingDatabase::Line> chosenLine() const;
    LineDialog* openLineDialog(int number, const LineEntry& shown);
    void storeLine(const StartingDatabase::Line& line);
    void updateLineButtons();
    void showLineSettingsEditing(bool editing);
    void showSettings(const SettingsTexts& texts);
    void showNotice(const QString& notice);
    void withdrawNotice(const QString& notice);
    void afterListChange(MeterList::Outcome outcome);
    // Reports the write; true when the store took it, else its notice shown.
    bool storeTook(const StoreWrite& write);

    QString m_folder;
    SerialDeviceSource m_serialDevices = &SerialDevices::present;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<CommSettings> m_settings;
    std::unique_ptr<MeterList> m_meters;
    std::unique_ptr<LineList> m_lines;
    QList<StartingDatabase::Line> m_shownLines;
    LineProbe* m_probe = nullptr;
    RecordInterval& m_recordInterval;
    std::function<void()> m_callDataGrid1;
    std::function<void(const StoreWrite&)> m_reportStore;

    QLabel* m_currentPortCaption = nullptr;
    QLabel* m_availablePortCaption = nullptr;
    QLabel* m_portLabel = nullptr;
    QComboBox* m_portList = nullptr;
    QLabel* m_baudLabel = nullptr;
    QComboBox* m_baudList = nullptr;
    QLabel* m_parityLabel = nullptr;
    QComboBox* m_parityList = nullptr;
    QLabel* m_timeoutLabel = nullptr;
    QLineEdit* m_timeoutBox = nullptr;
    QPushButton* m_lineModify = nullptr;
    QPushButton* m_lineSave = nullptr;

    QLineEdit* m_intervalBox = nullptr;
    QLineEdit* m_keepDaysBox = nullptr;
    QLineEdit* m_webBox = nullptr;
    QPushButton* m_recordModify = nullptr;
    QPushButton* m_recordSave = nullptr;

    PublishFrame* m_publish = nullptr;

    QLineEdit* m_addressBox = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_delete = nullptr;
    QTableView* m_addressGrid = nullptr;
    QStandardItemModel* m_addressModel = nullptr;

    QTableView* m_lineGrid = nullptr;
    QStandardItemModel* m_lineModel = nullptr;
    QPushButton* m_addLine = nullptr;
    QPushButton* m_editLine = nullptr;
    QPushButton* m_removeLine = nullptr;
    QPushButton* m_testLine = nullptr;

    QLabel* m_status = nullptr;
};
