#pragma once

#include <QMainWindow>
#include <QPointer>
#include <memory>

class CommSetupWindow;
class MainStation;
class QLabel;
class QPushButton;
class QTableView;
class SerialPort;

// "RX7100 PC TOOL Ver0.17": the buttons, the status-bar hints and the live
// grid over the station that does the work.
class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    MainWindow(const QString& programDir, std::unique_ptr<SerialPort> port,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    // Start-up; a failure shows the "Serial port error" message and leaves
    // the window as far as start-up got. Returns the failure code or 0.
    int load();

    MainStation& station() { return *m_station; }
    QTableView* liveGridView() const { return m_grid; }
    QString statusText() const;
    // The "Communication setup" window while it is loaded, else null.
    CommSetupWindow* loadedCommSetupWindow() const;

    // The buttons' actions.
    void readMeterData();
    void stopReading();
    void communicationSetup();
    void meterParameterSetup();
    void history();
    void exitProgram();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QPushButton* addButton(const QString& text, const QString& hint);
    void showReadingState(bool reading);
    void applyGridColumns();

    // Loads the "Communication setup" window hidden on first use.
    CommSetupWindow* commSetupWindow();
    bool commSetupWindowVisible() const;
    void hideCommSetupWindow();

    // The "History" and "Login" windows: filled in when they arrive.
    void showHistoryWindow() {}
    void hideHistoryWindow() {}
    void unloadHistoryWindow() {}
    void showLoginWindow() {}
    void unloadLoginWindow() {}

    std::unique_ptr<MainStation> m_station;
    QPushButton* m_read = nullptr;
    QPushButton* m_stop = nullptr;
    QPushButton* m_commSetup = nullptr;
    QPushButton* m_paramSetup = nullptr;
    QPushButton* m_history = nullptr;
    QPushButton* m_exit = nullptr;
    QTableView* m_grid = nullptr;
    QLabel* m_status = nullptr;
    QPointer<CommSetupWindow> m_commSetupWindow;
};
