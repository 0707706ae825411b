#pragma once

#include <QWidget>
#include <array>
#include <memory>

class Checkpointer;
class Database;
class HistoryTab;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTabWidget;
class QTableView;

// "History": the stored snapshots and the operation log, each on its own
// tab, searched and deleted by a range of days and a meter address or
// serial number. It opens its own connection to the program folder's
// database and closes it when destroyed. Deletes run a batch at a time with
// a progress bar; closed while one runs, the window hides and goes once the
// delete is done.
class HistoryWindow : public QWidget {
    Q_OBJECT
public:
    explicit HistoryWindow(const QString& programFolder, QWidget* parent = nullptr);
    ~HistoryWindow() override;

    // The tab's controls, for the tests and the benchmark.
    struct TabControls {
        QLineEdit* date = nullptr;
        QLineEdit* to = nullptr;
        QLineEdit* filter = nullptr;
        QPushButton* search = nullptr;
        QPushButton* deleteRecord = nullptr;
        QPushButton* deleteAll = nullptr;
        QProgressBar* progress = nullptr;
        QTableView* grid = nullptr;
    };
    static constexpr int SnapshotTab = 0;
    static constexpr int OperationLogTab = 1;

    const TabControls& controls(int tab) const { return m_controls.at(tab); }
    QTabWidget* tabs() const { return m_tabs; }
    HistoryTab& tab(int index) const { return *m_tab.at(index); }

protected:
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QWidget* makeTab(int index);
    void applyColumns(int index);
    void search(int index);
    void deleteRecord(int index);
    void deleteAll(int index);
    void showDeleting(int index, bool deleting);

    // Declared first so it outlives the tabs' models that read through it.
    std::unique_ptr<Database> m_database;
    std::unique_ptr<Checkpointer> m_checkpointer;
    std::array<std::unique_ptr<HistoryTab>, 2> m_tab;
    std::array<TabControls, 2> m_controls;
    QTabWidget* m_tabs = nullptr;
    bool m_closeWhenDone = false;
};
