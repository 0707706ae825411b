#pragma once

#include "AlarmTracker.h"
#include "ColumnFit.h"
#include "StartupResult.h"
#include "WebService.h"

#include <QMainWindow>
#include <QPointer>
#include <memory>

class AlarmsWindow;
class BasicParameterWindow;
class DesktopNotifier;
class CommSetupWindow;
class HistoryWindow;
class LineStatisticsWindow;
class ReportsWindow;
class LoginWindow;
class Line;
class LiveGridModel;
class Station;
class ParameterBlockDispatcher;
class ParameterWindow;
class ParameterWindowBase;
class QLabel;
class QPushButton;
class QTableView;
class QTimer;
class SerialPort;

// "RX7100 PC TOOL Ver<version>": the buttons, the status-bar hints and the live
// grid over the station that does the work.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(const QString& programDir, std::unique_ptr<SerialPort> port,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up; a failure shows the "Serial port error" message and leaves
    // the window as far as start-up got.
    StartupResult load();

    // After load(): the web status, where the options or the stored
    // setting say; the status bar tells where, or why not.
    void serveWeb(const WebOptions& options);
    const WebService* web() const { return m_web.get(); }

    Station& station() { return *m_station; }
    QTableView* liveGridView() const { return m_grid; }
    LiveGridModel& liveGrid() { return *m_gridModel; }
    QString statusText() const;
    // The broker's state, beside the hints; empty while not publishing.
    QString brokerText() const;
    // The other windows while they are loaded, else null.
    CommSetupWindow* loadedCommSetupWindow() const;
    HistoryWindow* loadedHistoryWindow() const;
    LoginWindow* loadedLoginWindow() const;
    ParameterWindow* loadedParameterWindow() const;
    BasicParameterWindow* loadedBasicParameterWindow() const;
    LineStatisticsWindow* loadedLineStatisticsWindow() const;
    ReportsWindow* loadedReportsWindow() const;
    AlarmsWindow* loadedAlarmsWindow() const;

    // The buttons' actions.
    void readMeterData();
    void stopReading();
    void communicationSetup();
    void meterParameterSetup();
    void history();
    void lineStatistics();
    void reports();
    void alarms();
    void exitProgram();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    // Tells what befalls the line's port in the status bar.
    void watchLine(Line& line);
    // The same for a line past line 1, and that its port is away if it is.
    void watchAddedLine(Line& line);
    // The lines as the setup window left them in the store.
    void reloadLines();
    QPushButton* addButton(const QString& text, const QString& hint);
    void showReadingState(bool reading);
    void showNotice(const QString& notice);
    // A new alarm in the status bar, and on the desktop when asked for.
    void tellAlarm(const AlarmTracker::Event& event);
    void showBrokerState();
    void applyGridColumns();
    void widenForValues();
    // Notes whether changed cells need more room than their columns have.
    void noteChangedCells(const QModelIndex& topLeft, const QModelIndex& bottomRight);
    // Each column's caption, widest value and width; `fresh` for a grid
    // whose columns are set anew.
    QList<ColumnFit::Column> gridColumns(bool fresh) const;
    // The width the grid's columns have in a window this wide.
    int gridRoom(int windowWidth) const;
    int openingWidth() const;

    // Loads the "Communication setup" window hidden, to be shown.
    CommSetupWindow* commSetupWindow();
    bool commSetupWindowVisible() const;
    void hideCommSetupWindow();

    void showHistoryWindow();
    void hideHistoryWindow();
    void showLoginWindow();
    void showFullParameterWindow();
    void showBasicParameterWindow();
    // With several lines, a parameter window holds line 1 from its start,
    // may pick another, and holds the one it works on.
    void holdFirstLine();
    void offerLines(ParameterWindowBase& window);

    std::unique_ptr<Station> m_station;
    // Shows what the station holds: gone before the station.
    std::unique_ptr<LiveGridModel> m_gridModel;
    QPushButton* m_read = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_commSetup = nullptr;
    QPushButton* m_paramSetup = nullptr;
    QPushButton* m_history = nullptr;
    QPushButton* m_statistics = nullptr;
    QPushButton* m_reports = nullptr;
    QPushButton* m_alarms = nullptr;
    QPushButton* m_exit = nullptr;
    QTableView* m_grid = nullptr;
    bool m_valuesMayNotFit = false;
    QLabel* m_status = nullptr;
    QLabel* m_broker = nullptr;
    QTimer* m_brokerRefresh = nullptr;
    std::unique_ptr<ParameterBlockDispatcher> m_blockDispatcher;
    QPointer<CommSetupWindow> m_commSetupWindow;
    QPointer<HistoryWindow> m_historyWindow;
    QPointer<LoginWindow> m_loginWindow;
    QPointer<ParameterWindow> m_parameterWindow;
    QPointer<BasicParameterWindow> m_basicParameterWindow;
    QPointer<LineStatisticsWindow> m_lineStatisticsWindow;
    QPointer<ReportsWindow> m_reportsWindow;
    QPointer<AlarmsWindow> m_alarmsWindow;
    std::unique_ptr<DesktopNotifier> m_notifier; // made at the first notification
    // The access level of the last code typed in the "Login" window this
    // run: 1 basic, 2 full; 0 before any.
    int m_accessLevel = 0;
    std::unique_ptr<WebService> m_web; // reads the station: declared after it, gone before
};
